// The window's handlers with stand-ins for the window, the files and the platform: what the
// player is told when the system refuses setup.ini or the editor, and whether the window stays. The
// messages of a missing file, an unusable value, a saved file and a read-only one are checked end
// to end, as a player sees them.
#include <gtest/gtest.h>

#include "InMemory.h"
#include "shell/Commands.h"

using settingsfile::FileError;

namespace {

struct Platform : shell::Platform {
  std::string shown;  // every message: title, a line end, text, a line end
  void showMessage(const std::string& text, const std::string& title) override {
    shown += title + "\n" + text + "\n";
  }
  void openInTextEditor(const std::string&) override { throw shell::SystemFailure("No editor."); }
};

// Files whose every opening is refused for one reason.
struct Refusing : standins::MemoryFiles {
  FileError::Kind kind;
  std::unique_ptr<settingsfile::ByteSource> openForReading(const std::string& name) override {
    throw FileError(name, "read", "Access is denied.", kind);
  }
};

TEST(Commands, ARefusalIsToldWithTheReasonAndWhatThePlayerCanDo) {
  const std::string kDenied = "setup.ini could not be read: Access is denied.\n\n";
  for (const auto& [kind, advice] : std::vector<std::pair<FileError::Kind, std::string>>{
           {FileError::Kind::AccessDenied,
            "Windows does not let setup.exe change the game's files, as when the game is installed "
            "under Program Files: start setup.exe as administrator (right-click it, then Run as "
            "administrator)."},
           {FileError::Kind::InUse,
            "Another program, perhaps the game, is using setup.ini: close it."}}) {
    Refusing files;
    files.kind = kind;
    standins::Form form;
    Platform platform;
    EXPECT_FALSE(shell::onLoad(files, form, platform));
    EXPECT_EQ(shell::onAccept(files, form, platform), shell::AfterCommand::KeepWindow);
    shell::onViewLog(platform);
    EXPECT_EQ(platform.shown, "Settings not read\n" + kDenied + advice +
                                  " Then start setup.exe again.\n" + "Settings not saved\n" +
                                  kDenied + "setup.ini has not been changed. " + advice +
                                  " You can try Accept again, or Cancel to quit.\n" +
                                  "View Log\nThe text editor could not be started to show "
                                  "KOLT-Game.log: No editor.\n");
  }
}

}  // namespace
