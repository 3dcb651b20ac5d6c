// The save: which lines change and how, that every other byte is carried through, and
// that no failure at any step leaves setup.ini other than old or completely new.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "StandIns.h"
#include "settingsfile/SaveSettings.h"

using settingsfile::FileError;
using settingsfile::TextureOption;

namespace {

using namespace std::string_literals;

standins::Form formWith(std::array<int, 3> checks, std::optional<TextureOption> selected) {
  standins::Form form;
  form.checks = checks;
  form.selected = selected;
  return form;
}

struct SaveCase {
  const char* fault;
  std::string before;
  standins::Form form;
  std::string after;
};

const SaveCase kSaveCases[] = {
    {"the four keys are not replaced from the controls",
     "dynamiclighting=0\r\ndividetexturesize=2\r\nproducelogfiles=1\r\npostprocessing=0\r\n",
     formWith({1, 1, 0}, TextureOption::Low),
     "dynamiclighting=1\r\ndividetexturesize=4\r\nproducelogfiles=0\r\npostprocessing=1\r\n"},
    {"a texture entry is touched with no option selected",
     "dividetexturesize=1 \r\ndividetexturesize=8\r\n", formWith({0, 0, 0}, std::nullopt),
     "dividetexturesize=1 \r\ndividetexturesize=8\r\n"},
    {"High is not written as divisor 0", "dividetexturesize=4\r\n",
     formWith({0, 0, 0}, TextureOption::High), "dividetexturesize=0\r\n"},
    {"a greyed box is not written as 2", "postprocessing=1\r\n", formWith({0, 2, 0}, std::nullopt),
     "postprocessing=2\r\n"},
    {"a repeated key keeps an old value", "dynamiclighting=0\r\nx=1\r\ndynamiclighting=2\r\n",
     formWith({1, 0, 0}, std::nullopt), "dynamiclighting=1\r\nx=1\r\ndynamiclighting=1\r\n"},
    {"a matching entry is not replaced whole", "dynamiclightingX=1\r\n  producelogfiles = 1 \r\n",
     formWith({0, 0, 1}, std::nullopt), "dynamiclighting=0\r\nproducelogfiles=1\r\n"},
    {"a missing key is added", "[Video]\r\nwidth=800\r\n", formWith({1, 1, 1}, TextureOption::Low),
     "[Video]\r\nwidth=800\r\n"},
    {"an empty file gains lines", "", formWith({1, 1, 1}, TextureOption::Low), ""},
    {"a last line without CR LF does not gain one", "a=1\r\nb=2", formWith({0, 0, 0}, std::nullopt),
     "a=1\r\nb=2\r\n"},
    {"lone LF and CR line ends are not made CR LF", "a=1\nb=2\rc=3\r\n",
     formWith({0, 0, 0}, std::nullopt), "a=1\r\nb=2\r\nc=3\r\n"},
    {"other lines lose commas, quotes, blanks, NUL or non-ASCII bytes",
     "name=\"Kolt, the Brave\"\r\n\t ; comment, with \"quotes\" \r\n\r\nx=a\0b\r\n"
     "caf\xe9=\xff\xfe\r\ndynamiclighting=0\r\n"s,
     formWith({1, 0, 0}, std::nullopt),
     "name=\"Kolt, the Brave\"\r\n\t ; comment, with \"quotes\" \r\n\r\nx=a\0b\r\n"
     "caf\xe9=\xff\xfe\r\ndynamiclighting=1\r\n"s},
};

TEST(SaveSettings, ReplacesTheFourKeysAndCarriesEveryOtherByte) {
  for (const SaveCase& c : kSaveCases) {
    standins::MemoryFiles files;
    files.files["setup.ini"] = c.before;
    files.files["setup.tmp"] = "stale scratch content";
    saveSettings(files, c.form);
    EXPECT_EQ(files.files["setup.ini"], c.after) << c.fault;
    EXPECT_EQ(files.files["setup.tmp"], c.after) << c.fault << " (setup.tmp)";
    EXPECT_EQ(files.files.size(), 2u) << c.fault;
  }
}

TEST(SaveSettings, NoFailureAtAnyStepLeavesAPartialSetupIni) {
  // Long enough that the edited copy is written in several pieces.
  std::string before;
  for (int i = 0; i < 6000; ++i) before += "option" + std::to_string(i) + "=value\r\n";
  before += "dynamiclighting=0\r\ndividetexturesize=2\r\n";
  const std::string after =
      before.substr(0, before.size() - 40) + "dynamiclighting=1\r\ndividetexturesize=4\r\n";
  const standins::Form form = formWith({1, 0, 0}, TextureOption::Low);

  std::set<std::string> failedKinds;
  for (int failAt = 1;; ++failAt) {
    standins::MemoryFiles files;
    files.readChunk = 64 * 1024;
    files.files["setup.ini"] = before;
    files.failAt = failAt;
    bool reported = false;
    try {
      saveSettings(files, form);
    } catch (const FileError&) {
      reported = true;
    }
    if (files.failed.empty()) break;  // every operation has had its turn to fail
    const std::string& failed = files.failed.front();
    failedKinds.insert(failed.substr(0, failed.find(' ')));
    if (reported) {
      EXPECT_EQ(files.files["setup.ini"], before) << "after a failed " << failed;
    } else {
      // Only the scratch copy made after setup.ini was replaced may fail unreported.
      EXPECT_EQ(files.files["setup.ini"], after) << "after a failed " << failed;
    }
    EXPECT_LE(files.files.size(), 2u);
  }
  EXPECT_EQ(failedKinds, (std::set<std::string>{"open", "read", "create", "write", "flush", "close",
                                                "replace"}));
}

// The machine's own files, in a scratch folder: the rename really replaces setup.ini.
TEST(SaveSettings, SavesThroughTheMachinesFiles) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("settings-save-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  std::ofstream("setup.ini", std::ios::binary) << "a=1\ndynamiclighting=0";
  saveSettings(settingsfile::machineFiles(), formWith({1, 0, 0}, std::nullopt));
  const auto content = [](const char* name) {
    std::stringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
  };
  EXPECT_EQ(content("setup.ini"), "a=1\r\ndynamiclighting=1\r\n");
  EXPECT_EQ(content("setup.tmp"), "a=1\r\ndynamiclighting=1\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
  fs::current_path(previous);
  fs::remove_all(folder);
}

}  // namespace
