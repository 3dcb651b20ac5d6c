#include "settingsfile/EntryReader.h"

#include <algorithm>
#include <cstring>

#include "settingsfile/LineScan.h"

namespace settingsfile {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

// Position of `c` in [from, end) of `data`, or `end` when it is not there.
size_t find(const std::vector<char>& data, size_t from, size_t end, char c) {
  const void* hit = std::memchr(data.data() + from, c, end - from);
  return hit ? static_cast<const char*>(hit) - data.data() : end;
}

}  // namespace

EntryReader::EntryReader(ByteSource& source) : source_(source), buffer_(kBufferSize) {}

bool EntryReader::refill() {
  begin_ = 0;
  end_ = source_.read(buffer_.data(), buffer_.size());
  nextCr_ = find(buffer_, 0, end_, '\r');
  nextLf_ = find(buffer_, 0, end_, '\n');
  return end_ > 0;
}

size_t EntryReader::nextLineEnd() {
  if (nextCr_ < begin_) nextCr_ = find(buffer_, begin_, end_, '\r');
  if (nextLf_ < begin_) nextLf_ = find(buffer_, begin_, end_, '\n');
  return std::min(nextCr_, nextLf_);
}

std::optional<std::string_view> EntryReader::next() {
  bool spans = false;
  for (;;) {
    if (begin_ == end_ && !refill()) {
      if (!spans) return std::nullopt;
      ++lineNumber_;
      return std::string_view(spanning_);
    }
    if (afterCr_) {
      afterCr_ = false;
      if (buffer_[begin_] == '\n') {
        ++begin_;
        continue;
      }
    }
    const size_t lineEnd = nextLineEnd();
    if (lineEnd == end_) {
      if (!spans) spanning_.clear();
      spanning_.append(buffer_.data() + begin_, end_ - begin_);
      spans = true;
      begin_ = end_;
      continue;
    }
    std::string_view piece(buffer_.data() + begin_, lineEnd - begin_);
    afterCr_ = buffer_[lineEnd] == '\r';
    begin_ = lineEnd + 1;
    ++lineNumber_;
    if (!spans) return piece;
    spanning_.append(piece);
    return std::string_view(spanning_);
  }
}

std::optional<std::string_view> EntryReader::nextStartingWith(
    std::span<const std::string_view> prefixes, LineWriter* passedOver) {
  const LinePrefixes wanted(prefixes);
  for (;;) {
    if (begin_ == end_ && !refill()) return std::nullopt;
    if (afterCr_) {
      afterCr_ = false;
      if (buffer_[begin_] == '\n') {
        ++begin_;
        continue;
      }
    }
    const char* const data = buffer_.data();
    const Stop stop = findStop(data + begin_, data + end_, wanted);
    if (passedOver)
      passedOver->writeLines(std::string_view(data + begin_, stop.at - data - begin_));
    lineNumber_ += stop.linesPassed;
    begin_ = stop.at - data;
    if (begin_ != end_) return next();
  }
}

LineWriter::LineWriter(ByteSink& sink) : sink_(sink), buffer_(kBufferSize) {}

void LineWriter::writeLine(std::string_view text) {
  append(text);
  append("\r\n");
}

void LineWriter::writeLines(std::string_view lines) { append(lines); }

void LineWriter::append(std::string_view bytes) {
  if (bytes.size() > buffer_.size() - used_) {
    flush();
    if (bytes.size() > buffer_.size()) {
      sink_.write(bytes.data(), bytes.size());
      return;
    }
  }
  std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
}

void LineWriter::flush() {
  if (used_ == 0) return;
  sink_.write(buffer_.data(), used_);
  used_ = 0;
}

}  // namespace settingsfile
