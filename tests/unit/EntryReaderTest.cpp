// The entry reader and line writer at the byte level: what a line is, and that every byte
// of it survives, whatever the read sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <utility>
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

// nextStartingWith() against next(). It must hand out every entry that starts with a prefix,
// with its line number, in order; and the lines it passes over, written as they stand, with
// the entries it hands out written as lines, must make the file that writing every entry as a
// line makes: what a save writes.
// One prefix is longer than the eight bytes that a line is first compared with.
constexpr std::string_view kPrefixes[] = {"ab", "b", " ", "cdefghijkl"};

bool startsWithPrefix(const std::string& entry) {
  return std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                     [&](std::string_view prefix) { return entry.starts_with(prefix); });
}

void expectSkimmedLikeRead(const std::string& bytes, size_t chunk, const std::string& what) {
  SCOPED_TRACE(what + ", reads of " + std::to_string(chunk));
  std::string everyLine;
  const std::vector<std::string> entries = readAll(bytes, chunk);
  for (const std::string& entry : entries) everyLine += entry + "\r\n";

  ChunkedSource source(bytes, chunk);
  EntryReader reader(source);
  StringSink sink;
  LineWriter writer(sink);
  size_t lastLine = 0;
  while (const auto entry = reader.nextStartingWith(kPrefixes, &writer)) {
    const size_t line = reader.lineNumber();
    ASSERT_GT(line, lastLine) << "handed out twice, or out of order";
    ASSERT_LE(line, entries.size());
    EXPECT_EQ(*entry, entries[line - 1]) << "line " << line;
    for (size_t skipped = lastLine + 1; skipped < line; ++skipped) {
      EXPECT_FALSE(startsWithPrefix(entries[skipped - 1])) << "passed over line " << skipped;
    }
    lastLine = line;
    writer.writeLine(*entry);
  }
  for (size_t skipped = lastLine + 1; skipped <= entries.size(); ++skipped) {
    EXPECT_FALSE(startsWithPrefix(entries[skipped - 1])) << "passed over line " << skipped;
  }
  writer.flush();
  EXPECT_EQ(sink.bytes, everyLine);
}

struct SkimCase {
  const char* fault;  // what a reader failing this case gets wrong
  std::string bytes;
};

// Positions count from the start of the file: the scan looks at 64 bytes at a time.
const SkimCase kSkimCases[] = {
    {"the first line is not looked at", "ab\r\nx\r\n"},
    {"a wanted line after unwanted ones is passed over", "x\r\ny\r\nb=1\r\nz\r\n"},
    {"a line with a lone LF or CR is passed over unmended", "x\ny\rz\r\nab\n"},
    {"a last line without a line end is passed over unmended", "x\r\nyz"},
    {"a line that starts with part of a prefix is handed out", std::string(70, 'x') + "\r\na\r\n"},
    {"a CR LF split across two blocks is not one line end",
     std::string(63, 'x') + "\r\nb\r\n" + std::string(100, 'y') + "\r\n"},
    {"a lone CR at the end of a block is taken for a CR LF",
     std::string(63, 'x') + "\rb\r\n" + std::string(100, 'y') + "\r\n"},
    {"a wanted line that starts a block is passed over",
     std::string(62, 'x') + "\r\n ab\r\n" + std::string(100, 'y') + "\r\n"},
    {"an empty line is taken for a wanted one", "\r\n\r\n" + std::string(200, 'x') + "\r\n"},
    {"a line is wanted for the first eight bytes of a longer prefix",
     std::string(70, 'x') + "\r\ncdefghijkX\r\ncdefghijkl=1\r\n" + std::string(70, 'y')},
};

TEST(EntryReader, SkimsOnlyWhatNoPrefixStarts) {
  for (const SkimCase& c : kSkimCases) {
    for (size_t chunk : {1, 3, 64, 65, 64 * 1024}) expectSkimmedLikeRead(c.bytes, chunk, c.fault);
  }
}

// Random files of short and long lines, every kind of line end and lines that start with
// prefixes, blanks or parts of prefixes: what the table above cannot foresee.
TEST(EntryReader, SkimsRandomFilesLikeItReadsThem) {
  std::mt19937 random(20260);
  const std::string_view starts[] = {"ab", "a",  "b",          " ",         "x",
                                     "",   "\t", "cdefghijkl", "cdefghijk", "cdefghij"};
  const std::string_view ends[] = {"\r\n", "\r\n", "\r\n", "\r\n", "\n", "\r"};
  for (int file = 0; file < 300; ++file) {
    std::string bytes;
    const int lines = static_cast<int>(random() % 60);
    for (int line = 0; line < lines; ++line) {
      bytes += starts[random() % std::size(starts)];
      bytes.append(random() % 4 == 0 ? random() % 150 : random() % 12, 'y');
      bytes += ends[random() % std::size(ends)];
    }
    if (random() % 2) bytes += "ab";
    for (size_t chunk : {7, 64, 100, 64 * 1024}) {
      expectSkimmedLikeRead(bytes, chunk, "random file " + std::to_string(file));
    }
  }
}

}  // namespace
