// Start-up and load, end to end: what the window shows for each form of setup.ini, what
// the player is told when the file cannot be used, and that nothing is ever written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

using namespace std::string_literals;

const std::vector<std::wstring> kOnlySetupIni{L"setup.ini"};

struct LoadCase {
  const char* fault;
  std::string file;
  int lighting, bloom, log;
  const wchar_t* option;
};

TEST(Load, ShowsTheFilesValuesAndCancelLeavesItUntouched) {
  const LoadCase cases[] = {
      {"an empty file sets a control", "", 0, 0, 0, L""},
      {"other lines set a control", "[Video]\r\nDynamicLighting=1\r\ndynamiclightin=1\r\n", 0, 0, 0,
       L""},
      {"a key reaches the wrong control",
       "width=1024\r\ndynamiclighting=1\r\npostprocessing=0\r\ndividetexturesize=2\r\n"
       "producelogfiles=1\r\n",
       1, 0, 1, L"Medium"},
      {"greyed is not shown", "dynamiclighting=2\r\npostprocessing=2\r\nproducelogfiles=2\r\n", 2,
       2, 2, L""},
      {"the value is not the last character", "dynamiclighting=10\r\ndividetexturesize=24\r\n", 0,
       0, 0, L"Low"},
      {"divisor 0 is not High", "dividetexturesize=0\r\n", 0, 0, 0, L"High"},
      {"a divisor other than 0, 2, 4 selects something", "dividetexturesize=1\r\n", 0, 0, 0, L""},
      {"a repeated key is not decided by its last entry",
       "dynamiclighting=1\r\ndividetexturesize=0\r\ndynamiclighting=0\r\ndividetexturesize=8\r\n",
       0, 0, 0, L"High"},
      {"blanks around a line hide it", "  postprocessing=1 \r\n\tproducelogfiles=1\t\r\n", 0, 1, 1,
       L""},
      {"LF line ends are not lines", "dynamiclighting=1\npostprocessing=1\n", 1, 1, 0, L""},
      {"CR line ends are not lines", "dynamiclighting=1\rdividetexturesize=4\r", 1, 0, 0, L"Low"},
      {"a last line without a line end is lost", "a=1\r\nproducelogfiles=1", 0, 0, 1, L""},
      {"commas, quotes, NUL or other bytes upset the reader",
       "name=\"a, b\",c\r\nx=\0\xff\r\npostprocessing=1\r\n"s, 0, 1, 0, L""},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.fault);
    GameFolder folder;
    folder.write(L"setup.ini", c.file);
    SetupProcess setup(folder);
    const HWND window = setup.waitForWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(checkState(button(window, L"Dynamic Lighting")), c.lighting);
    EXPECT_EQ(checkState(button(window, L"Post Processing")), c.bloom);
    EXPECT_EQ(
        checkState(button(window, L"Enable log file in game folder to help identify problems.")),
        c.log);
    EXPECT_EQ(selectedOption(window), c.option);
    click(button(window, L"Cancel"));
    EXPECT_TRUE(setup.waitForExit());
    EXPECT_EQ(folder.read(L"setup.ini"), c.file);
    EXPECT_EQ(folder.names(), kOnlySetupIni);
  }
}

TEST(Load, TheCloseBoxEndsWithoutWriting) {
  GameFolder folder;
  const std::string file = "dynamiclighting=1\r\ndividetexturesize=2";
  folder.write(L"setup.ini", file);
  SetupProcess setup(folder);
  const HWND window = setup.waitForWindow();
  ASSERT_NE(window, nullptr);
  click(button(window, L"Dynamic Lighting"));
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(setup.waitForExit());
  EXPECT_TRUE(setup.visibleWindows().empty()) << "a question or message was shown";
  EXPECT_EQ(folder.read(L"setup.ini"), file);
  EXPECT_EQ(folder.names(), kOnlySetupIni);
}

struct FailureCase {
  const char* what;
  std::string file;  // written as setup.ini unless `directory`
  bool directory;    // setup.ini is a folder
  const wchar_t* title;
  std::vector<std::wstring> sayings;  // parts of the message
};

TEST(Load, SaysWhySetupIniCannotBeUsedAndNeverShowsTheWindow) {
  const FailureCase cases[] = {
      {"missing", "", false, L"Missing file!", {}},
      {"a check box digit above 2",
       "a=1\r\n\r\ndynamiclighting=3\r\n",
       false,
       L"Invalid setting",
       {L"line 3", L"\"dynamiclighting=3\""}},
      {"a letter",
       "postprocessing=x\r\n",
       false,
       L"Invalid setting",
       {L"line 1", L"\"postprocessing=x\""}},
      {"a bare key",
       "x\nproducelogfiles\n",
       false,
       L"Invalid setting",
       {L"line 2", L"\"producelogfiles\""}},
      {"no texture digit",
       "dividetexturesize=\r\n",
       false,
       L"Invalid setting",
       {L"line 1", L"\"dividetexturesize=\""}},
      {"setup.ini a folder", "", true, L"Settings not read", {L"setup.ini could not be read"}},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    GameFolder folder;
    std::vector<std::wstring> before;
    if (c.directory) {
      CreateDirectoryW(folder.pathOf(L"setup.ini").c_str(), nullptr);
      before = kOnlySetupIni;
    } else if (std::string(c.what) != "missing") {
      folder.write(L"setup.ini", c.file);
      before = kOnlySetupIni;
    }
    SetupProcess setup(folder);
    const MessageBoxView box = setup.waitForMessageBox();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.title, c.title);
    if (c.sayings.empty()) {
      EXPECT_EQ(box.text,
                L"setup.ini file was not found. Make sure setup.exe and setup.ini are present in "
                L"the game directory.");
    }
    for (const std::wstring& saying : c.sayings) {
      EXPECT_NE(box.text.find(saying), std::wstring::npos)
          << testing::PrintToString(saying) << " missing from " << testing::PrintToString(box.text);
    }
    EXPECT_EQ(setup.visibleWindows().size(), 1u) << "the window showed behind the message";
    EXPECT_FALSE(setup.waitForExit(300)) << "ended before the player read the message";
    dismiss(box);
    EXPECT_TRUE(setup.waitForExit());
    EXPECT_EQ(folder.names(), before);
    if (!c.directory && !c.file.empty()) {
      EXPECT_EQ(folder.read(L"setup.ini"), c.file);
    }
  }
}

}  // namespace
}  // namespace e2e
