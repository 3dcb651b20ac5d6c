// The load over a stand-in form: what each entry does to the controls, and which entries
// stop it, with the line they are on.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "StandIns.h"
#include "settingsfile/LoadSettings.h"

using settingsfile::FileError;
using settingsfile::InvalidSetting;
using settingsfile::TextureOption;

namespace {

struct LoadCase {
  const char* fault;
  std::string file;
  std::array<int, 3> checks;  // Lighting, Bloom, Log
  std::optional<TextureOption> selected;
};

const LoadCase kLoadCases[] = {
    {"an empty file changes a control", "", {0, 0, 0}, std::nullopt},
    {"an entry that does not start with a key, case and all, changes a control",
     "[Video]\r\nwidth=1024\r\nDynamicLighting=1\r\ndynamiclightin=1\r\n;dynamiclighting=1\r\n"
     "x postprocessing=1\r\npostprocessin=1\r\n",
     {0, 0, 0},
     std::nullopt},
    {"a key goes to the wrong control",
     "dynamiclighting=1\r\npostprocessing=2\r\nproducelogfiles=1\r\ndividetexturesize=2\r\n",
     {1, 2, 1},
     TextureOption::Medium},
    {"the value is not the last character",
     "dynamiclighting=10\r\npostprocessing=01\r\ndividetexturesize=24\r\n",
     {0, 1, 0},
     TextureOption::Low},
    {"blanks around a hand-edited line hide its key or value",
     "  dynamiclighting = 1 \r\n\tdividetexturesize=0\t\r\n",
     {1, 0, 0},
     TextureOption::High},
    {"a repeated key is not decided by its last entry",
     "dynamiclighting=1\r\ndynamiclighting=0\r\nproducelogfiles=0\r\nproducelogfiles=2\r\n",
     {0, 0, 2},
     std::nullopt},
    {"a divisor that selects nothing clears the group",
     "dividetexturesize=4\r\ndividetexturesize=1\r\ndividetexturesize=8\r\n",
     {0, 0, 0},
     TextureOption::Low},
    {"a divisor other than 0, 2 or 4 selects something",
     "dividetexturesize=1\r\n",
     {0, 0, 0},
     std::nullopt},
    {"lone LF or CR line ends are not lines",
     "dynamiclighting=1\npostprocessing=1\rproducelogfiles=1",
     {1, 1, 1},
     std::nullopt},
};

TEST(LoadSettings, SetsTheControlsFromTheFourKeys) {
  for (const LoadCase& c : kLoadCases) {
    standins::MemoryFiles files;
    files.files["setup.ini"] = c.file;
    standins::Form form;
    loadSettings(files, form);
    EXPECT_EQ(form.checks, c.checks) << c.fault;
    EXPECT_EQ(form.selected, c.selected) << c.fault;
  }
}

TEST(LoadSettings, StopsAtTheFirstUnusableValueAndNamesItsLine) {
  const std::pair<std::string, size_t> cases[] = {
      {"dynamiclighting=3\r\n", 1},
      {"a=1\r\n\r\npostprocessing=9\r\n", 3},
      {"producelogfiles=x\r\n", 1},
      {"x\ndynamiclighting\n", 2},  // the bare key's value is its own "g"
      {"dividetexturesize=\r\n", 1},
      {"dynamiclighting=1\r\ndividetexturesize=-\r\ndynamiclighting=7\r\n", 2},
  };
  for (const auto& [file, line] : cases) {
    standins::MemoryFiles files;
    files.files["setup.ini"] = file;
    standins::Form form;
    try {
      loadSettings(files, form);
      ADD_FAILURE() << "accepted: " << file;
    } catch (const InvalidSetting& error) {
      EXPECT_EQ(error.line(), line) << file;
    }
  }
}

TEST(LoadSettings, ReportsAMissingFileApartFromOneThatCannotBeRead) {
  standins::MemoryFiles files;
  standins::Form form;
  try {
    loadSettings(files, form);
    ADD_FAILURE() << "a missing setup.ini was accepted";
  } catch (const FileError& error) {
    EXPECT_TRUE(error.notFound());
  }

  files.files["setup.ini"] = "dynamiclighting=1\r\n";
  files.failAt = 2;  // the first read
  try {
    loadSettings(files, form);
    ADD_FAILURE() << "a read failure was not reported";
  } catch (const FileError& error) {
    EXPECT_FALSE(error.notFound());
  }
}

}  // namespace
