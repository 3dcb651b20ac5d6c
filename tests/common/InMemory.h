// The window's form state and the machine's files in memory, for the native tests and the
// fuzzer alike: a form that holds the six controls' states, and files that follow Windows'
// rules for links, attributes, other programs holding files, permissions, full disks and
// flushes. Nothing here depends on a test framework.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>  // std::logic_error
#include <string>

#include "files/Files.h"
#include "settingsfile/SettingsForm.h"

namespace standins {

using files::FileError;
using Kind = FileError::Kind;

struct Form : settingsfile::SettingsForm {
  std::array<int, 3> checks{};  // Lighting, Bloom, Log
  std::optional<settingsfile::TextureOption> selected;
  explicit Form(std::array<int, 3> checks = {}) : checks(checks) {}

  void setCheckState(settingsfile::CheckBox box, int state) override { checks[int(box)] = state; }
  int checkState(settingsfile::CheckBox box) const override { return checks[int(box)]; }
  void selectOption(settingsfile::TextureOption option) override { selected = option; }
  bool isSelected(settingsfile::TextureOption option) const override { return selected == option; }
};

// What another program that holds a file lets others do with it.
constexpr int kShareNothing = 0, kShareRead = 1, kShareWrite = 2;
constexpr int kReadOnly = 1;  // the attribute, as Windows numbers it

// Files in memory, visible to the test the moment they are written, under Windows' rules:
// - a name's attributes are its own: a link has none of its file's;
// - a file another program holds (`held`) opens only as it shares, and is never replaced or
//   removed, whatever it shares;
// - a file the player may write but not replace or remove (`noReplace`), as in a folder that
//   takes the player's new files but keeps its owner's; one the player may not write
//   (`noWrite`); a read-only file is written by no one;
// - a folder that refuses new files (`folderRefuses`), as one only an administrator may change;
// - a replace is durable once the folder or the new file itself is flushed (`unflushed` names
//   the file until then), as on NTFS; either flush may be refused;
// - a full disk takes half of a write, then refuses it; read-only media refuse every write.
// Replacing a file with one not wholly flushed to disk, which a crash could leave cut off, or not
// closed, whose last failure would go unreported, is a fault of the program: it throws
// std::logic_error.
struct MemoryFiles : files::FileSystem {
  std::map<std::string, std::string> files, links, copies;  // links: the file each leads to;
  std::map<std::string, int> attributes, held;              // copies: the one the game reads
  std::set<std::string> noReplace, noWrite, flushed, open;  // open: for writing, not closed
  std::optional<std::string> unflushed;
  bool folderRefuses = false, folderFlushRefused = false, fileFlushRefused = false;
  bool diskFull = false, writeProtected = false;
  size_t readChunk = 7;  // small, so lines straddle reads

  // `action` as in FileError: "read", "written", "replaced", "flushed".
  static void refuse(bool refused, const std::string& name, const char* action, Kind kind) {
    if (refused) throw FileError(name, action, "refused by the system", kind);
  }
  std::string fileOf(const std::string& name) { return links.count(name) ? links[name] : name; }
  // setup.ini made a link to `target`, which takes its content.
  void link(const std::string& target) {
    files[target] = files["setup.ini"], files.erase("setup.ini"), links["setup.ini"] = target;
  }
  bool shares(const std::string& file, int share) {
    return !held.count(file) || (held[file] & share) == share;
  }
  static std::string folder(const std::string& name) { return name.substr(0, name.rfind('/') + 1); }

  struct Open : files::ByteSource, files::ByteSink {  // for reading or writing
    MemoryFiles& files;
    std::string name;
    size_t offset = 0;
    Open(MemoryFiles& files, std::string name) : files(files), name(std::move(name)) {}
    size_t read(char* buffer, size_t capacity) override {
      const std::string& content = files.files[name];
      const size_t size = std::min({capacity, files.readChunk, content.size() - offset});
      std::copy_n(content.data() + offset, size, buffer);
      return offset += size, size;
    }
    void write(const char* data, size_t size) override {
      files.flushed.erase(name);
      files.files[name].append(data, files.diskFull ? size / 2 : size);
      refuse(files.diskFull, name, "written", Kind::Other);
    }
    void flushToDisk() override { files.flushed.insert(name); }
    void close() override { files.open.erase(name); }
  };
  std::unique_ptr<files::ByteSource> openForReading(const std::string& name) override {
    const std::string file = fileOf(name);
    refuse(!files.count(file), name, "read", Kind::NotFound);
    refuse(!shares(file, kShareRead), name, "read", Kind::InUse);
    return std::make_unique<Open>(*this, file);
  }
  std::string gameCopy(const std::string& name) override {
    return copies.count(name) ? copies[name] : name;
  }
  std::unique_ptr<files::ByteSink> openForWriting(const std::string& name,
                                                  files::Creation creation) override {
    const std::string file = fileOf(name);
    const bool exists = files.count(file), existing = creation == files::Creation::Existing;
    refuse(writeProtected, name, "written", Kind::WriteProtected);
    if (creation == files::Creation::New && exists) return nullptr;
    refuse(existing && attributes[name] & kReadOnly, name, "written", Kind::ReadOnly);
    refuse(existing && !exists, name, "written", Kind::NotFound);
    refuse(exists ? noWrite.count(file) || attributes[file] & kReadOnly : folderRefuses, name,
           "written", Kind::AccessDenied);
    refuse(!shares(file, kShareWrite), name, "written", Kind::InUse);
    files[file].clear(), flushed.erase(file), open.insert(file);
    return std::make_unique<Open>(*this, file);
  }
  std::optional<std::string> linkTarget(const std::string& name) override {
    return links.count(name) ? std::optional(links[name]) : std::nullopt;
  }
  void takeAttributes(const std::string& file, const std::string& original) override {
    refuse(attributes[original] & kReadOnly, original, "replaced", Kind::ReadOnly);
    attributes[file] = attributes[original];
  }
  void replace(const std::string& from, const std::string& to) override {
    refuse(held.count(to), to, "replaced", Kind::InUse);
    refuse(noReplace.count(to), to, "replaced", Kind::AccessDenied);
    if (!flushed.count(from) || open.count(from))
      throw std::logic_error(from + " replaced before it was on disk and closed");
    files[to] = files[from], attributes[to] = attributes[from];
    files.erase(from), attributes.erase(from), flushed.insert(to);
    unflushed = to;
  }
  void flushFolderOf(const std::string& name) override {
    refuse(folderFlushRefused, name, "flushed", Kind::AccessDenied);
    if (unflushed && folder(*unflushed) == folder(name)) unflushed.reset();
  }
  void flushFile(const std::string& name) override {
    refuse(fileFlushRefused, name, "flushed", Kind::AccessDenied);
    if (unflushed == fileOf(name)) unflushed.reset();
  }
  void remove(const std::string& name) noexcept override {
    if (!held.count(name) && !noReplace.count(name)) files.erase(name);
  }
};

}  // namespace standins
