#include "InMemory.h"

#include <algorithm>
#include <stdexcept>

namespace standins {

using settingsfile::FileError;

namespace {

class Source : public settingsfile::ByteSource {
 public:
  Source(MemoryFiles& files, std::string name) : files_(files), name_(std::move(name)) {}
  size_t read(char* buffer, size_t capacity) override {
    files_.step("read", name_);
    const std::string& content = files_.files[name_];
    const size_t size = std::min({capacity, files_.readChunk, content.size() - offset_});
    std::copy_n(content.data() + offset_, size, buffer);
    offset_ += size;
    return size;
  }

 private:
  MemoryFiles& files_;
  std::string name_;
  size_t offset_ = 0;
};

class Sink : public settingsfile::ByteSink {
 public:
  Sink(MemoryFiles& files, std::string name) : files_(files), name_(std::move(name)) {}
  void write(const char* data, size_t size) override {
    try {
      files_.step("write", name_);
    } catch (const FileError&) {
      files_.files[name_].append(data, size / 2);
      throw;
    }
    files_.files[name_].append(data, size);
  }
  void flushToDisk() override { files_.step("flush", name_); }
  void close() override { files_.step("close", name_); }

 private:
  MemoryFiles& files_;
  std::string name_;
};

}  // namespace

void Form::setCheckState(CheckBox box, int state) {
  if (state < 0 || state > settingsfile::kMaxCheckState) {
    throw std::invalid_argument("check state " + std::to_string(state) + " reached the form");
  }
  checks[static_cast<size_t>(box)] = state;
}

void MemoryFiles::step(const std::string& what, const std::string& name) {
  if (++operations != failAt) return;
  failed.push_back(what + " " + name);
  throw FileError(name, "used", "injected fault");
}

std::unique_ptr<settingsfile::ByteSource> MemoryFiles::openForReading(const std::string& name) {
  step("open", name);
  if (!files.count(name)) {
    throw FileError(name, "read", "no such file", FileError::Kind::NotFound);
  }
  return std::make_unique<Source>(*this, name);
}

std::unique_ptr<settingsfile::ByteSink> MemoryFiles::openForWriting(const std::string& name) {
  step("create", name);
  files[name].clear();
  return std::make_unique<Sink>(*this, name);
}

void MemoryFiles::replace(const std::string& from, const std::string& to) {
  step("replace", to);
  files[to] = files.at(from);
  files.erase(from);
}

}  // namespace standins
