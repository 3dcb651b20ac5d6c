// The ways of passing over lines agree with the one that looks at a byte at a time, at every
// line start of files built to put line ends and wanted lines on every side of a 64-byte block.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "settingsfile/LineScan.h"
#include "settingsfile/SettingKeys.h"

namespace {

using settingsfile::LinePrefixes;
using settingsfile::Stop;
namespace scanners = settingsfile::scanners;

std::vector<size_t> lineStarts(const std::string& bytes) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < bytes.size(); ++i) {
    const bool crLf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
    if ((bytes[i] == '\n' || bytes[i] == '\r') && !crLf) starts.push_back(i + 1);
  }
  return starts;
}

TEST(LineScan, EveryScannerStopsWhereTheBytewiseOneDoes) {
  const LinePrefixes wanted(settingsfile::kKeyStarts);
  std::vector<std::pair<const char*, scanners::FindStop>> fast;
  if (scanners::kSse2) fast.emplace_back("SSE2", scanners::kSse2);
  if (scanners::kAvx2) fast.emplace_back("AVX2", scanners::kAvx2);
  if (fast.empty()) GTEST_SKIP() << "this processor has no faster scanner";

  std::mt19937 random(64);
  const std::string_view pieces[] = {"\r\n",
                                     "\r\n",
                                     "\r\n",
                                     "\n",
                                     "\r",
                                     "x",
                                     "dy",
                                     " ",
                                     "postprocessing",
                                     "dynamiclightin",
                                     "p",
                                     "\t",
                                     "dynamiclighting=1"};
  for (int file = 0; file < 2000; ++file) {
    // Half the files put a piece just before, on or just after the end of the first block.
    std::string bytes(file % 2 ? 0 : 58 + file / 2 % 12, 'x');
    bytes += pieces[file / 24 % std::size(pieces)];
    const size_t length = random() % 400;
    while (bytes.size() < length) {
      if (random() % 3 == 0) bytes.append(random() % 70, 'x');
      bytes += pieces[random() % std::size(pieces)];
    }
    const char* const end = bytes.data() + bytes.size();
    for (const size_t start : lineStarts(bytes)) {
      const Stop expected = scanners::kPortable(bytes.data() + start, end, wanted);
      for (const auto& [name, scan] : fast) {
        const Stop got = scan(bytes.data() + start, end, wanted);
        ASSERT_EQ(got.at - bytes.data(), expected.at - bytes.data())
            << name << " from " << start << " in " << testing::PrintToString(bytes);
        ASSERT_EQ(got.linesPassed, expected.linesPassed)
            << name << " from " << start << " in " << testing::PrintToString(bytes);
      }
    }
  }
}

}  // namespace
