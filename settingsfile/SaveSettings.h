// The save: writes the setting controls back into setup.ini.
#pragma once

#include "files/Files.h"
#include "settingsfile/SettingsForm.h"

namespace settingsfile {

// Rewrites setup.ini from a fresh read of it, in its own encoding: each entry of the four
// keys is replaced whole by the key, "=" and the control's value; every other entry is
// carried through unit for unit, in order; every line ends in CR LF. A texture entry stays as
// it was when no option is selected. No entry is ever added or removed.
//
// The file saved is the copy the game reads (FileSystem::gameCopy). The new content goes to a
// scratch file beside the file that setup.ini is (or, when it is a link, leads to, under a
// name no file has there), reaches the disk, takes that file's attributes and then its place
// in one step, so a link stays a link; the folder is then flushed, or where that is refused,
// the new file. Where the folder refuses the scratch file, or the player may not replace
// setup.ini, the new content is written over setup.ini in place instead, which is not atomic.
// Throws FileError; whenever it does, setup.ini holds its old content, but for Kind::Incomplete.
// Afterwards setup.tmp is a copy of setup.ini, or gone where the system let it be removed; the
// scratch file beside a link's target is gone.
void saveSettings(files::FileSystem& files, const SettingsForm& form);

}  // namespace settingsfile
