// Settings entries in and out of a byte stream: one line of the file per entry.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settingsfile/Files.h"

namespace settingsfile {

class LineWriter;

// Reads a file line by line. A line ends at CR LF, a lone LF or a lone CR; the entry is
// every byte before that, untouched: commas, quotes, blanks, NUL and bytes outside ASCII
// included. A last line without a line end is still an entry; a line end at the very end
// of the file does not make an extra empty one. Memory grows with the longest line, never
// with the file.
class EntryReader {
 public:
  explicit EntryReader(ByteSource& source);

  // The next entry, or nothing once the file is exhausted. The view stays valid until the
  // next call. Failures of the source reach the caller as they are.
  std::optional<std::string_view> next();

  // Like next(), but passes over entries that start with none of `prefixes` (whose first
  // bytes are four at most, and neither CR nor LF) without handing each out: a caller that
  // wants a few kinds of line does not pay for every line. It passes over only entries that
  // end with CR LF, and may hand out others that start with no prefix. With `passedOver`, the
  // lines passed over go to it as they are, line ends and all. lineNumber() counts them.
  std::optional<std::string_view> nextStartingWith(std::span<const std::string_view> prefixes,
                                                   LineWriter* passedOver = nullptr);

  // The 1-based line number of the entry last returned.
  size_t lineNumber() const { return lineNumber_; }

 private:
  bool refill();
  size_t nextLineEnd();

  ByteSource& source_;
  std::vector<char> buffer_;
  size_t begin_ = 0;  // first unread byte
  size_t end_ = 0;    // one past the last byte read from the source
  // Where the next CR and LF lie in the buffer (end_ when there is none). Remembered so
  // that each byte is scanned once per kind of line end, however short the lines.
  size_t nextCr_ = 0;
  size_t nextLf_ = 0;
  std::string spanning_;  // a line that did not fit in what the buffer held
  bool afterCr_ = false;  // the last line ended in CR: an LF right after it belongs to it
  size_t lineNumber_ = 0;
};

// Writes lines, each followed by CR LF, through a buffer. Call flush() before closing the
// sink: nothing is written on destruction, where a failure could not be reported.
class LineWriter {
 public:
  explicit LineWriter(ByteSink& sink);

  void writeLine(std::string_view text);
  // Whole lines that end with CR LF already, as they are.
  void writeLines(std::string_view lines);
  void flush();

 private:
  void append(std::string_view bytes);

  ByteSink& sink_;
  std::vector<char> buffer_;
  size_t used_ = 0;
};

}  // namespace settingsfile
