#include "InMemory.h"

#include <algorithm>
#include <stdexcept>

namespace standins {

using settingsfile::FileError;

namespace {

void step(MemoryFiles& files, const char* what, const std::string& name) {
  if (files.fails(what, name)) throw FileError(name, "used", "injected fault");
}

struct Source : settingsfile::ByteSource {
  MemoryFiles& files;
  std::string name;
  size_t offset = 0;
  Source(MemoryFiles& files, std::string name) : files(files), name(std::move(name)) {}
  size_t read(char* buffer, size_t capacity) override {
    step(files, "read", name);
    const std::string& content = files.files.at(name);
    const size_t size = std::min({capacity, files.readChunk, content.size() - offset});
    std::copy_n(content.data() + offset, size, buffer);
    offset += size;
    return size;
  }
};

struct Sink : settingsfile::ByteSink {
  MemoryFiles& files;
  std::string name;
  Sink(MemoryFiles& files, std::string name) : files(files), name(std::move(name)) {}
  void write(const char* data, size_t size) override {
    const bool fails = files.fails("write", name);
    files.files[name].append(data, fails ? size / 2 : size);
    if (fails) throw FileError(name, "written", "injected fault");
  }
  void flushToDisk() override {
    step(files, "flush", name);
    files.onDisk[name] = files.files[name].size();
  }
  void close() override { step(files, "close", name); }
};

}  // namespace

void Form::setCheckState(settingsfile::CheckBox box, int state) {
  if (state < 0 || state > settingsfile::kMaxCheckState) throw std::invalid_argument("check state");
  checks[static_cast<int>(box)] = state;
}

bool MemoryFiles::fails(const char* what, const std::string& name) {
  if (++operations != failAt) return false;
  failed = std::string(what) + " " + name;
  return true;
}

std::unique_ptr<settingsfile::ByteSource> MemoryFiles::openForReading(const std::string& name) {
  step(*this, "open", name);
  const std::string file = links.count(name) ? links[name] : name;
  if (!files.count(file)) throw FileError(name, "read", "no such file", FileError::Kind::NotFound);
  return std::make_unique<Source>(*this, file);
}

std::unique_ptr<settingsfile::ByteSink> MemoryFiles::openForWriting(const std::string& name) {
  step(*this, "create", name);
  files[name].clear();
  onDisk.erase(name);
  return std::make_unique<Sink>(*this, name);
}

std::optional<std::string> MemoryFiles::linkTarget(const std::string& name) {
  step(*this, "resolve", name);
  return links.count(name) ? std::optional(links[name]) : std::nullopt;
}

void MemoryFiles::takeAttributes(const std::string& file, const std::string& original) {
  step(*this, "attributes", file);
  attributes[file] = attributes[original];
}

void MemoryFiles::replace(const std::string& from, const std::string& to) {
  step(*this, "replace", to);
  if (onDisk[from] != files.at(from).size())
    throw std::logic_error(from + " replaced before all of it was on disk");
  files[to] = files.at(from);
  attributes[to] = attributes[from];
  files.erase(from);
  attributes.erase(from);
}

void MemoryFiles::remove(const std::string& name) noexcept {
  if (!removeFails) files.erase(name);
}

}  // namespace standins
