// The window's handlers with stand-ins for the window, the files and the platform: what the
// player is told in each case, and whether the window stays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InMemory.h"
#include "shell/Commands.h"

using settingsfile::FileError;
using shell::AfterCommand;
using namespace std::string_literals;

namespace {

// Records what the player is shown and which editors are started.
class Platform : public shell::Platform {
 public:
  std::vector<std::string> messages;  // title, then text
  std::vector<std::string> editorStarts;
  bool editorFails = false;

  void showMessage(const std::string& text, const std::string& title) override {
    messages.push_back(title + "\n" + text);
  }
  void openInTextEditor(const std::string& file) override {
    if (editorFails) throw shell::SystemFailure("The system cannot find the file specified.");
    editorStarts.push_back(file);
  }
};

TEST(Commands, LoadTellsWhatIsWrongWithSetupIni) {
  const struct {
    std::string file;  // "-": none
    int failAt;
    std::string shown;
  } cases[] = {
      {"-", 0,
       "Missing file!\nsetup.ini file was not found. Make sure setup.exe and setup.ini are present "
       "in the game directory."},
      {"a=1\r\n\tdividetexturesize=1\0x\r\n"s, 0,
       "Invalid setting\nsetup.ini, line 2, holds a value this program cannot use:\n\n"
       "\"\tdividetexturesize=1?x\"\n\nThe value of dividetexturesize must be a digit: 0 for "
       "High, 2 for Medium, 4 for Low. Correct or remove this line in setup.ini, then start "
       "setup.exe again."},
      {"producelogfiles=5", 0, "Invalid setting\nsetup.ini, line 1,"},
      {"x=1\r\n", 2, "Settings not read\nsetup.ini could not be used: injected fault"},
  };
  for (const auto& c : cases) {
    standins::MemoryFiles files;
    if (c.file != "-") files.files["setup.ini"] = c.file;
    files.failAt = c.failAt;
    standins::Form form;
    Platform platform;
    EXPECT_FALSE(shell::onLoad(files, form, platform));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].substr(0, c.shown.size()), c.shown);
  }
  standins::MemoryFiles files;
  files.files["setup.ini"] = "producelogfiles=5";
  standins::Form form;
  Platform platform;
  shell::onLoad(files, form, platform);
  EXPECT_NE(platform.messages[0].find("The value of producelogfiles must be 0, 1 or 2."),
            std::string::npos);
}

// A file system whose replace is refused for the given reason.
class Refusing : public standins::MemoryFiles {
 public:
  explicit Refusing(FileError::Kind kind) : kind_(kind) {}
  void replace(const std::string&, const std::string& to) override {
    throw FileError(to, "replaced", "Access is denied.", kind_);
  }

 private:
  FileError::Kind kind_;
};

TEST(Commands, AcceptConfirmsAndEndsOnlyWhenSavedAndSaysWhatThePlayerCanDo) {
  const struct {
    FileError::Kind kind;
    const char* advice;
  } refusals[] = {
      {FileError::Kind::ReadOnly, "setup.ini is read-only: clear Read-only in its Properties."},
      {FileError::Kind::AccessDenied, "start setup.exe as administrator"},
      {FileError::Kind::InUse, "Another program, perhaps the game, is using setup.ini: close it."},
  };
  for (const auto& refusal : refusals) {
    Refusing files(refusal.kind);
    files.files["setup.ini"] = "dynamiclighting=0\r\n";
    standins::Form form;
    form.checks[0] = 1;
    Platform platform;
    EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::KeepWindow);
    ASSERT_EQ(platform.messages.size(), 1u);
    const std::string& shown = platform.messages[0];
    EXPECT_EQ(shown.substr(0, shown.find(". ") + 1),
              "Settings not saved\nsetup.ini could not be replaced: Access is denied.\n\nsetup.ini "
              "has not been changed.");
    EXPECT_NE(shown.find(refusal.advice), std::string::npos) << shown;
    EXPECT_EQ(files.files["setup.ini"], "dynamiclighting=0\r\n");
  }

  standins::MemoryFiles files;
  files.files["setup.ini"] = "dynamiclighting=0\r\n";
  standins::Form form;
  form.checks[0] = 1;
  Platform platform;
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::EndProgram);
  EXPECT_EQ(platform.messages,
            std::vector<std::string>{"Settings Saved\nSettings saved successfully."});
  EXPECT_EQ(files.files["setup.ini"], "dynamiclighting=1\r\n");
}

TEST(Commands, ViewLogOpensTheLogAndSaysSoWhenItCannot) {
  Platform platform;
  shell::onViewLog(platform);
  EXPECT_EQ(platform.editorStarts, std::vector<std::string>{"KOLT-Game.log"});
  EXPECT_TRUE(platform.messages.empty());
  platform.editorFails = true;
  shell::onViewLog(platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].find("cannot find the file"), std::string::npos);
}

}  // namespace
