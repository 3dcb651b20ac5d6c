// The window end to end, one behaviour a test: laid out for its DPI, and for a new one; Tab,
// Enter and Escape; tool tips; ending without a save; View Log. Where a
// test reads the layout, it reads shell/Layout.h, never a copy of its numbers.
#include <optional>

#include "Driver.h"

namespace e2e {
namespace {

// setup.exe started for each test, on a setup.ini whose two boxes are greyed.
class Window : public testing::Test {
 protected:
  void SetUp() override {
    folder_.write(L"setup.ini", "dynamiclighting=2\r\npostprocessing=2\r\n");
    window_ = setup_.emplace(folder_).window();
    // Keys pressed before the program has put the focus in the window would go astray.
    ASSERT_TRUE(eventually([&] { return IsChild(window_, focusedControl(window_)); }));
  }
  HWND get(shell::Control name) const { return control(window_, name); }
  // Through the window's message loop, as a key press would come; without Shift, which only
  // real key presses hold down.
  void press(WORD key) const { PostMessageW(focusedControl(window_), WM_KEYDOWN, key, 0); }
  std::wstring focusOnceItIs(shell::Control expected) const {  // or after 2 s
    eventually([&] { return text(focusedControl(window_)) == caption(expected); }, 2000);
    return text(focusedControl(window_));
  }
  // Sends a message whose lParam points at `data`, copied into the program first, and copies
  // what the window left there back.
  void sendWithData(HWND window, UINT message, void* data, SIZE_T size, WPARAM wParam = 0) const {
    const HANDLE process = setup_->process.hProcess;
    void* const remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process, remote, data, size, nullptr);
    SendMessageW(window, message, wParam, LPARAM(remote));
    ReadProcessMemory(process, remote, data, size, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  GameFolder folder_;
  std::optional<SetupProcess> setup_;
  HWND window_ = nullptr;
};

// As designed: the client area in pixels, rounded (cut, it is a pixel short at 144 DPI), in the
// middle of the screen; the frame around its controls, and under the option buttons that lie
// over it but belong to the window (drawn after them, under all, it hides none). Told of twice
// the DPI: twice as large, and its text in a larger font, by the size a push button needs for its
// caption, which it works out with its font. (MS Sans Serif has a picture for a few sizes only:
// the font grows by steps, not twice.)
TEST_F(Window, IsLaidOutAsDesignedForItsDpiAndAgainForANewOne) {
  const int dpi = _wtoi(needEnvironment(L"EXPECTED_DPI", "the Wine prefix's DPI, e.g. 96").c_str());
  ASSERT_EQ(GetDpiForWindow(window_), UINT(dpi)) << "the prefix is not at EXPECTED_DPI";
  RECT work, rect, frame, both, place{20, 30, 400, 300};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window_, &rect);
  EXPECT_NEAR(rect.left + rect.right, work.left + work.right, 1) << "not centred";
  EXPECT_NEAR(rect.top + rect.bottom, work.top + work.bottom, 1) << "not centred";
  GetWindowRect(get(fraSettings), &frame);
  for (const auto name : {chkLighting, lblQuality, chkLog}) {
    GetWindowRect(get(name), &rect);
    EXPECT_TRUE(UnionRect(&both, &rect, &frame) && EqualRect(&both, &frame)) << int(name);
  }
  EXPECT_EQ(GetWindow(get(fraSettings), GW_HWNDNEXT), nullptr) << "a control under the frame";
  SIZE text[2]{};
  for (const int scale : {1, 2}) {
    // The new DPI in both words of wParam, and a place for the window.
    if (scale == 2) sendWithData(window_, WM_DPICHANGED, &place, sizeof place, 0x10001 * 2 * dpi);
    GetClientRect(window_, &rect);
    EXPECT_EQ(rect.right, MulDiv(shell::kClientWidth, scale * dpi, 1440)) << scale;
    EXPECT_EQ(rect.bottom, MulDiv(shell::kClientHeight, scale * dpi, 1440)) << scale;
    sendWithData(get(cmdAccept), BCM_GETIDEALSIZE, &text[scale - 1], sizeof(SIZE));
  }
  EXPECT_GT(text[1].cx, text[0].cx * 1.3) << "the font is not scaled";
}

// From the first focus on; with no texture option selected, the first is the group's one stop.
TEST_F(Window, TabVisitsTheControlsInTheDesignedOrder) {
  for (const auto stop :
       {chkLighting, chkBloom, optLow, chkLog, cmdAccept, cmdCancel, cmdView, chkLighting}) {
    ASSERT_EQ(focusOnceItIs(stop), caption(stop));
    press(VK_TAB);
  }
}

// IsDialogMessage turns them into IDOK and IDCANCEL, which no control's ID may be; nor may a
// button be the default, drawn as the one Enter presses. (On a push button, Enter presses it.)
TEST_F(Window, EnterAndEscapePressNothingOffThePushButtons) {
  // Before any key: a Tab has IsDialogMessage take the default style off the buttons.
  EXPECT_FALSE(SendMessageW(get(cmdAccept), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
  for (const WORD key : {VK_ESCAPE, VK_RETURN, VK_TAB}) press(key);
  ASSERT_EQ(focusOnceItIs(chkBloom), caption(chkBloom)) << "a key pressed a button";
  EXPECT_EQ(SendMessageW(get(chkLighting), BM_GETCHECK, 0, 0), BST_INDETERMINATE) << "clicked";
}

TEST_F(Window, CancelAndTheCloseBoxEndWithoutWritingAChangeMadeBefore) {
  for (const bool closeBox : {false, true}) {
    if (closeBox) ASSERT_NO_FATAL_FAILURE(SetUp());  // a second start
    click(get(chkLighting));
    closeBox ? (void)PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0) : click(get(cmdCancel));
    EXPECT_EQ(setup_->waitForExit(), 0) << closeBox;
    EXPECT_EQ(folder_.names(), Names{L"setup.ini"}) << "a save's setup.tmp";
  }
}

// Each tip shows when the pointer rests on its control, the first time too.
TEST_F(Window, ShowsEachControlsToolTipWhereThePointerRests) {
  for (const shell::ControlLayout& row : shell::kLayout) {
    if (!row.toolTip) continue;
    RECT rect;
    GetWindowRect(get(row.name), &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    const auto tip = [&] { return text(setup_->waitFor(TOOLTIPS_CLASSW)); };
    EXPECT_TRUE(eventually([&] { return tip() == row.toolTip; }, 5000)) << int(row.name);
  }
}

// Planted: setup.exe itself, whose window would show a second time if it ran.
TEST_F(Window, ViewLogOpensTheSystemsEditorNeverOnePlantedInTheGameFolder) {
  ASSERT_TRUE(CopyFileW(needEnvironment(L"SETUP_EXE", "setup.exe's path (winepath -w)").c_str(),
                        (folder_ / L"Notepad.exe").c_str(), FALSE));
  folder_.write(L"KOLT-Game.log", "12:01:07 Starting up\r\n");
  click(get(cmdView));
  const wchar_t* const editor = L"KOLT-Game.log - Notepad";  // Wine's Notepad's title
  EXPECT_TRUE(eventually([&] { return FindWindowW(nullptr, editor); }));
  EXPECT_EQ(windowsOf(0, L"frmSettings").size(), 1u) << "the planted program ran";
  PostMessageW(FindWindowW(nullptr, editor), WM_CLOSE, 0, 0);
}

}  // namespace
}  // namespace e2e
