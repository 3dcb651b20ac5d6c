// The window's handlers with stand-ins for the window, the files and the platform: how long a
// handler waits for a file another program holds, and what it tells the player when the system
// refuses a file, a save in place fails half way, or the editor cannot start. The messages a
// player meets most are checked end to end, where the player sees them.
#include <gtest/gtest.h>

#include "InMemory.h"
#include "shell/Commands.h"

using settingsfile::FileError;

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

TEST(Commands, AFileHeldByAnotherProgramIsWaitedForAboutTwoSecondsAndNothingElseIs) {
  const struct {
    FileError::Kind kind;
    bool keepFailing;
    int paused;
  } cases[] = {{FileError::Kind::InUse, false, 50},
               {FileError::Kind::InUse, true, 2000},
               {FileError::Kind::AccessDenied, false, 0}};
  for (const auto& [kind, keepFailing, paused] : cases) {
    for (const bool load : {true, false}) {
      standins::MemoryFiles files;
      files.files["setup.ini"] = "dynamiclighting=1\r\n";
      files.failAt = 1, files.failKind = kind, files.keepFailing = keepFailing;
      standins::Form form;
      Platform platform;
      const bool done =
          load ? shell::onLoad(files, form, platform)
               : shell::onAccept(files, form, platform) == shell::AfterCommand::EndProgram;
      EXPECT_EQ(done, paused == 50) << int(kind) << keepFailing << load;
      EXPECT_EQ(platform.paused, paused) << int(kind) << keepFailing << load;
      EXPECT_EQ(files.files["setup.ini"][16], done && !load ? '0' : '1');  // the digit
    }
  }
}

TEST(Commands, ARefusalIsToldWithTheReasonAndWhatThePlayerCanDo) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = "a=1\r\n";
  files.failAt = 1, files.failKind = FileError::Kind::AccessDenied;
  standins::Form form;
  Platform platform;
  shell::onAccept(files, form, platform);
  // A save in place whose write fails, and then the writing back of the old content too.
  files.folderRefuses = files.keepFailing = true;
  files.failAt = files.operations + 7;  // resolve, create, open, read twice, create, write
  files.failKind = FileError::Kind::Other;
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
