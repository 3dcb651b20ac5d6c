// What the program knows of the game's settings file: its name, the scratch file a save
// goes through, the four keys it edits and how an entry is recognised as one of them.
// Everything else in the file is carried through untouched.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "files/Encoding.h"
#include "settingsfile/SettingsForm.h"

namespace settingsfile {

inline constexpr const char* kSettingsFile = "setup.ini";
inline constexpr const char* kScratchFile = "setup.tmp";

struct SettingKey {
  std::string_view key;
  // The check box that holds the setting; none for the texture option group.
  std::optional<CheckBox> box;
};

inline constexpr SettingKey kSettingKeys[] = {
    {"dynamiclighting", CheckBox::Lighting},
    {"dividetexturesize", std::nullopt},
    {"producelogfiles", CheckBox::Log},
    {"postprocessing", CheckBox::Bloom},
};

// The key row an entry belongs to, or null. An entry belongs to a key when it starts with
// it, case-sensitively, once the blanks (space, tab) around the entry are set aside:
// "  dynamiclighting=1 " and "dynamiclightingX=1" both belong to "dynamiclighting".
const SettingKey* matchKey(std::string_view entry,
                           files::Encoding encoding = files::Encoding::CodePage);

// The value of an entry that belongs to a key: its last character apart from trailing
// blanks, as a digit 0 to 9, or nothing when that character is not a digit. Only that one
// character counts: "dynamiclighting=10" has the value 0.
std::optional<int> valueDigit(std::string_view entry,
                              files::Encoding encoding = files::Encoding::CodePage);

// Every texture option, once. Defined in SettingKeys.cpp, not inline here: mingw's linker warns
// of an inline array that several units use once it optimises them together.
extern const TextureOption kTextureOptions[3];

// The option the game's texture divisor stands for: 0 High, 2 Medium, 4 Low.
std::optional<TextureOption> textureOptionFor(int divisor);

}  // namespace settingsfile
