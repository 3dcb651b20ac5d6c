// The window end to end: where its controls sit at the system's DPI and after a change of DPI,
// text and all; the option buttons drawn over the frame; the tool tips on a real hover; the
// keyboard (Tab, arrows, Space, and Enter and Escape pressing nothing); clicks that never grey
// a box; and View Log never running an editor planted in the game folder.
#include <optional>
#include <string>

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
    ASSERT_NE(window_, nullptr) << "the window did not show";
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
  std::wstring selected() const {
    std::wstring options;
    for (const wchar_t* option : {L"Low", L"Medium", L"High"})
      options += checkState(get(option)) ? option : L"";
    return options;
  }
  GameFolder folder_;
  std::optional<SetupProcess> setup_;
  HWND window_ = nullptr;
};

RECT rectInClient(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), (POINT*)&rect, 2);
  return rect;
}

// How tall the text drawn in a control is on the screen: its top dark pixel to its bottom one.
int inkHeight(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  DeleteObject(SelectObject(
      memory, CreateCompatibleBitmap(screen, rect.right - rect.left, rect.bottom - rect.top)));
  BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top,
         SRCCOPY);
  int top = -1, bottom = -2;
  for (int y = 0; y < rect.bottom - rect.top; ++y) {
    for (int x = 0; x < rect.right - rect.left; ++x) {
      const COLORREF pixel = GetPixel(memory, x, y);
      if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 200)
        bottom = y, top = top < 0 ? y : top;
    }
  }
  DeleteObject(SelectObject(memory, GetStockObject(BLACK_PEN)));
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bottom - top + 1;
}

TEST_F(Window, IsLaidOutAsDesignedAtTheSystemsDpiAndAgainAtTwiceItTextAndAll) {
  ASSERT_NO_FATAL_FAILURE(start("dividetexturesize=2\r\n"));
  const int dpi = GetDpiForWindow(window_);
  ASSERT_EQ(dpi, _wtoi(_wgetenv(L"EXPECTED_DPI") ? _wgetenv(L"EXPECTED_DPI") : L"0"))
      << "not the prefix's DPI";
  const auto px = [&](int twips) { return MulDiv(twips, dpi, 1440); };
  RECT client, work, rect;
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, px(5655));
  EXPECT_EQ(client.bottom, px(3315));
  for (const auto& [caption, left, top, width, height] :
       std::vector<std::tuple<std::wstring, int, int, int, int>>{
           {L"Settings", 240, 840, 5175, 1815},
           {L"Dynamic Lighting", 480, 1200, 1575, 255},
           {L"Low", 1800, 1680, 735, 255},
           {kLog, 480, 2160, 4695, 255},
           {L"Accept", 4440, 2760, 975, 375}}) {  // twips, in the window's client area
    const RECT at = rectInClient(get(caption));
    EXPECT_EQ(std::vector<long>({at.left, at.top, at.right - at.left, at.bottom - at.top}),
              std::vector<long>({px(left), px(top), px(width), px(height)}))
        << testing::PrintToString(caption);
  }
  // The option buttons lie over the frame: drawn after it, the frame would hide them.
  EXPECT_EQ(GetWindow(get(L"High"), GW_HWNDLAST), get(L"Settings"))
      << "the frame is not under the options";
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window_, &rect);
  EXPECT_NEAR(rect.left - work.left, work.right - rect.right, 1) << "not centred across";
  EXPECT_NEAR(rect.top - work.top, work.bottom - rect.bottom, 1) << "not centred down";

  // A line of text is as tall on screen as its font. MS Sans Serif has a picture for a few
  // sizes only, so twice the DPI gives a font taller by some steps, not twice as tall.
  std::vector<std::pair<HWND, RECT>> before;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    before.push_back({child, rectInClient(child)});
  }
  const HWND label = get(L"Texture Quality");
  int ink = 0;
  SetForegroundWindow(window_);
  ASSERT_TRUE(eventually([&] { return (ink = inkHeight(label)) > 0; })) << "never painted";
  for (const long scale : {2, 1}) {
    RECT suggested{20, 30, 400, 300};
    sendWithData(window_, WM_DPICHANGED, &suggested, sizeof suggested,
                 MAKEWPARAM(scale * dpi, scale * dpi));
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.left, 20) << "the suggested place was not taken";
    for (const auto& [child, was] : before) {
      const RECT now = rectInClient(child);
      EXPECT_NEAR(now.left, was.left * scale, 2) << testing::PrintToString(text(child));
      EXPECT_NEAR(now.right - now.left, (was.right - was.left) * scale, 2)
          << testing::PrintToString(text(child));
      EXPECT_NEAR(now.bottom - now.top, (was.bottom - was.top) * scale, 2)
          << testing::PrintToString(text(child));
    }
    EXPECT_TRUE(eventually(
        [&] { return scale == 1 ? inkHeight(label) == ink : inkHeight(label) > ink * 1.3; }, 3000))
        << "the text is " << inkHeight(label) << " pixels tall, where it was " << ink;
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
    SetCursorPos(rect.left + 4, rect.top + 4);
    INPUT move{INPUT_MOUSE, {.mi = {1, 0, 0, MOUSEEVENTF_MOVE, 0, 0}}};
    SendInput(1, &move, sizeof move);
    EXPECT_TRUE(eventually(
        [&] {
          TOOLINFOW tool{sizeof tool};
          for (const HWND tip : windowsOf(processOf(window_), TOOLTIPS_CLASSW)) {
            sendWithData(tip, TTM_GETCURRENTTOOLW, &tool, sizeof tool);
          }
          return tool.uId == reinterpret_cast<UINT_PTR>(get(caption));
        },
        3000))
        << "no tool tip of its own on " << testing::PrintToString(caption);
  }
}

TEST_F(Window, TabVisitsEachStopOnceArrowsMoveWithinTheOptionsAndNothingChanges) {
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=2"));
  const std::wstring stops[] = {
      L"Dynamic Lighting", L"Post Processing", L"Low",      kLog,
      L"Accept",           L"Cancel",          L"View Log", L"Dynamic Lighting"};
  EXPECT_EQ(text(focusedControl(window_)), stops[0]) << "the first focus";
  for (size_t stop = 1; stop < std::size(stops); ++stop)
    EXPECT_EQ(focusAfter({VK_TAB}), stops[stop]);
  for (size_t stop = std::size(stops) - 1; stop-- > 0;)
    EXPECT_EQ(focusAfter({VK_SHIFT, VK_TAB}), stops[stop]);
  EXPECT_EQ(checkState(get(L"Dynamic Lighting")), BST_INDETERMINATE)
      << "moving the focus changed a box";
  EXPECT_EQ(selected(), L"") << "moving the focus selected an option";
  ASSERT_EQ(focusAfter({VK_TAB}), L"Post Processing");
  ASSERT_EQ(focusAfter({VK_TAB}), L"Low");
  for (const auto& [key, option] : std::vector<std::pair<WORD, std::wstring>>{{VK_RIGHT, L"Medium"},
                                                                              {VK_RIGHT, L"High"},
                                                                              {VK_RIGHT, L"Low"},
                                                                              {VK_LEFT, L"High"},
                                                                              {VK_UP, L"Medium"}}) {
    EXPECT_EQ(focusAfter({key}), option);
    EXPECT_EQ(selected(), option);
  }
  EXPECT_EQ(focusAfter({VK_TAB}), kLog);
  EXPECT_EQ(focusAfter({VK_SHIFT, VK_TAB}), L"Medium")
      << "the options' stop is not the selected one";
}

TEST_F(Window, EnterAndEscapePressNoButtonSpaceAndClicksNeverGreyABoxAndCancelWritesNothing) {
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=2\r\npostprocessing=2\r\n"));
  for (const wchar_t* next : {L"Post Processing", L"Low", L""}) {  // on a check box, an option
    pressKeys(window_, {VK_RETURN});
    pressKeys(window_, {VK_ESCAPE});
    if (*next) ASSERT_EQ(focusAfter({VK_TAB}), next);
  }
  ASSERT_EQ(focusAfter({VK_SHIFT, VK_TAB}), L"Post Processing");
  for (const wchar_t* box : {L"Post Processing", L"Dynamic Lighting"}) {  // a click moves the focus
    for (const int state : {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}) {
      *box == L'P' ? pressKeys(window_, {VK_SPACE}) : click(get(box));
      EXPECT_TRUE(eventually([&] { return checkState(get(box)) == state; }, 2000))
          << testing::PrintToString(box);
    }
  }
  EXPECT_EQ(setup_->windows(), 1u) << "a key opened a message";
  EXPECT_EQ(setup_->waitForExit(0), -1) << "a key ended the program";
  click(get(L"Cancel"));
  EXPECT_EQ(setup_->waitForExit(), 0);
  EXPECT_EQ(folder_.read(L"setup.ini"), "dynamiclighting=2\r\npostprocessing=2\r\n")
      << "Cancel wrote";
  EXPECT_EQ(folder_.names(), Names{L"setup.ini"});
}

TEST_F(Window,
       ViewLogOpensTheSystemsEditorEachTimeNeverOnePlantedThereAndTheCloseBoxWritesNothing) {
  wchar_t planted[MAX_PATH];
  GetModuleFileNameW(nullptr, planted, MAX_PATH);
  wcscpy(wcsrchr(planted, L'\\') + 1, L"planted.exe");
  ASSERT_TRUE(CopyFileW(planted, (folder_ / L"Notepad.exe").c_str(), FALSE));
  folder_.write(L"KOLT-Game.log", "12:01:07 Starting up\r\n");
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=1\r\n"));
  std::vector<HWND> editors;
  for (const size_t opened : {1u, 2u}) {
    click(get(L"View Log"));
    EXPECT_TRUE(eventually([&] {
      editors = windowsOf(0);
      std::erase_if(editors,
                    [](HWND window) { return text(window) != L"KOLT-Game.log - Notepad"; });
      return editors.size() == opened;
    }));
  }
  SetForegroundWindow(window_);
  EXPECT_TRUE(eventually([&] { return focusedControl(window_) == get(L"View Log"); }))
      << "no focus back";
  for (const HWND editor : editors) PostMessageW(editor, WM_CLOSE, 0, 0);
  EXPECT_EQ(setup_->windows(), 1u) << "View Log showed a message";
  PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(setup_->waitForExit(), 0) << "the close box does not end the program";
  EXPECT_EQ(folder_.names(), (Names{L"KOLT-Game.log", L"Notepad.exe", L"setup.ini"}))
      << "the planted program ran";
}

}  // namespace
}  // namespace e2e
