#include "settingsfile/LineScan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace settingsfile {

LinePrefixes::LinePrefixes(std::span<const std::string_view> prefixes) : prefixes_(prefixes) {
  size_t distinct = 0;
  for (const std::string_view prefix : prefixes) {
    if (std::find(first, first + distinct, prefix.front()) == first + distinct) {
      first[distinct++] = prefix.front();
    }
  }
  std::fill(first + distinct, first + 4, first[0]);
  byHeads_ = prefixes.size() <= kMaxPrefixes;
  for (size_t i = 0; byHeads_ && i < prefixes.size(); ++i) {
    const size_t length = std::min(prefixes[i].size(), static_cast<size_t>(kHeadSize));
    std::memcpy(&heads_[i].bytes, prefixes[i].data(), length);
    std::memset(&heads_[i].mask, 0xff, length);
  }
}

namespace {

// The scan a byte at a time, from `lineStart`, with `passed` lines passed already.
Stop scanBytes(const char* lineStart, const char* end, const LinePrefixes& wanted, size_t passed) {
  for (const char* p = lineStart; p < end; ++p) {
    if (p == lineStart && wanted.mayStart(*p) && wanted.starts(p, end)) break;
    if (*p == '\n') break;  // without its CR
    if (*p == '\r') {
      if (end - p < 2 || p[1] != '\n') break;  // without its LF, or with it in the next read
      ++p;
      ++passed;
      lineStart = p + 1;
    }
  }
  return {lineStart, passed};
}

Stop findPortable(const char* from, const char* end, const LinePrefixes& wanted) {
  return scanBytes(from, end, wanted, 0);
}

#if defined(__x86_64__)

// 64 bytes as bit masks, bit i for the byte at i: the LFs, the CRs, and the LFs after which
// a wanted line may start.
struct Block {
  uint64_t lf = 0, cr = 0, lfThenWanted = 0;
};

uint64_t bits(int mask, int shift) { return uint64_t{static_cast<uint32_t>(mask)} << shift; }

// The start of the line that the byte at `p` belongs to, back to `from` at most. Used where
// every line end before `p` is a CR LF.
const char* lineStartOf(const char* from, const char* p) {
  while (p > from && p[-1] != '\n') --p;
  return p;
}

// The scan over the blocks that `read` makes, 64 bytes at a time, then over the rest a byte
// at a time. Nothing in the loop calls a function on the way of a common block, so that the
// vector registers stay in use and are not saved and restored around the call.
template <typename ReadBlock>
[[gnu::always_inline]] inline Stop scanBlocks(const char* from, const char* end,
                                              const LinePrefixes& wanted, ReadBlock read) {
  if (from < end && wanted.mayStart(*from) && wanted.starts(from, end)) return {from, 0};
  size_t passed = 0;
  bool afterCr = false;            // the last block ended with a CR
  bool afterLfThenWanted = false;  // ... with an LF, and a wanted line may start this one
  const char* p = from;
  for (; end - p > 64; p += 64) {  // and the byte after the block, for lfThenWanted
    const Block block = read(p);
    // Where every line end is CR LF, the LFs are the CRs moved on by one. Anything else the
    // bytes sort out, from the line that the block begins in.
    if (block.lf != (block.cr << 1 | uint64_t{afterCr})) break;
    for (uint64_t starts = block.lfThenWanted << 1 | uint64_t{afterLfThenWanted}; starts != 0;
         starts &= starts - 1) {
      const int offset = std::countr_zero(starts);
      if (wanted.starts(p + offset, end)) {
        return {p + offset, passed + std::popcount(block.lf & ((uint64_t{1} << offset) - 1))};
      }
    }
    passed += std::popcount(block.lf);
    afterCr = block.cr >> 63;
    afterLfThenWanted = block.lfThenWanted >> 63;
  }
  return scanBytes(lineStartOf(from, p), end, wanted, passed);
}

// Every x86-64 processor has SSE2: sixteen bytes a step.
Stop findSse2(const char* from, const char* end, const LinePrefixes& wanted) {
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  const __m128i want0 = _mm_set1_epi8(wanted.first[0]), want1 = _mm_set1_epi8(wanted.first[1]);
  const __m128i want2 = _mm_set1_epi8(wanted.first[2]), want3 = _mm_set1_epi8(wanted.first[3]);
  return scanBlocks(from, end, wanted, [&](const char* p) {
    Block block;
#pragma GCC unroll 4
    for (int shift = 0; shift < 64; shift += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + shift));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + shift + 1));
      const __m128i lfs = _mm_cmpeq_epi8(bytes, lf);
      const __m128i wants =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(next, want0), _mm_cmpeq_epi8(next, want1)),
                       _mm_or_si128(_mm_cmpeq_epi8(next, want2), _mm_cmpeq_epi8(next, want3)));
      block.lf |= bits(_mm_movemask_epi8(lfs), shift);
      block.cr |= bits(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)), shift);
      block.lfThenWanted |= bits(_mm_movemask_epi8(_mm_and_si128(lfs, wants)), shift);
    }
    return block;
  });
}

// Thirty-two bytes a step, and a bit count in one instruction.
[[gnu::target("avx2,popcnt")]] Stop findAvx2(const char* from, const char* end,
                                             const LinePrefixes& wanted) {
  const __m256i lf = _mm256_set1_epi8('\n'), cr = _mm256_set1_epi8('\r');
  const __m256i want0 = _mm256_set1_epi8(wanted.first[0]);
  const __m256i want1 = _mm256_set1_epi8(wanted.first[1]);
  const __m256i want2 = _mm256_set1_epi8(wanted.first[2]);
  const __m256i want3 = _mm256_set1_epi8(wanted.first[3]);
  return scanBlocks(
      from, end, wanted, [&](const char* p) __attribute__((target("avx2"))) {
        Block block;
#pragma GCC unroll 2
        for (int shift = 0; shift < 64; shift += 32) {
          const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + shift));
          const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + shift + 1));
          const __m256i lfs = _mm256_cmpeq_epi8(bytes, lf);
          const __m256i wants = _mm256_or_si256(
              _mm256_or_si256(_mm256_cmpeq_epi8(next, want0), _mm256_cmpeq_epi8(next, want1)),
              _mm256_or_si256(_mm256_cmpeq_epi8(next, want2), _mm256_cmpeq_epi8(next, want3)));
          block.lf |= bits(_mm256_movemask_epi8(lfs), shift);
          block.cr |= bits(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, cr)), shift);
          block.lfThenWanted |= bits(_mm256_movemask_epi8(_mm256_and_si256(lfs, wants)), shift);
        }
        return block;
      });
}

// AVX2 needs the processor to have it and the system to save its registers when it switches
// threads (Windows 7 does from its first service pack).
bool hasAvx2() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
  unsigned enabledLow, enabledHigh;
  __asm__("xgetbv" : "=a"(enabledLow), "=d"(enabledHigh) : "c"(0));
  constexpr unsigned kSseAndAvxState = 0x6;
  if ((enabledLow & kSseAndAvxState) != kSseAndAvxState) return false;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

#endif

}  // namespace

namespace scanners {
const FindStop kPortable = findPortable;
#if defined(__x86_64__)
const FindStop kSse2 = findSse2;
const FindStop kAvx2 = hasAvx2() ? findAvx2 : nullptr;
#else
const FindStop kSse2 = nullptr;
const FindStop kAvx2 = nullptr;
#endif
}  // namespace scanners

Stop findStop(const char* from, const char* end, const LinePrefixes& wanted) {
#if defined(__x86_64__)
  static const scanners::FindStop fastest = scanners::kAvx2 ? scanners::kAvx2 : findSse2;
#else
  static const scanners::FindStop fastest = findPortable;
#endif
  return fastest(from, end, wanted);
}

}  // namespace settingsfile
