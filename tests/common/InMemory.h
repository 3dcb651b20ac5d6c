// The window's form state and the machine's files in memory, for the native tests and the
// fuzzer alike: a form that holds the six controls' states, and files that can fail on
// demand. Nothing here depends on a test framework.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settingsfile/Files.h"
#include "settingsfile/SettingsForm.h"

namespace standins {

using settingsfile::CheckBox;
using settingsfile::TextureOption;

class Form : public settingsfile::SettingsForm {
 public:
  std::array<int, 3> checks{};
  std::optional<TextureOption> selected;

  // The load must never hand the form a state the window cannot show.
  void setCheckState(CheckBox box, int state) override;
  int checkState(CheckBox box) const override { return checks[static_cast<size_t>(box)]; }
  void selectOption(TextureOption option) override { selected = option; }
  bool isSelected(TextureOption option) const override { return selected == option; }

  bool operator==(const Form& other) const {
    return checks == other.checks && selected == other.selected;
  }
};

// Files in memory, visible to the test the moment they are written. With `failAt` set,
// the failAt-th file operation (counting opens, reads, writes, flushes, closes and
// replaces) fails; a failing write first puts half its bytes in the file, as a full disk
// would.
class MemoryFiles : public settingsfile::FileSystem {
 public:
  std::map<std::string, std::string> files;
  int failAt = 0;
  int operations = 0;
  std::vector<std::string> failed;  // what was made to fail, e.g. "write setup.tmp"
  size_t readChunk = 7;             // small, so lines straddle reads

  std::unique_ptr<settingsfile::ByteSource> openForReading(const std::string& name) override;
  std::unique_ptr<settingsfile::ByteSink> openForWriting(const std::string& name) override;
  void replace(const std::string& from, const std::string& to) override;

  // Counts one operation; throws when it is the one to fail.
  void step(const std::string& what, const std::string& name);
};

}  // namespace standins
