// The save: that no failure at any step leaves setup.ini other than old or completely new, or
// a scratch file that lies; and the machine's own files. That the rename replaces setup.ini
// with no moment without it, the end-to-end tests watch on the real system. Which
// lines a save changes, and how, in every encoding, the fuzzer holds against its own reading of
// arbitrary files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "InMemory.h"
#include "settingsfile/SaveSettings.h"

namespace {

const standins::Form kLightingOn({1, 0, 0});

// Every operation of the save fails in turn, and then every one after it too, for setup.ini as
// a file and as a link, in a folder that takes new files and in one that refuses them.
TEST(SaveSettings, NoFailureAtAnyStepLosesSetupIniOrLeavesAScratchFileThatLies) {
  using Kind = settingsfile::FileError::Kind;
  std::string before = "a=1\r\nb=" + std::string(100'000, 'z') + "\r\n";  // beyond any buffer
  for (int i = 0; i < 6000; ++i) before += "option" + std::to_string(i) + "=value\r\n";
  const std::string after = before + "dynamiclighting=1\r\n";
  before += "dynamiclighting=0\r\n";
  for (const int variant : {0, 1, 2, 3, 4, 5, 6, 7}) {
    const bool linked = variant & 1, inPlace = variant & 2, keepFailing = variant & 4;
    const std::string real = linked ? "/mods/setup.ini" : "setup.ini";
    std::set<std::string> failed;
    for (int failAt = 1; !failed.count(""); ++failAt) {  // until one runs with no failure
      standins::MemoryFiles files;
      files.readChunk = 64 * 1024;
      files.files[real] = before;
      files.files["/mods/setup.ini.tmp"] = "the player's";
      if (linked) files.links["setup.ini"] = real;
      files.attributes[real] = 6;
      files.folderRefuses = inPlace;
      files.failAt = failAt;
      files.keepFailing = keepFailing;
      std::optional<Kind> reported;
      try {
        saveSettings(files, kLightingOn);
      } catch (const settingsfile::FileError& error) {
        reported = error.kind();
      }
      SCOPED_TRACE(testing::Message() << "variant " << variant << ", failed " << files.failed);
      failed.insert(files.failed.substr(0, files.failed.find(' ')));
      // Unreported, only what follows the replace may have failed; reported, setup.ini is old
      // unless the player is told it may be incomplete.
      EXPECT_TRUE(reported || files.files[real] == after) << "confirmed, but not saved whole";
      EXPECT_EQ(files.files[real] == before, reported && reported != Kind::Incomplete);
      EXPECT_TRUE(reported || files.renamed.empty() || keepFailing ||
                  files.failed.starts_with("flushfolder"))
          << "confirmed before the folder was flushed";
      EXPECT_EQ(files.attributes[real], 6) << "attributes lost";
      EXPECT_EQ(files.files["/mods/setup.ini.tmp"], "the player's");
      EXPECT_EQ(files.files.size(), 2u + files.files.count("setup.tmp")) << "a stray file";
      // setup.tmp is gone or a copy of setup.ini.
      EXPECT_EQ(files.files.count("setup.tmp") ? files.files["setup.tmp"] : files.files[real],
                files.files[real]);
    }
    using Steps = std::set<std::string>;
    if (keepFailing) continue;
    EXPECT_EQ(failed,
              (inPlace ? Steps{"", "resolve", "create", "open", "read", "write", "flush", "close"}
                       : Steps{"", "resolve", "open", "read", "create", "write", "flush", "close",
                               "attributes", "replace", "flushfolder"}));
  }
}

// The machine's own files: setup.tmp is emptied before it is written, whatever it held.
TEST(SaveSettings, SavesThroughTheMachinesFiles) {
  namespace fs = std::filesystem;
  const fs::path game = fs::temp_directory_path() / ("save-" + std::to_string(getpid()));
  fs::create_directories(game);
  std::ofstream(game / "setup.ini", std::ios::binary) << "a=1\ndynamiclighting=0";
  std::ofstream(game / "setup.tmp", std::ios::binary) << std::string(100, 'x');
  const fs::path previous = fs::current_path();
  fs::current_path(game);
  saveSettings(settingsfile::machineFiles(), kLightingOn);
  for (const char* name : {"setup.ini", "setup.tmp"}) {
    std::ifstream file(name, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator(file), {}), "a=1\r\ndynamiclighting=1\r\n");
  }
  fs::current_path(previous);
  fs::remove_all(game);
}

}  // namespace
