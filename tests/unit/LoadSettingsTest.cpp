// The load: how an unusable line is shown to the player. Every rule of keys and values, in every
// encoding, the fuzzer holds against its own reading of arbitrary files.
#include <gtest/gtest.h>

#include "InMemory.h"
#include "settingsfile/LoadSettings.h"

using namespace std::string_literals;

namespace {

standins::Form loaded(const std::string& file) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  standins::Form form;
  loadSettings(files, form);
  return form;
}

TEST(LoadSettings, ShowsTheFirstUnusableLineAsTheMessageCanShowItInUtf8) {
  const struct {
    std::string file;
    size_t line;
    std::string shown;
  } cases[] = {
      {"a=1\r\n\r\npostprocessing=3\r\ndynamiclighting=x\r\n", 3, "postprocessing=3"},
      {"dividetexturesize=\xe9", 1, "dividetexturesize=\xc3\xa9"},  // the code page: here Latin-1
      {"\xFF\xFE"
       "p\0r\0o\0d\0u\0c\0e\0l\0o\0g\0f\0i\0l\0e\0s\0=\0\x3D\xD8\0\xDE"s,
       1, "producelogfiles=\xF0\x9F\x98\x80"},
      {"producelogfiles=" + std::string(100, '0') + "x", 1,
       "producelogfiles=" + std::string(44, '0') + " ... " + std::string(19, '0') + "x"},
  };
  for (const auto& c : cases) {
    try {
      loaded(c.file);
      ADD_FAILURE() << "accepted: " << c.file;
    } catch (const settingsfile::InvalidSetting& error) {
      EXPECT_EQ(error.line(), c.line) << c.file;
      EXPECT_EQ(error.excerpt(), c.shown);
    }
  }
}

}  // namespace
