// What the program knows of the game's settings file: its name, the scratch file a save
// goes through, the four keys it edits and how an entry is recognised as one of them.
// Everything else in the file is carried through untouched.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>

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

// What an entry of one of the keys starts with: the key, or a blank that may come before it.
inline constexpr auto kKeyStarts = [] {
  std::array<std::string_view, std::size(kSettingKeys) + 2> starts{" ", "\t"};
  for (size_t i = 0; i < std::size(kSettingKeys); ++i) starts[i + 2] = kSettingKeys[i].key;
  return starts;
}();
static_assert(
    [] {
      bool seen[256] = {};
      int distinct = 0;
      for (const std::string_view start : kKeyStarts) {
        bool& first = seen[static_cast<unsigned char>(start.front())];
        distinct += !first;
        first = true;
      }
      return distinct <= 4;
    }(),
    "the entry reader looks for four first bytes at most");

// The key row an entry belongs to, or null. An entry belongs to a key when it starts with
// it, case-sensitively, once the blanks (space, tab) around the entry are set aside:
// "  dynamiclighting=1 " and "dynamiclightingX=1" both belong to "dynamiclighting".
const SettingKey* matchKey(std::string_view entry);

// The value of an entry that belongs to a key: its last character apart from trailing
// blanks, as a digit 0 to 9, or nothing when that character is not a digit. Only that one
// character counts: "dynamiclighting=10" has the value 0.
std::optional<int> valueDigit(std::string_view entry);

// The option the game's texture divisor stands for: 0 High, 2 Medium, 4 Low.
std::optional<TextureOption> textureOptionFor(int divisor);

}  // namespace settingsfile
