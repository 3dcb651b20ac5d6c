// The save against the files in memory: whatever step fails, setup.ini is never cut off or
// lost. What the system refuses, and what the player is then told, is the commands test's;
// which lines a save changes, and how, in every encoding, is the fuzzer's to judge.
#include <gtest/gtest.h>

#include <string>

#include "InMemory.h"
#include "settingsfile/SaveSettings.h"

namespace {

using standins::Kind;

// Whichever step fails, once or from then on, for setup.ini as a file or a link, in a folder
// that takes new files or refuses them: setup.ini is old when a failure is reported (unless the
// player is told it may be incomplete), new and durable when none is. Its attributes stay, the
// player's files beside it are untouched, nothing else appears, and setup.tmp is gone or a copy.
TEST(SaveSettings, NoFailureAtAnyStepLeavesSetupIniOtherThanOldOrNew) {
  // A line longer than any buffer, after one that waits in the writer's.
  std::string before = "a=1\r\nb=" + std::string(100'000, 'z') + "\r\n";
  for (int i = 0; i < 6000; ++i) before += "option" + std::to_string(i) + "=value\r\n";
  const std::string after = before + "dynamiclighting=1\r\n";
  before += "dynamiclighting=0\r\n";
  for (const int variant : {0, 1, 2, 3, 4, 5, 6, 7}) {
    const bool linked = variant & 1, inPlace = variant & 2, keepFailing = variant & 4;
    const std::string real = linked ? "/mods/setup.ini" : "setup.ini";
    for (int failAt = 1, saved = false; !saved; ++failAt) {
      standins::MemoryFiles files;
      files.readChunk = 64 * 1024;
      files.files = {{"setup.ini", before}, {"/mods/setup.ini.tmp", "the player's"}};
      if (linked) files.link(real);
      files.attributes[real] = 6;
      files.folderRefuses = inPlace, files.failAt = failAt, files.keepFailing = keepFailing;
      std::optional<Kind> reported;
      try {
        saveSettings(files, standins::Form({1, 0, 0}));
      } catch (const files::FileError& error) {
        reported = error.kind();
      }
      saved = files.failed.empty();
      std::map<std::string, std::string>& now = files.files;
      SCOPED_TRACE(testing::Message() << "variant " << variant << ", failed " << files.failed);
      EXPECT_TRUE(reported || now[real] == after) << "confirmed, but not saved whole";
      EXPECT_EQ(now[real] == before, reported && reported != Kind::Incomplete);
      EXPECT_TRUE(reported || !files.unflushed || keepFailing) << "confirmed, not durable";
      EXPECT_EQ(files.attributes[real], 6) << "attributes lost";
      EXPECT_EQ(now["/mods/setup.ini.tmp"], "the player's");
      EXPECT_EQ(now.size(), 2u + now.count("setup.tmp")) << "a stray file";
      EXPECT_EQ(now.count("setup.tmp") ? now["setup.tmp"] : now[real], now[real]);
    }
  }
}

}  // namespace
