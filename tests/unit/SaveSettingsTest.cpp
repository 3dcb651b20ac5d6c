// The save: that no failure at any step leaves setup.ini other than old or completely new, or
// a scratch file that lies. The machine's files, and a rename that leaves no moment without
// setup.ini, the end-to-end tests watch on the real system; which lines a save changes, and
// how, in every encoding, the fuzzer holds against its own reading of arbitrary files.
#include <gtest/gtest.h>

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
      EXPECT_TRUE(reported || !files.unflushed || keepFailing ||
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

}  // namespace
