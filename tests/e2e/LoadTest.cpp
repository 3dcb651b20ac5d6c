// Start-up and load, end to end: what the window shows for setup.ini, and that Cancel and
// the close box write nothing. What the player is told about a file that cannot be used is
// in the bad-input table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

const std::vector<std::wstring> kOnlySetupIni{L"setup.ini"};

struct LoadCase {
  const char* fault;
  std::string file;
  int lighting, bloom, log;
  const wchar_t* option;
};

TEST(Load, ShowsTheFilesValuesAndCancelLeavesItUntouched) {
  // The rules of the file are tested natively; these rows check that the Windows program
  // reads through them into the right controls.
  const LoadCase cases[] = {
      {"an empty file sets a control", "", 0, 0, 0, L""},
      {"a key reaches the wrong control, or blanks and line ends of every kind hide one",
       "width=1024\r\n  dynamiclighting=1 \npostprocessing=2\rdividetexturesize=2\r\n"
       "producelogfiles=1",
       1, 2, 1, L"Medium"},
      {"case is ignored, the value is not the last character, or a repeated key is not decided "
       "by its last entry",
       "DynamicLighting=1\r\ndynamiclighting=10\r\ndividetexturesize=0\r\ndividetexturesize=8\r\n",
       0, 0, 0, L"High"},
      {"a divisor other than 0, 2, 4 selects something", "dividetexturesize=1\r\n", 0, 0, 0, L""},
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

}  // namespace
}  // namespace e2e
