// What the window's events do, apart from the window itself: the load, Accept and
// View Log, with everything the player is told. frmSettings calls these with its controls
// and the machine; tests call them with stand-ins.
#pragma once

#include <exception>

#include "files/Files.h"
#include "settingsfile/SettingsForm.h"
#include "shell/Platform.h"

namespace shell {

inline constexpr const char* kLogFile = "KOLT-Game.log";

enum class AfterCommand { KeepWindow, EndProgram };

// The waits, in milliseconds, after each attempt of a load or a save that found a file held by
// another program: about two seconds in all, then the failure stands.
inline constexpr int kHeldFileWaits[] = {50, 100, 200, 400, 500, 750};

// The window's load handler, run once before the window is shown. Returns false when the
// program must end without showing the window; the player has then been told why.
bool onLoad(files::FileSystem& files, settingsfile::SettingsForm& form, Platform& platform);

// Both wait a moment for a file that another program holds.
//
// Saves and confirms, then the program ends. When the save fails the player is told what
// failed, setup.ini is as it was, and the window stays with the player's choices. While a
// program runs from the game's folder, the player is first asked whether to save anyway: No
// writes nothing and keeps the window.
AfterCommand onAccept(files::FileSystem& files, const settingsfile::SettingsForm& form,
                      Platform& platform);

// Opens the game's log, the copy the game writes, in the text editor; the window carries on
// either way.
void onViewLog(files::FileSystem& files, Platform& platform);

// Tells the player of a failure that no handler expected; the program then ends.
void reportUnexpectedFailure(Platform& platform, const std::exception& failure);

}  // namespace shell
