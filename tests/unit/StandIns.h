// Stand-ins for the window and the machine, so the settings-file code and the window's
// handlers run natively and fast: a form that holds the six controls' states, files in
// memory that can fail on demand, and a platform that records what the player was shown.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "settingsfile/Files.h"
#include "settingsfile/SettingsForm.h"
#include "shell/Platform.h"

namespace standins {

using settingsfile::CheckBox;
using settingsfile::TextureOption;

class Form : public settingsfile::SettingsForm {
 public:
  std::array<int, 3> checks{};
  std::optional<TextureOption> selected;

  void setCheckState(CheckBox box, int state) override {
    if (state < 0 || state > settingsfile::kMaxCheckState) {
      ADD_FAILURE() << "check state " << state << " reached the form";
      throw std::invalid_argument("invalid check state");
    }
    checks[static_cast<size_t>(box)] = state;
  }
  int checkState(CheckBox box) const override { return checks[static_cast<size_t>(box)]; }
  void selectOption(TextureOption option) override { selected = option; }
  bool isSelected(TextureOption option) const override { return selected == option; }
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

class Platform : public shell::Platform {
 public:
  struct Message {
    std::string text, title;
  };
  std::vector<Message> messages;
  std::vector<std::string> editorStarts;
  bool editorFails = false;

  void showMessage(const std::string& text, const std::string& title) override {
    messages.push_back({text, title});
  }
  void openInTextEditor(const std::string& file) override {
    if (editorFails) throw shell::SystemFailure("The system cannot find the file specified.");
    editorStarts.push_back(file);
  }
};

}  // namespace standins
