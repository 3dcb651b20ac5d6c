// Accept, Cancel, View Log and the keyboard, end to end: the files on disk byte for byte,
// what the player is told, and that the window carries on where it should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

using namespace std::string_literals;

const std::wstring kLog = L"Enable log file in game folder to help identify problems.";
const std::vector<std::wstring> kSaved{L"setup.ini", L"setup.tmp"};

// Clicks a control and waits until the window shows the state the click should give it.
void clickTo(HWND window, const std::wstring& caption, int state) {
  const HWND control = button(window, caption);
  click(control);
  EXPECT_TRUE(eventually([&] { return checkState(control) == state; }))
      << testing::PrintToString(caption) << " did not become " << state;
}

struct Click {
  const wchar_t* caption;
  int state;  // what the control shows afterwards
};

struct SaveCase {
  const char* fault;
  std::string before;
  std::vector<Click> clicks;
  std::string after;
};

TEST(Accept, WritesTheWindowsValuesAndCarriesEveryOtherByte) {
  const SaveCase cases[] = {
      {"the player's changes are lost, or other lines are altered",
       "; Game settings, hand-edited\r\nname=\"Kolt, the Brave\"\r\n\tdynamiclighting=1 \r\n"
       "postprocessing=2\ncaf\xe9=\xff\0x\rdividetexturesize=2\r\n\r\nproducelogfiles=0"s,
       {{L"Dynamic Lighting", 0}, {L"Post Processing", 1}, {L"Low", 1}, {kLog.c_str(), 1}},
       "; Game settings, hand-edited\r\nname=\"Kolt, the Brave\"\r\ndynamiclighting=0\r\n"
       "postprocessing=1\r\ncaf\xe9=\xff\0x\r\ndividetexturesize=4\r\n\r\nproducelogfiles=1\r\n"s},
      {"untouched keys are not written back as they were",
       "dividetexturesize=1\r\ndynamiclighting=2\r\ndividetexturesize= 8 \r\n",
       {},
       "dividetexturesize=1\r\ndynamiclighting=2\r\ndividetexturesize= 8 \r\n"},
      {"High is not written as 0, or a repeated key keeps an old value",
       "dynamiclightingX=1\r\ndividetexturesize=4\r\ndynamiclighting=0\r\ndividetexturesize=4\r\n",
       {{L"High", 1}},
       "dynamiclighting=0\r\ndividetexturesize=0\r\ndynamiclighting=0\r\ndividetexturesize=0\r\n"},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.fault);
    GameFolder folder;
    folder.write(L"setup.ini", c.before);
    SetupProcess setup(folder);
    const HWND window = setup.waitForWindow();
    ASSERT_NE(window, nullptr);
    for (const Click& each : c.clicks) clickTo(window, each.caption, each.state);
    acceptAndConfirm(setup, window);
    EXPECT_EQ(folder.read(L"setup.ini"), c.after);
    EXPECT_EQ(folder.read(L"setup.tmp"), c.after);
    EXPECT_EQ(folder.names(), kSaved);
  }
}

TEST(Accept, ReadsSetupIniAfreshAndKeepsOtherProgramsChanges) {
  GameFolder folder;
  folder.write(L"setup.ini", "dynamiclighting=0\r\nwidth=800\r\n");
  SetupProcess setup(folder);
  const HWND window = setup.waitForWindow();
  ASSERT_NE(window, nullptr);
  folder.write(L"setup.ini", "dynamiclighting=0\r\nwidth=1024\r\nheight=768\r\n");
  clickTo(window, L"Dynamic Lighting", 1);
  acceptAndConfirm(setup, window);
  EXPECT_EQ(folder.read(L"setup.ini"), "dynamiclighting=1\r\nwidth=1024\r\nheight=768\r\n");
}

TEST(Keys, EnterAndEscapePressNoButton) {
  GameFolder folder;
  const std::string before = "dynamiclighting=0\r\ndividetexturesize=2\r\n";
  folder.write(L"setup.ini", before);
  SetupProcess setup(folder);
  const HWND window = setup.waitForWindow();
  ASSERT_NE(window, nullptr);
  const HWND lighting = button(window, L"Dynamic Lighting");
  ASSERT_TRUE(eventually([&] { return focusedControl(window) == lighting; }));
  pressKeys(window, {VK_RETURN});
  pressKeys(window, {VK_ESCAPE});
  // On to the texture options, where Enter and Escape must do nothing either.
  pressKeys(window, {VK_TAB});
  pressKeys(window, {VK_TAB});
  ASSERT_TRUE(eventually([&] { return focusedControl(window) == button(window, L"Medium"); }));
  pressKeys(window, {VK_RETURN});
  pressKeys(window, {VK_ESCAPE});
  // Messages are handled in order: once this click shows, the keys have been handled.
  clickTo(window, L"Post Processing", 1);
  EXPECT_EQ(setup.visibleWindows().size(), 1u) << "a key opened a message";
  EXPECT_FALSE(setup.waitForExit(0)) << "a key ended the program";
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"setup.ini"});
  EXPECT_EQ(folder.read(L"setup.ini"), before);
}

constexpr const wchar_t* kEditorTitle = L"KOLT-Game.log - Notepad";

// Closes every editor a test opened, whatever happened.
struct EditorsClosed {
  ~EditorsClosed() {
    for (const HWND editor : windowsTitled(kEditorTitle)) endProcessOf(editor);
  }
};

TEST(ViewLog, OpensTheLogInTheSystemsEditorEachTimeAndTheWindowCarriesOn) {
  EditorsClosed cleanup;
  GameFolder folder;
  folder.write(L"setup.ini", "dynamiclighting=1\r\n");
  folder.write(L"KOLT-Game.log", "12:01:07 Starting up\r\n");
  SetupProcess setup(folder);
  const HWND window = setup.waitForWindow();
  ASSERT_NE(window, nullptr);

  click(button(window, L"View Log"));
  EXPECT_TRUE(eventually([] { return windowsTitled(kEditorTitle).size() == 1; }));
  click(button(window, L"View Log"));
  EXPECT_TRUE(eventually([] { return windowsTitled(kEditorTitle).size() == 2; }));
  EXPECT_EQ(setup.visibleWindows().size(), 1u) << "View Log showed a message";
  EXPECT_EQ(checkState(button(window, L"Dynamic Lighting")), BST_CHECKED);

  click(button(window, L"Cancel"));
  EXPECT_TRUE(setup.waitForExit());
  EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"KOLT-Game.log", L"setup.ini"}));
}

TEST(ViewLog, NeverRunsAnEditorPlantedInTheGameFolder) {
  EditorsClosed cleanup;
  GameFolder folder;
  folder.write(L"setup.ini", "dynamiclighting=1\r\n");
  folder.write(L"KOLT-Game.log", "12:01:07 Starting up\r\n");
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring planted = self;
  planted = planted.substr(0, planted.find_last_of(L'\\') + 1) + L"planted.exe";
  ASSERT_TRUE(CopyFileW(planted.c_str(), folder.pathOf(L"Notepad.exe").c_str(), FALSE));
  SetupProcess setup(folder);
  const HWND window = setup.waitForWindow();
  ASSERT_NE(window, nullptr);

  click(button(window, L"View Log"));
  EXPECT_TRUE(eventually([] { return windowsTitled(kEditorTitle).size() == 1; }))
      << "the system's editor did not open the log";
  EXPECT_FALSE(folder.exists(L"planted-program-ran"));
  click(button(window, L"Cancel"));
  EXPECT_TRUE(setup.waitForExit());
  EXPECT_EQ(folder.names(),
            (std::vector<std::wstring>{L"KOLT-Game.log", L"Notepad.exe", L"setup.ini"}));
}

}  // namespace
}  // namespace e2e
