#include "pdf/pdflanguage.h"

#include "pdf/pdfreader.h"

#include <cctype>
#include <optional>
#include <string_view>
#include <vector>

namespace lw {

namespace {

constexpr std::size_t kMaxRoots = 8;

// A language tag: letters, then subtags of letters and digits after hyphens.
bool IsLanguageTag(const std::string &tag) {
  std::size_t subtag = 0;
  bool first = true;
  for (const char ch : tag) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '-') {
      if (subtag == 0) return false;
      subtag = 0;
      first = false;
    } else if (!(first ? std::isalpha(c) : std::isalnum(c)) || ++subtag > 8) {
      return false;
    }
  }
  return subtag > 0 && tag.size() <= 35;
}

// The string at the cursor, literal "(...)" or hex "<...>", as bytes; none
// for anything else.
std::optional<std::string> ReadString(PdfCursor &c) {
  c.SkipBlanksAndComments();
  if (c.pos >= c.end) return std::nullopt;
  std::string out;
  if (*c.pos == '(') {
    int depth = 1;
    for (++c.pos; c.pos < c.end && out.size() < 256; ++c.pos) {
      const char ch = static_cast<char>(*c.pos);
      if (ch == '\\' && c.pos + 1 < c.end) {
        ++c.pos;
        const char e = static_cast<char>(*c.pos);
        if (e >= '0' && e <= '7') {  // up to three octal digits
          int v = e - '0';
          for (int k = 0; k < 2 && c.pos + 1 < c.end && c.pos[1] >= '0' && c.pos[1] <= '7'; ++k) v = v * 8 + (*++c.pos - '0');
          out += static_cast<char>(v);
        } else {
          out += e;
        }
        continue;
      }
      if (ch == '(') ++depth;
      if (ch == ')' && --depth == 0) return out;
      out += ch;
    }
    return std::nullopt;
  }
  if (*c.pos == '<' && (c.pos + 1 >= c.end || c.pos[1] != '<')) {
    int high = -1;
    for (++c.pos; c.pos < c.end && out.size() < 256; ++c.pos) {
      const int ch = *c.pos;
      if (ch == '>') {
        if (high >= 0) out += static_cast<char>(high << 4);
        return out;
      }
      if (!std::isxdigit(ch)) continue;
      const int v = std::isdigit(ch) ? ch - '0' : (std::tolower(ch) - 'a' + 10);
      if (high < 0) high = v;
      else { out += static_cast<char>(high << 4 | v); high = -1; }
    }
  }
  return std::nullopt;
}

// The catalog `root`'s /Lang; empty when there is none.
std::string LanguageOfRoot(PdfReader &reader, std::int32_t root) {
  TByteBuffer object;
  if (reader.OpenObject(root, object) == PdfReader::TObjectPlace::Missing) return {};
  PdfCursor &c = reader.cursor;
  if (!c.FindKey("/Lang")) return {};
  std::int32_t number = 0;
  if (c.ReadReference(number)) {
    if (reader.OpenObject(number, object) == PdfReader::TObjectPlace::Missing) return {};
  }
  std::optional<std::string> text = ReadString(reader.cursor);
  if (!text) return {};
  // UTF-16 with its byte-order mark: the tag is ASCII, one byte in two.
  if (text->size() >= 2 && static_cast<unsigned char>((*text)[0]) == 0xFE &&
      static_cast<unsigned char>((*text)[1]) == 0xFF) {
    std::string ascii;
    for (std::size_t i = 3; i < text->size(); i += 2) ascii += (*text)[i];
    text = ascii;
  }
  return IsLanguageTag(*text) ? *text : std::string();
}

std::string Language(const std::uint8_t *data, std::size_t size) {
  // Offsets count from "%PDF-", junk before it aside.
  const std::string_view whole(reinterpret_cast<const char *>(data), size);
  const std::size_t header = whole.substr(0, 1024).find("%PDF-");
  if (header != std::string_view::npos) {
    data += header;
    size -= header;
  }
  {
    PdfCursor tail(data, data + size);
    tail.pos = data + (size > 5 ? size - 5 : 0);
    std::int32_t offset = 0;
    PdfReader reader(data, size);
    if (tail.FindTextBackward("startxref") && tail.ReadNumber(offset) && reader.ReadXrefChain(offset)) {
      if (reader.encrypted) return {};
      if (reader.rootObjectNumber >= 0) {
        const std::string found = LanguageOfRoot(reader, reader.rootObjectNumber);
        if (!found.empty()) return found;
      }
    }
  }
  PdfReader reader(data, size);
  if (!reader.HasObjectHeaders()) return {};
  const std::vector<std::int32_t> roots = reader.Reconstruct();
  if (reader.encrypted) return {};
  for (std::size_t i = 0; i < roots.size() && i < kMaxRoots; ++i) {
    const std::string found = LanguageOfRoot(reader, roots[i]);
    if (!found.empty()) return found;
  }
  return {};
}

}  // namespace

std::string ReadPdfLanguage(const std::uint8_t *data, std::size_t size) {
  if (data == nullptr || size == 0) return {};
  try {
    return Language(data, size);
  } catch (...) {  // a number too large, or memory: no language
    return {};
  }
}

}  // namespace lw
