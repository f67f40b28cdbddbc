// The page converter executable; see pdf2swf/pdf2swf.h for its command line,
// progress lines and exit codes.

#include "pdf2swf/pdf2swf.h"

#include <QCoreApplication>

#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char **argv) {
#if defined(__GLIBC__)
  // Every page allocates and frees bitmaps of several megabytes. Keeping
  // freed memory in the heap lets the next page reuse it instead of mapping
  // (and having the kernel zero) fresh pages each time.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  // Image codecs are plugins; a core application finds them without a display.
  QCoreApplication app(argc, argv);
  using namespace lw::pdf2swf;
  const ParsedArguments parsed = ParseArguments(QCoreApplication::arguments().mid(1));
  if (!parsed.ok) {
    std::fprintf(stderr, "pdf2swf: %s\n%s", parsed.error.toLocal8Bit().constData(),
                 "Try 'pdf2swf --help'.\n");
    return kExitUsage;
  }
  if (parsed.options.help) {
    std::fputs(UsageText().toLocal8Bit().constData(), stdout);
    return kExitOk;
  }
  QString error;
  const int code = ConvertPdf(
      parsed.options,
      [](int done, int total) {
        std::fprintf(stdout, "%s\n", ProgressLine(done, total).toLatin1().constData());
        std::fflush(stdout);
      },
      &error);
  if (code != kExitOk) std::fprintf(stderr, "pdf2swf: %s\n", error.toLocal8Bit().constData());
  return code;
}
