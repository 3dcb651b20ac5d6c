// The save against the files in memory, which follow Windows' rules: what setup.ini and the
// files beside it hold afterwards, whatever the system refuses and wherever a step fails.
// Which lines a save changes, and how, in every encoding, is the fuzzer's to judge.
#include <gtest/gtest.h>

#include <string>

#include "InMemory.h"
#include "settingsfile/SaveSettings.h"

namespace {

using standins::Kind;

const std::string kBefore = "a=1\r\ndynamiclighting=0\r\n", kAfter = "a=1\r\ndynamiclighting=1\r\n";

// A game folder with setup.ini, saved with Dynamic Lighting checked.
struct Game {
  standins::MemoryFiles files;
  Game() { files.files["setup.ini"] = kBefore; }
  // The kind of failure the save reports, or nothing when it saved.
  std::optional<Kind> save() {
    try {
      saveSettings(files, standins::Form({1, 0, 0}));
    } catch (const files::FileError& error) {
      return error.kind();
    }
    return std::nullopt;
  }
  void link(const std::string& target) {
    files.files[target] = files.files["setup.ini"];
    files.files.erase("setup.ini");
    files.links["setup.ini"] = target;
  }
};

struct SaveSettings : testing::Test, Game {};

// Whichever step fails, once or from then on, setup.ini is old or new, never cut off: old when a
// failure is reported (unless the player is told it may be incomplete), new and durable when
// none is. The attributes stay, nothing else appears, and setup.tmp is gone or a copy.
TEST_F(SaveSettings, NoFailureAtAnyStepLeavesSetupIniOtherThanOldOrNew) {
  std::string before = "b=" + std::string(100'000, 'z') + "\r\n";  // beyond any buffer
  for (int i = 0; i < 6000; ++i) before += "option" + std::to_string(i) + "=value\r\n";
  for (const int variant : {0, 1, 2, 3, 4, 5, 6, 7}) {
    const bool linked = variant & 1, inPlace = variant & 2, keepFailing = variant & 4;
    const std::string real = linked ? "/mods/setup.ini" : "setup.ini";
    for (int failAt = 1, saved = false; !saved; ++failAt) {
      Game at;
      at.files.readChunk = 64 * 1024;
      at.files.files["setup.ini"] = before + kBefore;
      if (linked) at.link(real);
      at.files.files["/mods/setup.ini.tmp"] = "the player's";
      at.files.attributes[real] = 6;
      at.files.folderRefuses = inPlace;
      at.files.failAt = failAt;
      at.files.keepFailing = keepFailing;
      const std::optional<Kind> reported = at.save();
      saved = at.files.failed.empty();
      std::map<std::string, std::string>& now = at.files.files;
      SCOPED_TRACE(testing::Message() << "variant " << variant << ", failed " << at.files.failed);
      EXPECT_TRUE(reported || now[real] == before + kAfter) << "confirmed, but not saved whole";
      EXPECT_EQ(now[real] == before + kBefore, reported && reported != Kind::Incomplete);
      EXPECT_TRUE(reported || !at.files.unflushed || keepFailing) << "confirmed, not durable";
      EXPECT_EQ(at.files.attributes[real], 6) << "attributes lost";
      EXPECT_EQ(now["/mods/setup.ini.tmp"], "the player's");
      EXPECT_EQ(now.size(), 2u + now.count("setup.tmp")) << "a stray file";
      EXPECT_EQ(now.count("setup.tmp") ? now["setup.tmp"] : now[real], now[real]);
    }
  }
}

// Another program holds setup.ini: no rename may replace it, whatever that program shares.
TEST_F(SaveSettings, TellsASetupIniHeldByAnotherProgramAsInUseAndLeavesIt) {
  for (const int share : {standins::kShareNothing, standins::kShareRead,
                          standins::kShareRead | standins::kShareWrite}) {
    files.held["setup.ini"] = share;
    EXPECT_EQ(save(), Kind::InUse) << share;
    EXPECT_EQ(files.files["setup.ini"], kBefore) << share;
    EXPECT_EQ(files.files.size(), 1u) << "a stray scratch file";
  }
}

// Where the player may write setup.ini but not replace it: a folder that refuses new files, or
// a setup.ini of another owner in a folder that takes the player's.
TEST_F(SaveSettings, WritesSetupIniInPlaceWhereItMayBeWrittenButNotReplaced) {
  for (const bool folderRefuses : {false, true}) {
    Game game;
    game.files.folderRefuses = folderRefuses;
    game.files.noReplace = {"setup.ini"};
    EXPECT_EQ(game.save(), std::nullopt) << folderRefuses;
    // setup.tmp a copy where the folder takes it; no scratch file left.
    std::map<std::string, std::string> expected{{"setup.ini", kAfter}, {"setup.tmp", kAfter}};
    if (folderRefuses) expected.erase("setup.tmp");
    EXPECT_EQ(game.files.files, expected);
  }
}

TEST_F(SaveSettings, RefusesASetupIniThePlayerMayNeitherReplaceNorWrite) {
  files.noReplace = files.noWrite = {"setup.ini"};
  EXPECT_EQ(save(), Kind::AccessDenied);
  EXPECT_EQ(files.files["setup.ini"], kBefore);
  EXPECT_EQ(files.files.size(), 1u) << "the scratch file is left";
}

// A setup.tmp of an earlier save holds old settings: a copy of the new setup.ini, or gone.
TEST_F(SaveSettings, LeavesNoSetupTmpWithOldSettingsAfterASaveInPlace) {
  files.folderRefuses = true;
  for (const bool writable : {true, false}) {
    files.files["setup.tmp"] = kBefore;
    files.noWrite = writable ? std::set<std::string>{} : std::set<std::string>{"setup.tmp"};
    EXPECT_EQ(save(), std::nullopt);
    EXPECT_EQ(files.files.count("setup.tmp") ? files.files["setup.tmp"] : kAfter, kAfter);
  }
}

// The read-only attribute of a link is its own, not its file's: the file's must refuse.
TEST_F(SaveSettings, RefusesTheReadOnlyFileALinkLeadsToAsReadOnly) {
  link("/mods/setup.ini");
  files.attributes["/mods/setup.ini"] = standins::kReadOnly;
  for (const bool folderRefuses : {false, true}) {
    files.folderRefuses = folderRefuses;
    EXPECT_EQ(save(), Kind::ReadOnly) << folderRefuses;
    EXPECT_EQ(files.files["/mods/setup.ini"], kBefore);
  }
}

// Each save killed beside a link's target leaves a scratch name taken; none is written over.
TEST_F(SaveSettings, NamesTheScratchNamesWhenEveryOneBesideALinksFileIsTaken) {
  link("/mods/setup.ini");
  files.files["/mods/setup.ini.tmp"] = "taken";
  for (char n = '1'; n <= '9'; ++n) files.files["/mods/setup.ini." + std::string{n} + ".tmp"] = "";
  try {
    saveSettings(files, standins::Form({1, 0, 0}));
    ADD_FAILURE() << "saved";
  } catch (const files::FileError& error) {
    EXPECT_EQ(error.kind(), Kind::NamesTaken);
    EXPECT_NE(std::string(error.what()).find("setup.ini.tmp and setup.ini.1.tmp to setup.ini.9"),
              std::string::npos)
        << error.what();
  }
  EXPECT_EQ(files.files["/mods/setup.ini.tmp"], "taken");
  EXPECT_EQ(files.files["/mods/setup.ini"], kBefore);
}

// The rename is durable once the folder, or else the new file, is flushed; refused both, the
// save stands, since the game reads the new file already.
TEST_F(SaveSettings, MakesTheRenameDurableThroughTheFileWhenTheFolderRefusesItsFlush) {
  files.folderFlushRefused = true;
  EXPECT_EQ(save(), std::nullopt);
  EXPECT_FALSE(files.unflushed);
  files.fileFlushRefused = true;
  EXPECT_EQ(save(), std::nullopt);
  EXPECT_EQ(files.files["setup.ini"], kAfter);
}

}  // namespace
