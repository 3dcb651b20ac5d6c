// The window end to end: where its controls sit at the system's DPI and after a change of DPI,
// text and all; the option buttons drawn over the frame; a tool tip on the first hover; the
// keyboard (Tab, arrows, Space, and Enter and Escape pressing nothing); clicks that never grey
// a box; Cancel and the close box; and View Log never running an editor planted in the folder.
#include <optional>

#include "Driver.h"

namespace e2e {
namespace {

const std::wstring kLog = L"Enable log file in game folder to help identify problems.";

// One start of setup.exe at a time, on a setup.ini of the test's choosing.
class Window : public testing::Test {
 protected:
  void start(const std::string& setupIni) {
    setup_.reset();
    folder_.write(L"setup.ini", setupIni);
    window_ = setup_.emplace(folder_).window();
    // Keys pressed before the program has put the focus in the window would go astray.
    ASSERT_TRUE(eventually([&] { return IsChild(window_, focusedControl(window_)); }));
  }
  HWND get(const std::wstring& caption) const { return control(window_, caption); }
  // Presses the keys; the caption of the control that has the focus once it has moved.
  std::wstring focusAfter(std::initializer_list<WORD> keys) const {
    const HWND before = focusedControl(window_);
    pressKeys(window_, keys);
    eventually([&] { return focusedControl(window_) != before; }, 2000);
    return text(focusedControl(window_));
  }
  GameFolder folder_;
  std::optional<SetupProcess> setup_;
  HWND window_ = nullptr;
};

RECT place(HWND control) {  // in its window's client area
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), (POINT*)&rect, 2);
  return rect;
}

TEST_F(Window, IsLaidOutAsDesignedAtTheSystemsDpiAndAgainAtTwiceItTextAndAll) {
  ASSERT_NO_FATAL_FAILURE(start("dividetexturesize=4\r\ndividetexturesize=2\r\n"));
  EXPECT_EQ(checkState(get(L"Low")), BST_UNCHECKED) << "selecting Medium left Low selected";
  const int dpi = GetDpiForWindow(window_);
  // EXPECTED_DPI names the DPI the prefix is meant to have.
  ASSERT_EQ(dpi, _wtoi(_wgetenv(L"EXPECTED_DPI") ? _wgetenv(L"EXPECTED_DPI") : L"0"));
  const auto px = [&](int twips) { return MulDiv(twips, dpi, 1440); };
  RECT client, work, rect;
  GetClientRect(window_, &client);
  EXPECT_EQ(std::vector<long>({client.right, client.bottom}),
            std::vector<long>({px(5655), px(3315)}));
  const struct {
    const wchar_t* caption;
    int left, top, width, height;  // twips, in the window's client area
  } designed[] = {{L"Settings", 240, 840, 5175, 1815},
                  {L"Dynamic Lighting", 480, 1200, 1575, 255},
                  {L"Low", 1800, 1680, 735, 255},
                  {L"Accept", 4440, 2760, 975, 375}};
  for (const auto& [caption, left, top, width, height] : designed) {
    const RECT at = place(get(caption));
    EXPECT_EQ(std::vector<long>({at.left, at.top, at.right - at.left, at.bottom - at.top}),
              std::vector<long>({px(left), px(top), px(width), px(height)}))
        << testing::PrintToString(caption);
  }
  // The option buttons lie over the frame: drawn after it, the frame would hide them.
  EXPECT_EQ(GetWindow(get(L"High"), GW_HWNDLAST), get(L"Settings"));
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window_, &rect);
  EXPECT_NEAR(rect.left - work.left, work.right - rect.right, 1) << "not centred";
  EXPECT_NEAR(rect.top - work.top, work.bottom - rect.bottom, 1) << "not centred";

  // Each control twice as far and as large, and its text in a larger font: the size a push
  // button needs for its caption, which it computes itself with its font. MS Sans Serif has a
  // picture for a few sizes only, so twice the DPI gives a font taller by steps, not twice.
  std::vector<std::pair<HWND, RECT>> before;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    before.push_back({child, place(child)});
  }
  SIZE ideal{}, idealBefore{};
  sendWithData(get(L"Accept"), BCM_GETIDEALSIZE, &idealBefore, sizeof idealBefore);
  for (const long scale : {2, 1}) {
    RECT suggested{20, 30, 400, 300};
    sendWithData(window_, WM_DPICHANGED, &suggested, sizeof suggested,
                 MAKEWPARAM(scale * dpi, scale * dpi));
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.left, 20) << "the suggested place was not taken";
    for (const auto& [child, was] : before) {
      const RECT now = place(child);
      for (const long off : {now.left - was.left * scale, now.right - was.right * scale,
                             now.bottom - was.bottom * scale})
        EXPECT_NEAR(off, 0, 2) << testing::PrintToString(text(child)) << " at " << scale;
    }
    sendWithData(get(L"Accept"), BCM_GETIDEALSIZE, &ideal, sizeof ideal);
    EXPECT_TRUE(scale == 1 ? ideal.cx == idealBefore.cx : ideal.cx > idealBefore.cx * 1.3)
        << "the font is not scaled: " << ideal.cx << " pixels, where " << idealBefore.cx;
  }
}

// The mouse on each control: a tool tip shows, and it is that control's. (Its text is the
// layout table's, which a test would only copy.)
TEST_F(Window, ShowsEachControlsToolTipOnTheFirstHover) {
  ASSERT_NO_FATAL_FAILURE(start(""));
  for (const std::wstring caption : {L"Dynamic Lighting", L"Post Processing", L"Low", L"Medium",
                                     L"High", kLog.c_str(), L"View Log", L"Cancel", L"Accept"}) {
    RECT rect;
    GetWindowRect(get(caption), &rect);
    SetForegroundWindow(window_);
    INPUT move{INPUT_MOUSE, {.mi = {1, 0, 0, MOUSEEVENTF_MOVE, 0, 0}}};
    EXPECT_TRUE(eventually(
        [&] {
          // Put on the control until it stays: on a new display Wine may move the pointer back
          // to where the X server had it. (The program never moves it: this hides no fault.)
          if (POINT at; GetCursorPos(&at) && (at.x != rect.left + 5 || at.y != rect.top + 4)) {
            SetCursorPos(rect.left + 4, rect.top + 4);
            SendInput(1, &move, sizeof move);
          }
          TOOLINFOW tool{sizeof tool};
          for (const HWND tip : windowsOf(processOf(window_), TOOLTIPS_CLASSW)) {
            sendWithData(tip, TTM_GETCURRENTTOOLW, &tool, sizeof tool);
          }
          return tool.uId == UINT_PTR(get(caption));
        },
        3000))
        << "no tool tip of its own on " << testing::PrintToString(caption);
  }
}

TEST_F(Window, TabArrowsSpaceEnterEscapeClicksAndCancelDoWhatTheyShouldAndNothingMore) {
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=2\r\npostprocessing=2\r\n"));
  const std::wstring stops[] = {
      L"Dynamic Lighting", L"Post Processing", L"Low",      kLog,
      L"Accept",           L"Cancel",          L"View Log", L"Dynamic Lighting"};
  EXPECT_EQ(text(focusedControl(window_)), stops[0]) << "the first focus";
  for (const wchar_t* button : {L"Accept", L"Cancel", L"View Log"})  // none drawn as the default
    EXPECT_FALSE(SendMessageW(get(button), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
  for (size_t stop = 1; stop < std::size(stops); ++stop) {
    pressKeys(window_, {VK_ESCAPE});                // presses nothing
    if (stop < 5) pressKeys(window_, {VK_RETURN});  // nothing either, but on a push button
    ASSERT_EQ(focusAfter({VK_TAB}), stops[stop]);
  }
  for (size_t stop = std::size(stops) - 1; stop-- > 0;)
    EXPECT_EQ(focusAfter({VK_SHIFT, VK_TAB}), stops[stop]);
  for (const wchar_t* next : {L"Post Processing", L"Low"}) ASSERT_EQ(focusAfter({VK_TAB}), next);
  EXPECT_EQ(checkState(get(L"Low")), BST_UNCHECKED) << "moving the focus selected an option";
  EXPECT_EQ(checkState(get(L"Dynamic Lighting")), BST_INDETERMINATE) << "a key changed a box";
  const WORD arrows[] = {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_LEFT, VK_UP};
  for (int i = 0; const wchar_t* option : {L"Medium", L"High", L"Low", L"High", L"Medium"}) {
    EXPECT_EQ(focusAfter({arrows[i++]}), option);
    for (const wchar_t* each : {L"Low", L"Medium", L"High"})
      EXPECT_EQ(checkState(get(each)), each == option);
  }
  EXPECT_EQ(focusAfter({VK_TAB}), kLog);
  EXPECT_EQ(focusAfter({VK_SHIFT, VK_TAB}), L"Medium");  // the options' one stop: the selected
  ASSERT_EQ(focusAfter({VK_SHIFT, VK_TAB}), L"Post Processing");
  for (const wchar_t* box : {L"Post Processing", L"Dynamic Lighting"}) {  // a click moves the focus
    for (const int state : {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}) {   // from greyed, never back
      *box == L'P' ? pressKeys(window_, {VK_SPACE}) : click(get(box));
      EXPECT_TRUE(eventually([&] { return checkState(get(box)) == state; }, 2000))
          << testing::PrintToString(box);
    }
  }
  EXPECT_EQ(setup_->windows(), 1u) << "a key opened a message";
  click(get(L"Cancel"));
  EXPECT_EQ(setup_->waitForExit(), 0);
  EXPECT_EQ(folder_.read(L"setup.ini"), "dynamiclighting=2\r\npostprocessing=2\r\n");
  EXPECT_EQ(folder_.names(), Names{L"setup.ini"});
}

TEST_F(Window, ViewLogOpensTheSystemsEditorNeverOnePlantedThereAndTheCloseBoxWritesNothing) {
  // Planted: setup.exe itself, whose window would show a second time if it ran.
  ASSERT_TRUE(CopyFileW(_wgetenv(L"SETUP_EXE"), (folder_ / L"Notepad.exe").c_str(), FALSE));
  folder_.write(L"KOLT-Game.log", "12:01:07 Starting up\r\n");
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=1\r\n"));
  click(get(L"View Log"));
  HWND editor = nullptr;
  EXPECT_TRUE(
      eventually([&] { return editor = FindWindowW(nullptr, L"KOLT-Game.log - Notepad"); }));
  SetForegroundWindow(window_);
  // The focus is given back to where it was before another program took it.
  EXPECT_TRUE(eventually([&] { return focusedControl(window_) == get(L"View Log"); }));
  PostMessageW(editor, WM_CLOSE, 0, 0);
  EXPECT_EQ(windowsOf(0, L"frmSettings").size(), 1u) << "the planted program ran";
  EXPECT_EQ(setup_->windows(), 1u) << "View Log showed a message";
  PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(setup_->waitForExit(), 0);
  EXPECT_EQ(folder_.names(), (Names{L"KOLT-Game.log", L"Notepad.exe", L"setup.ini"}));
}

}  // namespace
}  // namespace e2e
