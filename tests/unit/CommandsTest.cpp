// The window's handlers with stand-ins for the window, the files and the platform: what they
// tell the player when the system refuses a file (after how long a wait), a save in place fails
// half way, or the editor cannot start. The messages a
// player meets most are checked end to end, where the player sees them.
#include <gtest/gtest.h>

#include "InMemory.h"
#include "shell/Commands.h"

using Kind = settingsfile::FileError::Kind;

namespace {

struct Platform : shell::Platform {
  std::string shown, opened;  // shown: every message, its title and text a line apart
  int paused = 0;             // milliseconds in all
  void showMessage(const std::string& text, const std::string& title) override {
    shown += title + "\n" + text + "\n";
  }
  void pause(int milliseconds) override { paused += milliseconds; }
  void openInTextEditor(const std::string& file) override {
    opened = file;
    throw shell::SystemFailure("No editor.");
  }
};

// A file another program holds is waited for about two seconds, on load and on save; no other
// refusal is waited for. That a file let go within the wait is then used, the end-to-end tests
// see.
TEST(Commands, ARefusalIsToldWithTheReasonAndWhatThePlayerCanDoAfterAWaitForAHeldFileOnly) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = "a=1\r\n";
  files.failAt = 1;
  files.keepFailing = true;
  files.failKind = Kind::InUse;
  standins::Form form;
  Platform platform;
  EXPECT_FALSE(shell::onLoad(files, form, platform));
  EXPECT_EQ(shell::onAccept(files, form, platform), shell::AfterCommand::KeepWindow);
  EXPECT_EQ(platform.paused, 2 * 2000);
  platform.shown.clear();
  files.failAt = files.operations + 1;
  files.failKind = Kind::AccessDenied;
  shell::onAccept(files, form, platform);
  EXPECT_EQ(platform.paused, 2 * 2000);
  // A save in place whose write fails, and then the writing back of the old content too.
  files.folderRefuses = true;
  files.failAt = files.operations + 7;  // resolve, create, open, read twice, create, write
  shell::onAccept(files, form, platform);
  files.copies["KOLT-Game.log"] = "C:\\VirtualStore\\KOLT-Game.log";
  shell::onViewLog(files, platform);
  EXPECT_EQ(platform.opened, "C:\\VirtualStore\\KOLT-Game.log");
  EXPECT_EQ(platform.shown,
            "Settings not saved\nsetup.ini could not be used: injected fault\n\nsetup.ini has not "
            "been changed. Windows does not let setup.exe change the game's files, as when the "
            "game is installed under Program Files: start setup.exe as administrator (right-click "
            "it, then Run as administrator). You can try Accept again, or Cancel to quit.\n"
            "Settings not saved\nsetup.ini could not be used: injected fault\n\nsetup.ini may now "
            "be incomplete: its old content could not be put back. Check it before you start the "
            "game. You can try Accept again, or Cancel to quit.\n"
            "View Log\nThe text editor could not be started to show KOLT-Game.log: No editor.\n");
}

}  // namespace
