#include "shell/Commands.h"

#include <iterator>
#include <string>

#include "settingsfile/LoadSettings.h"
#include "settingsfile/SaveSettings.h"

namespace shell {

using files::FileError;
using settingsfile::InvalidSetting;

namespace {

// A line of the file as it can stand in a message box: control characters other than tab (a
// NUL would end the text) shown as '?'.
std::string quotable(std::string text) {
  for (char& c : text) {
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) c = '?';
  }
  return text;
}

// A number in decimal, without std::to_string: its table of digit pairs is 200 bytes of
// setup.exe for the one number a message shows.
std::string decimal(std::size_t number) {
  char digits[20];
  char* first = std::end(digits);
  do {
    *--first = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  return std::string(first, std::end(digits));
}

std::string invalidSettingText(const InvalidSetting& error) {
  const std::string key(error.key().key);
  const char* allowed = error.key().box ? " must be 0, 1 or 2."
                                        : " must be a digit: 0 for High, 2 for Medium, 4 for Low.";
  return "setup.ini, line " + decimal(error.line()) +
         ", holds a value this program cannot use:\n\n\"" + quotable(error.excerpt()) +
         "\"\n\nThe value of " + key + allowed +
         " Correct or remove this line in setup.ini, then start setup.exe again.";
}

// What the player can do about a file the system would not let the program use; empty when
// there is nothing to suggest.
std::string advice(const FileError& error) {
  switch (error.kind()) {
    case FileError::Kind::ReadOnly:
      return error.file() + " is read-only: clear Read-only in its Properties.";
    case FileError::Kind::AccessDenied:
      return "Windows does not let setup.exe change the game's files, as when the game is "
             "installed under Program Files: start setup.exe as administrator (right-click it, "
             "then Run as administrator).";
    case FileError::Kind::WriteProtected:
      return "The disk the game is on takes no changes: remove its write protection, or copy the "
             "game to a disk that can be written.";
    case FileError::Kind::InUse:
      return "Another program, perhaps the game, is using " + error.file() + ": close it.";
    case FileError::Kind::NamesTaken:
      return "Saves that were cut short left those files: they can be deleted, and then Accept "
             "can save. Cancel quits.";
    case FileError::Kind::NotFound:
    case FileError::Kind::Incomplete:
    case FileError::Kind::Other:
      break;
  }
  return "";
}

// Whether to try a load or save again after `attempt` failed: when another program holds a
// file it needs, as a backup tool, a sync client or a virus scanner lets go within moments.
// Waits first. Other failures would not pass by waiting.
bool waitedFor(const FileError& error, int attempt, Platform& platform) {
  if (error.kind() != FileError::Kind::InUse || attempt >= int(std::size(kHeldFileWaits))) {
    return false;
  }
  platform.pause(kHeldFileWaits[attempt]);
  return true;
}

}  // namespace

bool onLoad(files::FileSystem& files, settingsfile::SettingsForm& form, Platform& platform) {
  for (int attempt = 0;; ++attempt) {
    try {
      settingsfile::loadSettings(files, form);
      return true;
    } catch (const InvalidSetting& error) {
      platform.showMessage(invalidSettingText(error), "Invalid setting");
    } catch (const FileError& error) {
      if (waitedFor(error, attempt, platform)) continue;
      if (error.kind() == FileError::Kind::NotFound) {
        platform.showMessage(
            "setup.ini file was not found. Make sure setup.exe and setup.ini are present in the "
            "game directory.",
            "Missing file!");
      } else {
        const std::string help = advice(error);
        platform.showMessage(
            std::string(error.what()) + "\n\n" +
                (help.empty() ? "Make sure setup.ini is a file you may read." : help) +
                " Then start setup.exe again.",
            "Settings not read");
      }
    }
    return false;
  }
}

AfterCommand onAccept(files::FileSystem& files, const settingsfile::SettingsForm& form,
                      Platform& platform) {
  // The game reads setup.ini when it starts, and may write its own settings when it quits.
  const std::string copy = files.gameCopy(settingsfile::kSettingsFile);
  std::optional<std::string> game = platform.runningProgramIn(".");
  if (!game && copy != settingsfile::kSettingsFile) {
    game = platform.runningProgramIn(files::folderOf(copy));
  }
  if (game &&
      !platform.ask(*game + " is running from the game's folder. The game reads setup.ini when "
                            "it starts, and may write its own settings over these when it "
                            "quits.\n\nSave anyway?",
                    "Game running")) {
    return AfterCommand::KeepWindow;
  }
  for (int attempt = 0;; ++attempt) {
    try {
      settingsfile::saveSettings(files, form);
    } catch (const FileError& error) {
      if (waitedFor(error, attempt, platform)) continue;
      const char* state = error.kind() == FileError::Kind::Incomplete
                              ? "\n\nsetup.ini may now be incomplete: its old content could not be "
                                "put back. Check it before you start the game. "
                              : "\n\nsetup.ini has not been changed. ";
      std::string help = advice(error);
      // Trying again cannot help until the player has deleted the files that took the names.
      if (error.kind() != FileError::Kind::NamesTaken) {
        help +=
            (help.empty() ? "" : " ") + std::string("You can try Accept again, or Cancel to quit.");
      }
      platform.showMessage(error.what() + (state + help), "Settings not saved");
      return AfterCommand::KeepWindow;
    }
    platform.showMessage("Settings saved successfully.", "Settings Saved");
    return AfterCommand::EndProgram;
  }
}

void onViewLog(files::FileSystem& files, Platform& platform) {
  try {
    platform.openInTextEditor(files.gameCopy(kLogFile));
  } catch (const SystemFailure& failure) {
    platform.showMessage(std::string("The text editor could not be started to show ") + kLogFile +
                             ": " + failure.what(),
                         "View Log");
  }
}

void reportUnexpectedFailure(Platform& platform, const std::exception& failure) {
  platform.showMessage(
      std::string("Game Settings must close after an unexpected failure:\n\n") + failure.what(),
      "Game Settings");
}

}  // namespace shell
