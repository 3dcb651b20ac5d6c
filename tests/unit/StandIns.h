// Stand-ins for the window and the machine, so the settings-file code and the window's
// handlers run natively and fast: the form and the files in memory, and a platform that
// records what the player was shown.
#pragma once

#include <string>
#include <vector>

#include "InMemory.h"
#include "shell/Platform.h"

namespace standins {

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
