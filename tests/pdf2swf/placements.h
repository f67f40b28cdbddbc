// The display list of a one-frame movie as the tests read it: every
// PlaceObject2/3 at the top level with its depth, clip depth and blend mode.
#pragma once

#include "swf/swfmovie.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lwtest {

struct Placement {
  int tag = 0;         // 26 PlaceObject2, 70 PlaceObject3
  int depth = 0;
  int character = 0;
  int clipDepth = 0;   // 0 = none
  int blend = 0;       // 0 = none given
};

// Placements in file order; empty when the movie cannot be read. Only the
// fields page movies use are understood (no colour transform, ratio, name,
// filters or clip actions).
inline std::vector<Placement> Placements(const lw::swf::Bytes &movie) {
  const lw::swf::MovieReader reader(movie);
  std::vector<Placement> out;
  lw::swf::TagWalker tags = reader.Tags();
  for (lw::swf::MovieTag tag; tags.Next(tag);) {
    const int code = tag.code;
    if (code == 0) return out;
    if (code == 26 || code == 70) {
      const std::uint8_t *b = tags.Body(tag);
      std::size_t i = 0;
      Placement p;
      p.tag = code;
      const int flags = b[i++];
      const int flags2 = code == 70 ? b[i++] : 0;
      p.depth = b[i] | (b[i + 1] << 8);
      i += 2;
      if (flags & 0x02) {
        p.character = b[i] | (b[i + 1] << 8);
        i += 2;
      }
      if (flags & 0x04) {
        std::size_t bit = i * 8;
        auto bits = [&](int n) {
          unsigned v = 0;
          for (int k = 0; k < n; ++k, ++bit) v = (v << 1) | ((b[bit / 8] >> (7 - bit % 8)) & 1);
          return static_cast<int>(v);
        };
        if (bits(1)) bits(2 * bits(5));
        if (bits(1)) bits(2 * bits(5));
        bits(2 * bits(5));
        i = (bit + 7) / 8;
      }
      if (flags & 0x40) {
        p.clipDepth = b[i] | (b[i + 1] << 8);
        i += 2;
      }
      if (flags2 & 0x02) p.blend = b[i++];
      out.push_back(p);
    }
  }
  return tags.fault() == lw::swf::TagFault::None ? out : std::vector<Placement>{};
}

}  // namespace lwtest
