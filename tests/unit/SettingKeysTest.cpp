// Which entries belong to which key, and which character is their value.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settingsfile/SettingKeys.h"

using settingsfile::matchKey;
using settingsfile::valueDigit;

namespace {

struct MatchCase {
  std::string entry;
  const char* key;  // null: belongs to no key
};

TEST(SettingKeys, MatchesKeysFromTheEntrysFirstCharacter) {
  const MatchCase cases[] = {
      {"dynamiclighting=1", "dynamiclighting"},
      {"dividetexturesize=2", "dividetexturesize"},
      {"producelogfiles=0", "producelogfiles"},
      {"postprocessing=1", "postprocessing"},
      // Nothing after the key is looked at.
      {"dynamiclightingX=1", "dynamiclighting"},
      {"dynamiclighting", "dynamiclighting"},
      // Hand-edited blanks around the line do not hide the key.
      {"  dynamiclighting=1 ", "dynamiclighting"},
      {"\tpostprocessing=0\t", "postprocessing"},
      // Case, a shorter prefix, or anything before the key keeps the entry out.
      {"DynamicLighting=1", nullptr},
      {"dynamiclightin", nullptr},
      {"postprocessin=1", nullptr},
      {";dynamiclighting=1", nullptr},
      {"x dynamiclighting=1", nullptr},
      {"", nullptr},
      {"   ", nullptr},
  };
  for (const MatchCase& c : cases) {
    const settingsfile::SettingKey* row = matchKey(c.entry);
    if (c.key) {
      ASSERT_NE(row, nullptr) << c.entry;
      EXPECT_EQ(row->key, c.key) << c.entry;
    } else {
      EXPECT_EQ(row, nullptr) << c.entry;
    }
  }
}

TEST(SettingKeys, TakesTheLastCharacterAsTheValue) {
  const std::pair<std::string, std::optional<int>> cases[] = {
      {"dynamiclighting=1", 1},
      {"dynamiclighting=10", 0},
      {"dynamiclighting=x9", 9},
      {"dynamiclighting=2 \t", 2},
      {"dynamiclighting", std::nullopt},
      {"dividetexturesize=", std::nullopt},
      {"postprocessing=-", std::nullopt},
      {"postprocessing=1x", std::nullopt},
      {"producelogfiles=\xb9", std::nullopt},
  };
  for (const auto& [entry, value] : cases) EXPECT_EQ(valueDigit(entry), value) << entry;
}

}  // namespace
