#include "settingsfile/EntryReader.h"

namespace settingsfile {

using files::ByteSink;
using files::ByteSource;
using files::encoded;
using files::Encoding;
using files::unitAt;
using files::unitSize;

namespace {

constexpr size_t kChunkSize = 64 * 1024;

struct Mark {
  std::string_view bytes;
  Encoding encoding;
};
constexpr Mark kMarks[] = {{"\xEF\xBB\xBF", Encoding::Utf8},
                           {"\xFF\xFE", Encoding::Utf16Le},
                           {"\xFE\xFF", Encoding::Utf16Be}};

}  // namespace

EntryReader::EntryReader(ByteSource& source) : source_(source), chunk_(kChunkSize, '\0') {
  constexpr size_t kLongestMark = 3;
  while (!exhausted_ && bytes_.size() < kLongestMark) {
    const size_t got = source_.read(chunk_.data(), kLongestMark - bytes_.size());
    exhausted_ = got == 0;
    bytes_.append(chunk_.data(), got);
  }
  for (const Mark& mark : kMarks) {
    if (bytes_.starts_with(mark.bytes)) {
      encoding_ = mark.encoding;
      begin_ = mark.bytes.size();
      break;
    }
  }
  unit_ = unitSize(encoding_);
}

void EntryReader::refill() {
  bytes_.erase(0, begin_);
  begin_ = 0;
  const size_t got = source_.read(chunk_.data(), chunk_.size());
  exhausted_ = got == 0;
  bytes_.append(chunk_.data(), got);
}

std::optional<std::string_view> EntryReader::next() {
  size_t scanned = 0;  // bytes from begin_ known to hold no line end
  for (;;) {
    // Whole units only: an odd byte at the end waits for its other half.
    const std::string_view line(bytes_.data() + begin_, (bytes_.size() - begin_) / unit_ * unit_);
    size_t end = scanned;
    char16_t unit = 0;
    while (end < line.size() && (unit = unitAt(line, end, encoding_)) != '\r' && unit != '\n') {
      end += unit_;
    }
    // A CR as the last unit read may be the first half of a CR LF.
    const bool mayGoOn = end + unit_ == line.size() && unit == '\r' && !exhausted_;
    if (end < line.size() && !mayGoOn) {
      const bool crLf =
          unit == '\r' && end + unit_ < line.size() && unitAt(line, end + unit_, encoding_) == '\n';
      begin_ += end + (crLf ? 2 : 1) * unit_;
      ++lineNumber_;
      return line.substr(0, end);
    }
    if (exhausted_) {
      if (line.empty()) return std::nullopt;
      begin_ += line.size();  // the last line, which has no line end
      ++lineNumber_;
      return line;
    }
    scanned = end;
    refill();
  }
}

std::string_view EntryReader::oddByte() const { return std::string_view(bytes_).substr(begin_); }

LineWriter::LineWriter(ByteSink& sink, Encoding encoding)
    : sink_(sink), lineEnd_(encoded("\r\n", encoding)) {
  buffer_.reserve(kChunkSize);
  for (const Mark& mark : kMarks) {
    if (mark.encoding == encoding) buffer_ += mark.bytes;
  }
}

void LineWriter::writeLine(std::string_view entry) {
  writeBytes(entry);
  writeBytes(lineEnd_);
}

void LineWriter::writeBytes(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > kChunkSize) flush();
  if (bytes.size() >= kChunkSize) {
    sink_.write(bytes.data(), bytes.size());
  } else {
    buffer_ += bytes;
  }
}

void LineWriter::flush() {
  if (buffer_.empty()) return;
  sink_.write(buffer_.data(), buffer_.size());
  buffer_.clear();
}

}  // namespace settingsfile
