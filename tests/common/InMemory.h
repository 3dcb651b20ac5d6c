// The window's form state and the machine's files in memory, for the native tests and the
// fuzzer alike: a form that holds the six controls' states, and files, links and attributes
// that can fail on demand. Nothing here depends on a test framework.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>

#include "settingsfile/Files.h"
#include "settingsfile/SettingsForm.h"

namespace standins {

struct Form : settingsfile::SettingsForm {
  std::array<int, 3> checks{};  // Lighting, Bloom, Log
  std::optional<settingsfile::TextureOption> selected;

  // The load must never hand the form a state the window cannot show.
  void setCheckState(settingsfile::CheckBox box, int state) override;
  int checkState(settingsfile::CheckBox box) const override {
    return checks[static_cast<int>(box)];
  }
  void selectOption(settingsfile::TextureOption option) override { selected = option; }
  bool isSelected(settingsfile::TextureOption option) const override { return selected == option; }
  bool operator==(const Form& other) const {
    return checks == other.checks && selected == other.selected;
  }
};

// Files in memory, visible to the test the moment they are written. With `failAt` set, the
// failAt-th operation (opens, reads, writes, flushes, closes, link lookups, attributes and
// replaces all count) fails; a failing write first puts half its bytes in the file, as a full
// disk would. With `removeFails`, files stay where the program removes them. Replacing a file
// with one not wholly flushed to disk, which a crash could leave cut off, is a fault of the
// program: it throws std::logic_error.
struct MemoryFiles : settingsfile::FileSystem {
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> links;  // name: the file it leads to
  std::map<std::string, int> attributes;  // carried over by a replacement
  std::map<std::string, size_t> onDisk;  // how much of each file a flush has made durable
  int failAt = 0, operations = 0;
  bool removeFails = false;
  std::string failed;    // what was made to fail, e.g. "write setup.tmp"
  size_t readChunk = 7;  // small, so lines straddle reads

  std::unique_ptr<settingsfile::ByteSource> openForReading(const std::string& name) override;
  std::unique_ptr<settingsfile::ByteSink> openForWriting(const std::string& name) override;
  std::optional<std::string> linkTarget(const std::string& name) override;
  void takeAttributes(const std::string& file, const std::string& original) override;
  void replace(const std::string& from, const std::string& to) override;
  void remove(const std::string& name) noexcept override;
  // Counts one operation; true when it is the one to fail.
  bool fails(const char* what, const std::string& name);
};

}  // namespace standins
