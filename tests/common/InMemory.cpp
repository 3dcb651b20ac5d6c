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
    const std::string& content = files_.files.at(name_);
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
    const bool fails = files_.fails("write", name_);
    files_.files[name_].append(data, fails ? size / 2 : size);
    if (fails) throw FileError(name_, "written", "injected fault");
  }
  void flushToDisk() override {
    files_.step("flush", name_);
    files_.onDisk[name_] = files_.files[name_].size();
  }
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

bool MemoryFiles::fails(const char* what, const std::string& name) {
  if (++operations != failAt) return false;
  failed = std::string(what) + " " + name;
  return true;
}

void MemoryFiles::step(const char* what, const std::string& name) {
  if (fails(what, name)) throw FileError(name, "used", "injected fault");
}

std::unique_ptr<settingsfile::ByteSource> MemoryFiles::openForReading(const std::string& name) {
  step("open", name);
  const std::string file = links.count(name) ? links[name] : name;
  if (!files.count(file)) throw FileError(name, "read", "no such file", FileError::Kind::NotFound);
  return std::make_unique<Source>(*this, file);
}

std::unique_ptr<settingsfile::ByteSink> MemoryFiles::openForWriting(const std::string& name) {
  step("create", name);
  files[name].clear();
  onDisk.erase(name);
  return std::make_unique<Sink>(*this, name);
}

std::optional<std::string> MemoryFiles::linkTarget(const std::string& name) {
  step("resolve", name);
  if (links.count(name)) return links[name];
  return std::nullopt;
}

void MemoryFiles::takeAttributes(const std::string& file, const std::string& original) {
  step("attributes", file);
  if (attributes[original] & kReadOnly) {
    throw FileError(original, "replaced", "read-only", FileError::Kind::ReadOnly);
  }
  attributes[file] = attributes[original];
}

void MemoryFiles::replace(const std::string& from, const std::string& to) {
  step("replace", to);
  if (onDisk[from] != files.at(from).size()) {
    throw std::logic_error(from + " replaced " + to + " before all of it was on the disk");
  }
  files[to] = files.at(from);
  attributes[to] = attributes[from];
  files.erase(from);
  attributes.erase(from);
}

void MemoryFiles::remove(const std::string& name) noexcept {
  if (!removeFails) files.erase(name);
}

}  // namespace standins
