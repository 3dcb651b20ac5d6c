// The entry reader and line writer at the byte level: what a line is, and that every byte
// of it survives, whatever the read sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settingsfile/EntryReader.h"

using settingsfile::EntryReader;
using settingsfile::LineWriter;

namespace {

using namespace std::string_literals;

// Hands out its bytes at most `chunk` at a time, so that line ends fall across reads.
class ChunkedSource : public settingsfile::ByteSource {
 public:
  ChunkedSource(std::string bytes, size_t chunk) : bytes_(std::move(bytes)), chunk_(chunk) {}
  size_t read(char* buffer, size_t capacity) override {
    const size_t size = std::min({capacity, chunk_, bytes_.size() - offset_});
    std::copy_n(bytes_.data() + offset_, size, buffer);
    offset_ += size;
    return size;
  }

 private:
  std::string bytes_;
  size_t chunk_;
  size_t offset_ = 0;
};

class StringSink : public settingsfile::ByteSink {
 public:
  std::string bytes;
  void write(const char* data, size_t size) override { bytes.append(data, size); }
  void flushToDisk() override {}
  void close() override {}
};

std::vector<std::string> readAll(const std::string& bytes, size_t chunk) {
  ChunkedSource source(bytes, chunk);
  EntryReader reader(source);
  std::vector<std::string> entries;
  while (const auto entry = reader.next()) {
    entries.emplace_back(*entry);
    EXPECT_EQ(reader.lineNumber(), entries.size());
  }
  EXPECT_FALSE(reader.next()) << "the reader must stay at its end";
  return entries;
}

struct ReadCase {
  const char* fault;  // what a reader failing this case gets wrong
  std::string bytes;
  std::vector<std::string> entries;
};

const ReadCase kReadCases[] = {
    {"an empty file yields an entry", "", {}},
    {"CR LF alone is not one empty entry", "\r\n", {""}},
    {"blank lines are lost", "a\r\n\r\nb\r\n", {"a", "", "b"}},
    {"the last line without a line end is lost", "a\r\nb", {"a", "b"}},
    {"a final line end makes an extra entry", "a\r\nb\r\n", {"a", "b"}},
    {"a lone LF does not end a line", "a\nb\n", {"a", "b"}},
    {"a lone CR does not end a line", "a\rb\r", {"a", "b"}},
    {"LF CR is taken as one line end", "a\n\rb", {"a", "", "b"}},
    {"CR CR LF is taken as one line end", "a\r\r\nb", {"a", "", "b"}},
    {"line ends of mixed kinds confuse it", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
    {"commas or quotes split or alter a line",
     "name=\"Kolt, the Brave\",x\r\n\"quoted\"\r\n",
     {"name=\"Kolt, the Brave\",x", "\"quoted\""}},
    {"blanks and tabs are trimmed from the entry",
     "  key = 1 \t\r\n\t\r\n",
     {"  key = 1 \t", "\t"}},
    {"NUL or non-ASCII bytes are dropped or end a line",
     "a\0b\r\n\xe9t\xe9\xff\r\n"s,
     {"a\0b"s, "\xe9t\xe9\xff"}},
};

TEST(EntryReader, SplitsLinesExactlyWhateverTheReadSize) {
  for (const ReadCase& c : kReadCases) {
    for (size_t chunk : {1, 2, 3, 5, 64 * 1024}) {
      EXPECT_EQ(readAll(c.bytes, chunk), c.entries) << c.fault << " (reads of " << chunk << ")";
    }
  }
}

TEST(EntryReader, CarriesLinesLongerThanItsBuffer) {
  const std::string longLine(200 * 1024 + 3, 'x');
  const std::string bytes = "first\r\n" + longLine + "\r\n" + longLine + "y";
  EXPECT_EQ(readAll(bytes, 64 * 1024 - 1),
            (std::vector<std::string>{"first", longLine, longLine + "y"}));
}

TEST(LineWriter, EndsEveryLineWithCrLfAndKeepsItsBytes) {
  StringSink sink;
  LineWriter writer(sink);
  const std::string longLine(100 * 1024, 'z');
  for (const std::string& line : {"a"s, ""s, "x\0\xe9,\"q\""s, longLine, "last"s}) {
    writer.writeLine(line);
  }
  writer.flush();
  EXPECT_EQ(sink.bytes, "a\r\n\r\nx\0\xe9,\"q\"\r\n"s + longLine + "\r\nlast\r\n");
}

}  // namespace
