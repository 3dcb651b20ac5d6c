// The window's handlers with stand-ins for the window, the files and the platform: what the
// player is told and asked, how long a held file is waited for, and whether the window stays.
// The messages a player meets most are checked end to end, where the player sees them.
#include <gtest/gtest.h>

#include <numeric>

#include "InMemory.h"
#include "shell/Commands.h"

namespace {

using shell::AfterCommand;
using standins::MemoryFiles;

struct Platform : shell::Platform {
  std::string shown, opened;  // shown: every message, its title and text a line apart
  int paused = 0;             // milliseconds in all
  void (*onPause)(MemoryFiles&) = nullptr;
  MemoryFiles* files = nullptr;
  std::optional<std::string> running;  // the program seen running from `runningIn`
  std::string runningIn = ".";
  std::vector<std::string> searched;  // the folders it was looked for in
  std::string question;               // the last one asked
  bool answer = false;
  void showMessage(const std::string& text, const std::string& title) override {
    shown += title + "\n" + text + "\n";
  }
  bool ask(const std::string& text, const std::string&) override {
    question = text;
    return answer;
  }
  void pause(int milliseconds) override {
    paused += milliseconds;
    if (onPause) onPause(*files);
  }
  std::optional<std::string> runningProgramIn(const std::string& folder) override {
    searched.push_back(folder);
    return running && folder == runningIn ? running : std::nullopt;
  }
  void openInTextEditor(const std::string& file) override {
    opened = file;
    throw shell::SystemFailure("No editor.");
  }
};

// A game folder whose setup.ini has Dynamic Lighting off, its window, and the platform.
struct Commands : testing::Test {
  MemoryFiles files;
  standins::Form form{{1, 0, 0}};
  Platform platform;
  void SetUp() override {
    files.files["setup.ini"] = "dynamiclighting=0\r\n";
    platform.files = &files;
  }
  bool told(const std::string& text) const {
    return platform.shown.find(text) != std::string::npos;
  }
};

constexpr int kWholeWait =
    std::accumulate(std::begin(shell::kHeldFileWaits), std::end(shell::kHeldFileWaits), 0);

TEST_F(Commands, WaitsOnlyForAHeldFile) {
  files.held["setup.ini"] = standins::kShareNothing;
  EXPECT_FALSE(shell::onLoad(files, form, platform));
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::KeepWindow);
  EXPECT_EQ(platform.paused, 2 * kWholeWait);
  files.held.clear();
  files.noReplace = files.noWrite = {"setup.ini"};
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::KeepWindow);
  EXPECT_EQ(platform.paused, 2 * kWholeWait) << "waited for a file it may not change";
}

TEST_F(Commands, SavesAFileLetGoDuringTheWait) {
  files.held["setup.ini"] = standins::kShareNothing;
  platform.onPause = [](MemoryFiles& files) { files.held.clear(); };
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::EndProgram);
  EXPECT_EQ(files.files["setup.ini"], "dynamiclighting=1\r\n");
  EXPECT_EQ(platform.shown, "Settings Saved\nSettings saved successfully.\n");
}

// A refused save: the system's reason, whether setup.ini changed, what the player can do, and
// trying again where that can help; the window stays.
TEST_F(Commands, TellsWhyASaveWasRefusedAndWhatThePlayerCanDo) {
  const struct {
    void (*refuse)(MemoryFiles&);
    std::vector<std::string> told;
    bool tryAgain = true;
  } cases[] = {
      {[](MemoryFiles& f) { f.attributes["setup.ini"] = standins::kReadOnly; },
       {"setup.ini could not be replaced: refused", "has not been changed",
        "setup.ini is read-only"}},
      {[](MemoryFiles& f) { f.noReplace = f.noWrite = {"setup.ini"}; },
       {"setup.ini could not be written: refused", "has not been changed", "as administrator"}},
      {[](MemoryFiles& f) { f.held["setup.ini"] = standins::kShareRead; },
       {"setup.ini could not be replaced: refused", "Another program, perhaps the game, is using"}},
      {[](MemoryFiles& f) {
         f.failAt = 1, f.keepFailing = true, f.failKind = standins::Kind::WriteProtected;
       },
       {"injected fault", "has not been changed", "remove its write protection"}},
      {[](MemoryFiles& f) { f.diskFull = true; },
       {"setup.tmp could not be written", "has not been changed"}},
      {[](MemoryFiles& f) { f.diskFull = f.folderRefuses = true; },
       {"setup.ini could not be written", "may now be incomplete", "Check it before"}},
      {[](MemoryFiles& f) {
         f.links["setup.ini"] = "/mods/setup.ini";
         f.files["/mods/setup.ini"] = f.files["setup.ini"];
         for (const char* n : {"", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9"})
           f.files["/mods/setup.ini" + std::string(n) + ".tmp"] = "";
       },
       {"/mods/setup.ini could not be replaced", "are all taken", "can be deleted"},
       false},
  };
  for (const auto& c : cases) {
    files = MemoryFiles();
    SetUp();
    c.refuse(files);
    platform.shown.clear();
    EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::KeepWindow);
    SCOPED_TRACE(platform.shown);
    EXPECT_TRUE(platform.shown.starts_with("Settings not saved\n"));
    for (const std::string& text : c.told) EXPECT_TRUE(told(text)) << text;
    EXPECT_EQ(told("You can try Accept again, or Cancel to quit."), c.tryAgain);
  }
}

TEST_F(Commands, ViewLogOpensTheLogTheGameWritesAndTellsWhyTheEditorDidNotStart) {
  files.copies["KOLT-Game.log"] = "C:\\VirtualStore\\KOLT-Game.log";
  shell::onViewLog(files, platform);
  EXPECT_EQ(platform.opened, "C:\\VirtualStore\\KOLT-Game.log");
  EXPECT_TRUE(told("View Log\n")) << platform.shown;
  EXPECT_TRUE(told("No editor.")) << platform.shown;
}

// Before anything is written: the game, running from its folder or from that of the copy it
// reads, may write its own settings back when it quits. Only Yes saves.
TEST_F(Commands, AsksBeforeSavingWhileTheGameRunsFromItsFolder) {
  const std::string copy = files.copies["setup.ini"] = "/VirtualStore/Game/setup.ini";
  files.files[copy] = files.files["setup.ini"];
  platform.running = "KOLT-Game.exe";
  for (const std::string folder : {".", "/VirtualStore/Game/."}) {
    platform.runningIn = folder;
    platform.answer = false;
    const auto before = files.files;
    EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::KeepWindow) << folder;
    EXPECT_NE(platform.question.find("KOLT-Game.exe"), std::string::npos) << platform.question;
    EXPECT_EQ(files.files, before) << "written before the answer";
    EXPECT_EQ(platform.shown, "") << "told more than the question";
  }
  platform.answer = true;
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::EndProgram);
  EXPECT_EQ(files.files[copy], "dynamiclighting=1\r\n");
  platform.running.reset();
  platform.question.clear();
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::EndProgram);
  EXPECT_EQ(platform.question, "") << "asked with nothing running";
}

}  // namespace
