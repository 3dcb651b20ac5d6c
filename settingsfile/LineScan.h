// Passing over whole runs of lines many bytes at a time, for the entry reader. A settings file
// has short lines, so what reading one costs is mostly what it costs per line; this looks at
// 64 bytes at a time, 16 or 32 in one step where the processor allows it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace settingsfile {

// What a wanted line starts with: one of a few prefixes, whose first bytes, four at most and
// neither CR nor LF, are what a scan looks for. The prefixes must outlive this.
class LinePrefixes {
 public:
  explicit LinePrefixes(std::span<const std::string_view> prefixes);

  bool mayStart(char c) const {
    return c == first[0] || c == first[1] || c == first[2] || c == first[3];
  }
  // Whether the line at `at` starts with a prefix, comparing no byte at or after `end`. A
  // prefix holds no line end, so a match never runs on into the next line. Inline and without
  // a call: a scan calls it in its loop.
  bool starts(const char* at, const char* end) const {
    if (!byHeads_ || end - at < kHeadSize) return startsByBytes(at, end);
    // The first eight bytes against every prefix's at once, without a branch on each byte:
    // most lines that get here start with none, and mispredicted branches cost more than the
    // scan that found the line.
    uint64_t head;
    std::memcpy(&head, at, kHeadSize);
    bool any = false;
    for (size_t i = 0; i < prefixes_.size(); ++i) any |= (head & heads_[i].mask) == heads_[i].bytes;
    return any && startsByBytes(at, end);
  }

  char first[4];  // the first bytes, the first one repeated to fill four places

 private:
  static constexpr ptrdiff_t kHeadSize = 8;
  static constexpr size_t kMaxPrefixes = 8;
  struct Head {
    uint64_t bytes = 0, mask = 0;  // a prefix's first eight bytes, or all it has
  };

  bool startsByBytes(const char* at, const char* end) const {
    for (const std::string_view prefix : prefixes_) {
      const size_t length = std::min(prefix.size(), static_cast<size_t>(end - at));
      size_t same = 0;
      while (same < length && at[same] == prefix[same]) ++same;
      if (same == length) return true;
    }
    return false;
  }

  std::span<const std::string_view> prefixes_;
  bool byHeads_;  // there are no more prefixes than heads_ holds
  std::array<Head, kMaxPrefixes> heads_{};
};

struct Stop {
  const char* at;
  size_t linesPassed;  // whole lines between where the scan began and `at`
};

// Where a reader that passes over unwanted lines must stop, from `from`, a line start: at
// the start of the first line that starts with a wanted prefix, that ends in anything but
// CR LF, or that does not end before `end` (its end, or its LF, could be in the next read);
// at `end` when every line before it ends with CR LF. So every byte passed over belongs to
// a whole, unwanted line that ends with CR LF.
Stop findStop(const char* from, const char* end, const LinePrefixes& wanted);

// The ways findStop can work, exposed so that tests run each of them; the fastest that the
// processor has is the one used.
namespace scanners {
using FindStop = Stop (*)(const char*, const char*, const LinePrefixes&);
extern const FindStop kPortable;
extern const FindStop kSse2;  // null where the processor has no SSE2
extern const FindStop kAvx2;  // null where the processor or the system has no AVX2
}  // namespace scanners

}  // namespace settingsfile
