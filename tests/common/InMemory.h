// The window's form state and the machine's files in memory, for the native tests and the
// fuzzer alike: a form that holds the six controls' states, and files, links and attributes
// that can fail on demand. Nothing here depends on a test framework.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <stdexcept>  // std::logic_error
#include <string>

#include "settingsfile/Files.h"
#include "settingsfile/SettingsForm.h"

namespace standins {

using settingsfile::FileError;

struct Form : settingsfile::SettingsForm {
  std::array<int, 3> checks{};  // Lighting, Bloom, Log
  std::optional<settingsfile::TextureOption> selected;
  explicit Form(std::array<int, 3> checks = {}) : checks(checks) {}

  void setCheckState(settingsfile::CheckBox box, int state) override { checks[int(box)] = state; }
  int checkState(settingsfile::CheckBox box) const override { return checks[int(box)]; }
  void selectOption(settingsfile::TextureOption option) override { selected = option; }
  bool isSelected(settingsfile::TextureOption option) const override { return selected == option; }
};

// Files in memory, visible to the test the moment they are written. With `failAt` set, the
// failAt-th operation (opens, reads, writes, flushes, closes, link lookups, attributes,
// replaces and folder flushes all count) fails with `failKind`, and with `keepFailing` every
// one after it too; a failing write first puts half its bytes in the file, as a full disk
// would. Replacing a file with one not wholly flushed to disk, which a crash could leave cut
// off, is a fault of the program: it throws std::logic_error. `unflushed` holds the folder
// of the last file replaced until it is flushed. (That Windows removes no file still open,
// the end-to-end test of a full disk sees.)
struct MemoryFiles : settingsfile::FileSystem {
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> links;   // name: the file it leads to
  std::map<std::string, int> attributes;      // carried over by a replacement
  std::map<std::string, size_t> onDisk;       // how much of each file a flush has made durable
  std::map<std::string, std::string> copies;  // a game file: the copy the game reads
  std::optional<std::string> unflushed;
  bool folderRefuses = false;  // new files, as a folder only an administrator may change
  int failAt = 0, operations = 0;
  bool keepFailing = false;
  FileError::Kind failKind = FileError::Kind::Other;
  std::string failed;    // what was made to fail, e.g. "write setup.tmp"
  size_t readChunk = 7;  // small, so lines straddle reads

  // Counts one operation; throws when it is the one to fail, with `bytes` of a write landed.
  void step(const char* what, const std::string& name, std::string_view bytes = {}) {
    const bool fails = ++operations == failAt || (keepFailing && failAt && operations > failAt);
    if (!bytes.empty())
      files[name].append(bytes.substr(0, fails ? bytes.size() / 2 : bytes.size()));
    if (!fails) return;
    failed = std::string(what) + " " + name;
    throw FileError(name, "used", "injected fault", failKind);
  }
  struct Open : settingsfile::ByteSource, settingsfile::ByteSink {  // for reading or writing
    MemoryFiles& files;
    std::string name;
    size_t offset = 0;
    Open(MemoryFiles& files, std::string name) : files(files), name(std::move(name)) {}
    size_t read(char* buffer, size_t capacity) override {
      files.step("read", name);
      const std::string& content = files.files[name];
      const size_t size = std::min({capacity, files.readChunk, content.size() - offset});
      std::copy_n(content.data() + offset, size, buffer);
      return offset += size, size;
    }
    void write(const char* data, size_t size) override { files.step("write", name, {data, size}); }
    void flushToDisk() override {
      files.step("flush", name);
      files.onDisk[name] = files.files[name].size();
    }
    void close() override { files.step("close", name); }
  };
  std::unique_ptr<settingsfile::ByteSource> openForReading(const std::string& name) override {
    step("open", name);
    const std::string file = links.count(name) ? links[name] : name;
    if (!files.count(file))
      throw FileError(name, "read", "no such file", FileError::Kind::NotFound);
    return std::make_unique<Open>(*this, file);
  }
  std::string gameCopy(const std::string& name) override {
    return copies.count(name) ? copies[name] : name;
  }
  std::unique_ptr<settingsfile::ByteSink> openForWriting(const std::string& name,
                                                         settingsfile::Creation creation) override {
    using settingsfile::Creation;
    step("create", name);
    const std::string file = links.count(name) ? links[name] : name;
    if (creation == Creation::New && files.count(file)) return nullptr;
    if (creation != Creation::Existing && folderRefuses)
      throw FileError(name, "written", "refused", FileError::Kind::AccessDenied);
    files[file].clear();
    onDisk.erase(file);
    return std::make_unique<Open>(*this, file);
  }
  std::optional<std::string> linkTarget(const std::string& name) override {
    step("resolve", name);
    return links.count(name) ? std::optional(links[name]) : std::nullopt;
  }
  void takeAttributes(const std::string& file, const std::string& original) override {
    step("attributes", file);
    attributes[file] = attributes[original];
  }
  void replace(const std::string& from, const std::string& to) override {
    step("replace", to);
    if (onDisk[from] != files[from].size())
      throw std::logic_error(from + " replaced before all was on disk");
    files[to] = files[from];
    attributes[to] = attributes[from];
    files.erase(from);
    attributes.erase(from);
    unflushed = to.substr(0, to.rfind('/') + 1);
  }
  void flushFolderOf(const std::string& name) override {
    step("flushfolder", name);
    if (unflushed == name.substr(0, name.rfind('/') + 1)) unflushed.reset();
  }
  void remove(const std::string& name) noexcept override { files.erase(name); }
};

}  // namespace standins
