// The save: writes the setting controls back into setup.ini.
#pragma once

#include "settingsfile/Files.h"
#include "settingsfile/SettingsForm.h"

namespace settingsfile {

// Rewrites setup.ini from a fresh read of it: each entry of the four keys is replaced
// whole by the key, "=" and the control's value; every other entry is carried through
// byte for byte, in order; every line ends in CR LF. A texture entry stays as it was when
// no option is selected. No entry is ever added or removed.
//
// The new content goes to setup.tmp, reaches the disk, and then takes the place of
// setup.ini in one atomic step; setup.tmp is left holding a copy of the new setup.ini.
// Throws FileError; whenever it does, setup.ini holds its old content.
void saveSettings(FileSystem& files, const SettingsForm& form);

}  // namespace settingsfile
