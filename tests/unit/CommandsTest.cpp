// The window's handlers with stand-ins for the window, the files and the platform: for each place
// setup.ini may be and what the system refuses there, what the player is told or asked, how long
// a held file is waited for, and what setup.ini and the files beside it hold afterwards.
#include <gtest/gtest.h>

#include <numeric>

#include "InMemory.h"
#include "shell/Commands.h"

namespace {

using shell::AfterCommand;
using standins::MemoryFiles;

// A line longer than any buffer, after one that waits in the writer's.
const std::string kLines = "a=1\r\nb=" + std::string(100'000, 'z') + "\r\n";
const std::string kBefore = kLines + "dynamiclighting=0\r\n",
                  kAfter = kLines + "dynamiclighting=1\r\n";
constexpr const char* kSaved = "Settings Saved\nSettings saved successfully.\n";
constexpr int kWholeWait =
    std::accumulate(std::begin(shell::kHeldFileWaits), std::end(shell::kHeldFileWaits), 0);

struct Platform : shell::Platform {
  std::string shown, question, opened;         // shown: every message, title and text a line apart
  int paused = 0;                              // milliseconds in all
  std::map<std::string, std::string> running;  // folder: the program running from it
  bool answer = false;
  void showMessage(const std::string& text, const std::string& title) override {
    shown += title + "\n" + text + "\n";
  }
  bool ask(const std::string& text, const std::string&) override { return question = text, answer; }
  void pause(int milliseconds) override { paused += milliseconds; }
  std::optional<std::string> runningProgramIn(const std::string& folder) override {
    return running.count(folder) ? std::optional(running[folder]) : std::nullopt;
  }
  void openInTextEditor(const std::string& file) override {
    opened = file;
    throw shell::SystemFailure("No editor.");
  }
};

// A game folder whose setup.ini has Dynamic Lighting off, its window with the box checked.
struct Commands : testing::Test {
  MemoryFiles files;
  standins::Form form{{1, 0, 0}};
  Platform platform;
  void SetUp() override { files.files["setup.ini"] = kBefore; }
  bool told(const std::string& text) const {
    return platform.shown.find(text) != std::string::npos;
  }
  AfterCommand accept() { return shell::onAccept(files, form, platform); }
};

// Whatever the system refuses, the player is told the system's reason, whether setup.ini
// changed and what can be done, or the save is made another way; setup.ini is old or new, and
// setup.tmp is a copy of it or gone, whatever an earlier save left; no scratch file is left.
// Only a file held by another program is waited for.
struct Refusal {
  const char* name;
  void (*refuse)(MemoryFiles&);
  const char* told;  // a part of the message
};
const Refusal kRefusals[] = {
    {"HeldByAnotherProgram",
     [](MemoryFiles& f) { f.held["setup.ini"] = standins::kShareRead | standins::kShareWrite; },
     "Another program, perhaps the game, is using setup.ini: close it."},
    // Another owner's file in a folder that takes the player's: saved in place.
    {"NotReplaceable", [](MemoryFiles& f) { f.noReplace = {"setup.ini"}; }, kSaved},
    {"NotReplaceableNorWritable", [](MemoryFiles& f) { f.noReplace = f.noWrite = {"setup.ini"}; },
     "Run as administrator"},
    // A folder that takes no new file, with a setup.tmp of an earlier save in it: in place.
    {"FolderTakesNoNewFile",
     [](MemoryFiles& f) {
       f.folderRefuses = true, f.files["setup.tmp"] = kBefore, f.noWrite = {"setup.tmp"};
     },
     kSaved},
    {"ReadOnly", [](MemoryFiles& f) { f.attributes["setup.ini"] = standins::kReadOnly; },
     "setup.ini is read-only"},
    // A link's own attributes are not its file's, also where the save is made in place.
    {"LinkToReadOnly",
     [](MemoryFiles& f) {
       f.link("/mods/setup.ini"), f.attributes["/mods/setup.ini"] = 1, f.folderRefuses = true;
     },
     "/mods/setup.ini is read-only"},
    {"WriteProtected", [](MemoryFiles& f) { f.writeProtected = true; },
     "remove its write protection"},
    {"DiskFull", [](MemoryFiles& f) { f.diskFull = true; }, "setup.tmp could not be written"},
    {"DiskFullInPlace", [](MemoryFiles& f) { f.diskFull = f.folderRefuses = true; },
     "may now be incomplete"},
    // Every scratch name beside a link's file taken: trying again cannot help.
    {"EveryScratchNameTaken",
     [](MemoryFiles& f) {
       f.link("/mods/setup.ini");
       for (const char* n : {"", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9"})
         f.files["/mods/setup.ini" + std::string(n) + ".tmp"] = "";
     },
     "are all taken."},
    // The rename made durable by the new file's flush; refused that too, the save stands.
    {"FolderFlushRefused", [](MemoryFiles& f) { f.folderFlushRefused = true; }, kSaved},
    {"BothFlushesRefused", [](MemoryFiles& f) { f.folderFlushRefused = f.fileFlushRefused = true; },
     kSaved},
};
struct Refused : Commands, testing::WithParamInterface<Refusal> {};
INSTANTIATE_TEST_SUITE_P(Commands, Refused, testing::ValuesIn(kRefusals),
                         [](const auto& refusal) { return refusal.param.name; });

TEST_P(Refused, TellsTheSystemsReasonAndSavesWhereItCan) {
  GetParam().refuse(files);
  const size_t others = files.files.size() - files.files.count("setup.tmp");
  const std::string real = files.fileOf("setup.ini");
  const bool saved = accept() == AfterCommand::EndProgram;
  SCOPED_TRACE(platform.shown);
  EXPECT_TRUE(told(GetParam().told)) << GetParam().told;
  EXPECT_EQ(files.files[real] == kAfter, saved);
  // The system's own reason: none refused the names, which the save itself found taken.
  EXPECT_TRUE(saved ? platform.shown == kSaved
                    : told("refused by the system") || told("are all taken."));
  EXPECT_TRUE(saved || files.files[real] == kBefore || told("may now be incomplete"));
  EXPECT_EQ(told("You can try Accept again, or Cancel to quit."),
            !saved && !told("are all taken."));
  EXPECT_TRUE(!files.unflushed || files.fileFlushRefused) << "confirmed, not durable";
  EXPECT_EQ(platform.paused, told("Another program") ? kWholeWait : 0) << "waited, or did not";
  EXPECT_TRUE(!files.files.count("setup.tmp") || (saved && files.files["setup.tmp"] == kAfter));
  EXPECT_EQ(files.files.size() - files.files.count("setup.tmp"), others) << "a stray file";
}

// Before anything is written: the game, running from its folder or from that of the copy it
// reads, may write its own settings back when it quits. Only Yes saves. (With nothing running,
// the refusals' table sees no question.)
TEST_F(Commands, AsksBeforeSavingWhileTheGameRunsFromItsFolder) {
  const std::string copy = files.copies["setup.ini"] = "/VirtualStore/Game/setup.ini";
  files.files[copy] = kBefore;
  for (const std::string folder : {".", "/VirtualStore/Game/."}) {
    platform.running = {{folder, "KOLT-Game.exe"}};
    const auto before = files.files;
    EXPECT_EQ(accept(), AfterCommand::KeepWindow) << folder;
    EXPECT_NE(platform.question.find("KOLT-Game.exe"), std::string::npos) << platform.question;
    EXPECT_EQ(files.files, before) << "written before the answer";
    EXPECT_EQ(platform.shown, "") << "told more than the question";
  }
  platform.answer = true;
  EXPECT_EQ(accept(), AfterCommand::EndProgram);
  EXPECT_EQ(files.files[copy], kAfter);
}

TEST_F(Commands, ViewLogOpensTheLogTheGameWritesAndTellsWhyTheEditorDidNotStart) {
  files.copies["KOLT-Game.log"] = "/VirtualStore/Game/KOLT-Game.log";
  shell::onViewLog(files, platform);
  EXPECT_EQ(platform.opened, "/VirtualStore/Game/KOLT-Game.log");
  EXPECT_TRUE(told("View Log\n") && told("No editor.")) << platform.shown;
}

}  // namespace
