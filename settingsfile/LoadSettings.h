// The load: reads setup.ini once, start to end, into the setting controls.
#pragma once

#include <cstddef>
#include <exception>
#include <string>

#include "files/Files.h"
#include "settingsfile/SettingKeys.h"
#include "settingsfile/SettingsForm.h"

namespace settingsfile {

// An entry of one of the four keys whose value the program cannot use: not a digit, or a
// check box digit above 2.
class InvalidSetting : public std::exception {
 public:
  InvalidSetting(size_t line, std::string excerpt, const SettingKey& key);

  const char* what() const noexcept override { return "invalid value in setup.ini"; }
  size_t line() const { return line_; }
  // The line as UTF-8, whatever the file's encoding; a long one cut in its middle to its
  // first 60 and last 20 characters, keeping the value at its end.
  const std::string& excerpt() const { return excerpt_; }
  const SettingKey& key() const { return key_; }

 private:
  size_t line_;
  std::string excerpt_;
  const SettingKey& key_;
};

// Reads the copy of setup.ini that the game reads (FileSystem::gameCopy).
// Sets the form's controls from the entries of the four keys, in file order, so a key that
// occurs twice is decided by its last entry; for the texture group, by the last entry
// whose digit selects an option (0, 2 or 4). Other entries are passed over.
// Throws FileError when setup.ini cannot be opened or read, InvalidSetting at the first
// unusable value; controls set before that keep their new state.
void loadSettings(files::FileSystem& files, SettingsForm& form);

}  // namespace settingsfile
