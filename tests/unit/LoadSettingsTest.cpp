// The load over a stand-in form: what each entry does to the controls, in every encoding, and
// which entries stop it, with the line they are on as the player will be shown it.
#include <gtest/gtest.h>

#include <string>

#include "InMemory.h"
#include "settingsfile/LoadSettings.h"

using settingsfile::FileError;
using settingsfile::InvalidSetting;
using settingsfile::TextureOption;
using namespace std::string_literals;

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
     "[Video]\r\nDynamicLighting=1\r\ndynamiclightin=1\r\n;dynamiclighting=1\r\nx "
     "postprocessing=1\r\n",
     {0, 0, 0},
     std::nullopt},
    {"a key goes to the wrong control, or blanks around a line hide its key or value",
     "dynamiclighting=1\r\n  postprocessing = 2 "
     "\r\n\tproducelogfiles=1\t\r\ndividetexturesize=2\r\n",
     {1, 2, 1},
     TextureOption::Medium},
    {"the value is not the last character",
     "dynamiclighting=10\r\ndividetexturesize=24\r\n",
     {0, 0, 0},
     TextureOption::Low},
    {"a repeated key is not decided by its last entry, or a divisor other than 0, 2, 4 selects",
     "producelogfiles=0\r\nproducelogfiles=2\r\ndividetexturesize=0\r\ndividetexturesize=1\r\n",
     {0, 0, 2},
     TextureOption::High},
    {"lone LF or CR line ends are not lines",
     "dynamiclighting=1\npostprocessing=1\rproducelogfiles=1",
     {1, 1, 1},
     std::nullopt},
    {"a UTF-8 byte order mark hides the key of line 1",
     "\xEF\xBB\xBF"
     "postprocessing=1",
     {0, 1, 0},
     std::nullopt},
    {"a UTF-16 file is read as bytes",
     "\xFF\xFE"
     "d\0y\0n\0a\0m\0i\0c\0l\0i\0g\0h\0t\0i\0n\0g\0=\0"
     "1\0"s,
     {1, 0, 0},
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

TEST(LoadSettings, StopsAtTheFirstUnusableValueAndShowsItsLine) {
  const struct {
    std::string file;
    size_t line;
    std::string shown;
  } cases[] = {
      {"dynamiclighting=3\r\n", 1, "dynamiclighting=3"},
      {"a=1\r\n\r\npostprocessing=9\r\n", 3, "postprocessing=9"},
      {"x\ndynamiclighting\n", 2, "dynamiclighting"},  // the bare key's value is its own "g"
      {"dynamiclighting=1\r\rdividetexturesize=\xe9\r", 3, "dividetexturesize=\xc3\xa9"},
      {"\xFE\xFF\0p\0r\0o\0d\0u\0c\0e\0l\0o\0g\0f\0i\0l\0e\0s\0=\xD8\x3D\xDE\0"s, 1,
       "producelogfiles=\xF0\x9F\x98\x80"},
      {"producelogfiles=" + std::string(100, '0') + "x", 1,
       "producelogfiles=" + std::string(44, '0') + " ... " + std::string(19, '0') + "x"},
  };
  for (const auto& c : cases) {
    standins::MemoryFiles files;
    files.files["setup.ini"] = c.file;
    standins::Form form;
    try {
      loadSettings(files, form);
      ADD_FAILURE() << "accepted: " << c.file;
    } catch (const InvalidSetting& error) {
      EXPECT_EQ(error.line(), c.line) << c.file;
      EXPECT_EQ(error.excerpt(), c.shown);
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
    EXPECT_EQ(error.kind(), FileError::Kind::NotFound);
  }
  files.files["setup.ini"] = "dynamiclighting=1\r\n";
  files.failAt = 2;  // the first read
  try {
    loadSettings(files, form);
    ADD_FAILURE() << "a read failure was not reported";
  } catch (const FileError& error) {
    EXPECT_NE(error.kind(), FileError::Kind::NotFound);
  }
}

}  // namespace
