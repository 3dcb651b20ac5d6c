// Settings entries in and out of a byte stream: one line of the file per entry, in the
// file's own encoding. The byte order mark, and a last odd byte of a UTF-16 file, are kept
// as they are, outside every line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "files/Encoding.h"
#include "files/Files.h"

namespace settingsfile {

// Reads a file line by line. A line ends at CR LF, a lone LF or a lone CR, each a code unit of
// the file's encoding; the entry is the bytes of every unit before that, untouched: commas,
// quotes, blanks, NUL and unpaired surrogates included. A last line without a line end is
// still an entry; a line end at the very end of the file does not make an extra empty one.
// Memory grows with the longest line, never with the file.
class EntryReader {
 public:
  // Reads as far as the file's byte order mark can reach.
  explicit EntryReader(files::ByteSource& source);

  files::Encoding encoding() const { return encoding_; }

  // The next entry, or nothing once the file is exhausted. The view stays valid until the
  // next call. Failures of the source reach the caller as they are.
  std::optional<std::string_view> next();

  // The 1-based line number of the entry last returned.
  size_t lineNumber() const { return lineNumber_; }

  // A byte after the last whole UTF-16 unit, which no line holds; known once next() has
  // returned nothing.
  std::string_view oddByte() const;

 private:
  void refill();

  files::ByteSource& source_;
  files::Encoding encoding_ = files::Encoding::CodePage;
  size_t unit_ = 1;
  std::string bytes_;  // read and not yet handed out, from begin_
  size_t begin_ = 0;
  std::string chunk_;
  bool exhausted_ = false;
  size_t lineNumber_ = 0;
};

// Writes a file in an encoding: its byte order mark, then lines, each followed by CR LF in
// the encoding's code units, through a buffer. Call flush() before closing the sink: nothing
// is written on destruction, where a failure could not be reported.
class LineWriter {
 public:
  LineWriter(files::ByteSink& sink, files::Encoding encoding);

  // An entry's bytes, which are already in the encoding, and a line end.
  void writeLine(std::string_view entry);
  // Bytes outside every line, as they are: an odd last byte.
  void writeBytes(std::string_view bytes);
  void flush();

 private:
  files::ByteSink& sink_;
  std::string lineEnd_;
  std::string buffer_;
};

}  // namespace settingsfile
