// How the window looks and answers the keyboard, end to end: where every control sits at
// the window's DPI and after a change of DPI; the window's styles, captions, kinds,
// z-order, tool tips and icons; the tab order, the option group's arrow keys, Space and the
// greyed state; and the icon, manifest and version inside setup.exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

// The window as designed, in twips. The test keeps its own copy so that a slip in the
// program's table shows up here.
enum class In { Window, Frame };  // what a control's left and top are measured from

struct Designed {
  const char* name;
  const wchar_t* caption;
  const char* kind;  // as kindOf() names it
  In in;
  int left, top, width, height;
  const wchar_t* toolTip;  // null: none
};

const wchar_t* const kDescription =
    L"If the game plays slow or choppy, turning off or tuning down some of the graphic "
    L"features may improve performance. Unselect features or lower the values to gain "
    L"performance.";
const wchar_t* const kLogCaption = L"Enable log file in game folder to help identify problems.";

// clang-format off
const Designed kDesign[] = {
  {"lblDescription", kDescription,          "label",       In::Window, 240,  120,  5175, 615,  nullptr},
  {"fraSettings",    L"Settings",           "frame",       In::Window, 240,  840,  5175, 1815, nullptr},
  {"chkLighting",    L"Dynamic Lighting",   "check box",   In::Frame,  240,  360,  1575, 255,  L"Display or ignore dynamic lights"},
  {"chkBloom",       L"Post Processing",    "check box",   In::Frame,  2040, 360,  1455, 255,  L"Enable or disable bloom and DOF"},
  {"lblQuality",     L"Texture Quality",    "label",       In::Frame,  240,  840,  1065, 195,  nullptr},
  {"optLow",         L"Low",                "option",      In::Window, 1800, 1680, 735,  255,  L"25% texture value"},
  {"optMedium",      L"Medium",             "option",      In::Window, 2640, 1680, 975,  255,  L"50% texture value"},
  {"optHigh",        L"High",               "option",      In::Window, 3720, 1680, 735,  255,  L"100% texture value"},
  {"chkLog",         kLogCaption,           "check box",   In::Frame,  240,  1320, 4695, 255,  L"Enable or disable logging"},
  {"cmdView",        L"View Log",           "command",     In::Window, 240,  2760, 1095, 375,  L"View available log file"},
  {"cmdCancel",      L"Cancel",             "command",     In::Window, 3240, 2760, 1095, 375,  L"Cancel changes and close"},
  {"cmdAccept",      L"Accept",             "command",     In::Window, 4440, 2760, 975,  375,  L"Accept changes and close"},
};
// clang-format on
const Designed& kFrame = kDesign[1];
constexpr int kClientWidth = 5655, kClientHeight = 3315;
const wchar_t* const kOptions[] = {L"Low", L"Medium", L"High"};
const wchar_t* const kCheckBoxes[] = {L"Dynamic Lighting", L"Post Processing", kLogCaption};

// How long a key press may take to show its effect.
constexpr DWORD kSettle = 2000;

long px(int twips, UINT dpi) { return std::lround(twips * static_cast<double>(dpi) / 1440); }

// The DPI this run is meant to test, from EXPECTED_DPI, which the test script sets for each
// Wine prefix: without it a prefix left at the wrong DPI would pass unnoticed. 0 when unset.
UINT expectedDpi() {
  wchar_t text[16];
  const DWORD size = GetEnvironmentVariableW(L"EXPECTED_DPI", text, 16);
  return size > 0 && size < 16 ? static_cast<UINT>(std::wcstoul(text, nullptr, 10)) : 0;
}

// What a control is, from its class and style: a check box must have three states to
// show greyed, a label must word-wrap, and a default push button would take Enter.
const char* kindOf(HWND control) {
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  const std::wstring kind = className(control);
  if (kind == L"Static") return (style & SS_TYPEMASK) == SS_LEFT ? "label" : "other";
  if (kind != L"Button") return "other";
  switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
      return "frame";
    case BS_3STATE:
    case BS_AUTO3STATE:
      return "check box";
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return "option";
    case BS_PUSHBUTTON:
      return "command";
  }
  return "other";
}

// The window's controls, topmost first.
std::vector<HWND> childrenInZOrder(HWND window) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// setup.exe's resources, read as data.
class ExeResources {
 public:
  ExeResources()
      : module_(LoadLibraryExW(setupExe().c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    EXPECT_NE(module_, nullptr) << "cannot open " << testing::PrintToString(setupExe());
  }
  ~ExeResources() {
    if (module_) FreeLibrary(module_);
  }
  ExeResources(const ExeResources&) = delete;
  ExeResources& operator=(const ExeResources&) = delete;

  // The resource's bytes; empty when there is none.
  std::string bytes(const wchar_t* type, const wchar_t* name) const {
    const HRSRC found = module_ ? FindResourceW(module_, name, type) : nullptr;
    if (!found) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return std::string(data, SizeofResource(module_, found));
  }

  // The first icon group: the one a file manager shows for the executable.
  std::string firstIconGroup() const {
    const WORD id = firstIconGroupId();
    return id ? bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(id)) : std::string();
  }

 private:
  WORD firstIconGroupId() const {
    WORD first = 0;
    if (module_) {
      EnumResourceNamesW(
          module_, RT_GROUP_ICON,
          [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(name)) {
              *reinterpret_cast<WORD*>(param) =
                  static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
            }
            return FALSE;
          },
          reinterpret_cast<LONG_PTR>(&first));
    }
    return first;
  }

  HMODULE module_;
};

// One start of setup.exe at a time, on a setup.ini of the test's choosing.
class WindowTest : public testing::Test {
 protected:
  void start(const std::string& setupIni) {
    setup_.reset();
    folder_.write(L"setup.ini", setupIni);
    setup_.emplace(folder_);
    window_ = setup_->waitForWindow();
    ASSERT_NE(window_, nullptr) << "the window did not show";
    // Keys pressed before the program has put the focus in the window would go astray.
    eventually([&] { return IsChild(window_, focusedControl(window_)); }, kSettle);
  }

  HWND control(const wchar_t* caption) const {
    const HWND found = findControl(window_, nullptr, caption);
    EXPECT_NE(found, nullptr) << "no control " << testing::PrintToString(std::wstring(caption));
    return found;
  }

  // Checks the client area and every control against the design at `dpi`, to a pixel.
  void expectLaidOutFor(UINT dpi) const {
    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right, px(kClientWidth, dpi)) << "client width at " << dpi << " DPI";
    EXPECT_EQ(client.bottom, px(kClientHeight, dpi)) << "client height at " << dpi << " DPI";
    for (const Designed& designed : kDesign) {
      const HWND found = control(designed.caption);
      if (!found) continue;
      const bool inFrame = designed.in == In::Frame;
      const RECT rect = rectInClient(found, window_);
      const std::string where = std::string(designed.name) + " at " + std::to_string(dpi) + " DPI";
      EXPECT_NEAR(rect.left, px(designed.left + (inFrame ? kFrame.left : 0), dpi), 1) << where;
      EXPECT_NEAR(rect.top, px(designed.top + (inFrame ? kFrame.top : 0), dpi), 1) << where;
      EXPECT_NEAR(rect.right - rect.left, px(designed.width, dpi), 1) << where;
      EXPECT_NEAR(rect.bottom - rect.top, px(designed.height, dpi), 1) << where;
    }
  }

  // Presses the keys and gives the control that has the focus once it has moved, or after
  // kSettle when it does not.
  std::wstring focusAfter(std::initializer_list<WORD> keys) const {
    const HWND before = focusedControl(window_);
    pressKeys(window_, keys);
    eventually([&] { return focusedControl(window_) != before; }, kSettle);
    return windowText(focusedControl(window_));
  }

  // The check state of the box once `act` has changed it, or after kSettle.
  template <typename Act>
  int checkStateAfter(const wchar_t* box, Act act) const {
    const HWND found = control(box);
    const int before = checkState(found);
    act();
    eventually([&] { return checkState(found) != before; }, kSettle);
    return checkState(found);
  }

  // Which texture options are selected: "Low", "Medium", "High", "" or more than one.
  std::wstring selectedOptions() const {
    std::wstring selected;
    for (const wchar_t* option : kOptions) {
      if (checkState(control(option)) == BST_CHECKED) selected += option;
    }
    return selected;
  }

  GameFolder folder_;
  std::optional<SetupProcess> setup_;
  HWND window_ = nullptr;
};

using Layout = WindowTest;
using Window = WindowTest;
using Keyboard = WindowTest;

TEST_F(Layout, EveryControlSitsAsDesignedAtTheWindowsDpiAndTheWindowIsCentred) {
  ASSERT_NO_FATAL_FAILURE(start("dividetexturesize=2\r\n"));
  const UINT dpi = dpiOf(window_);
  ASSERT_EQ(dpi, expectedDpi()) << "EXPECTED_DPI must name the DPI of the Wine prefix";
  expectLaidOutFor(dpi);

  RECT work{}, rect{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(window_, &rect);
  EXPECT_NEAR(rect.left - work.left, work.right - rect.right, 1) << "not centred across";
  EXPECT_NEAR(rect.top - work.top, work.bottom - rect.bottom, 1) << "not centred down";
}

TEST_F(Layout, LaysItselfOutAgainWhenTheDpiChanges) {
  ASSERT_NO_FATAL_FAILURE(start(""));
  const UINT original = dpiOf(window_);
  const RemoteMemory suggested(window_, sizeof(RECT));
  // Back to the start last: the first layout must not be the only one that works.
  for (const UINT dpi : {192u, 120u, original}) {
    const RECT place{static_cast<LONG>(dpi), 50, static_cast<LONG>(dpi) + 400, 350};
    suggested.write(&place, sizeof place);
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                    reinterpret_cast<LPARAM>(suggested.address()), SMTO_ABORTIFHUNG,
                                    kPatience, &result));
    expectLaidOutFor(dpi);
    RECT rect{};
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.left, place.left) << "the suggested place was not taken at " << dpi << " DPI";
    EXPECT_EQ(rect.top, place.top) << "the suggested place was not taken at " << dpi << " DPI";
  }
}

TEST_F(Window, ShowsItsCaptionStylesControlsAndToolTips) {
  ASSERT_NO_FATAL_FAILURE(start(""));
  EXPECT_EQ(windowText(window_), L"  Game Settings");

  const struct {
    const char* what;
    LONG_PTR flag;
    bool wanted;
  } styles[] = {{"a title bar", WS_CAPTION, true},
                {"a close box", WS_SYSMENU, true},
                {"a sizing border", WS_THICKFRAME, false},
                {"a minimize box", WS_MINIMIZEBOX, false},
                {"a maximize box", WS_MAXIMIZEBOX, false}};
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
  for (const auto& each : styles) {
    EXPECT_EQ((style & each.flag) == each.flag, each.wanted) << each.what;
  }

  // Captions, kinds and tool tips; nothing more on the window than designed.
  const std::vector<HWND> children = childrenInZOrder(window_);
  EXPECT_EQ(children.size(), std::size(kDesign)) << "controls other than the designed ones";
  std::map<HWND, std::wstring> expectedTips;
  for (const Designed& designed : kDesign) {
    SCOPED_TRACE(designed.name);
    const HWND found = control(designed.caption);
    if (!found) continue;
    EXPECT_STREQ(kindOf(found), designed.kind);
    EXPECT_TRUE(IsWindowVisible(found) && IsWindowEnabled(found)) << "hidden or disabled";
    if (designed.toolTip) expectedTips[found] = designed.toolTip;
  }
  EXPECT_EQ(toolTips(window_), expectedTips);

  // The option buttons lie over the frame and must be drawn above it.
  const auto depth = [&](const wchar_t* caption) {
    return std::find(children.begin(), children.end(), control(caption)) - children.begin();
  };
  for (const wchar_t* option : kOptions) {
    EXPECT_LT(depth(option), depth(kFrame.caption))
        << testing::PrintToString(std::wstring(option)) << " is under the frame";
  }
}

struct TabCase {
  const char* fault;
  std::string file;
  const wchar_t* optionStop;  // where Tab enters the option group
};

TEST_F(Keyboard, TabVisitsEachStopOnceAroundAndShiftTabGoesBackChangingNothing) {
  const TabCase cases[] = {
      {"with no option selected Tab skips the group", "dynamiclighting=2\r\nproducelogfiles=1\r\n",
       L"Low"},
      {"the group has a second stop besides the selected option", "dividetexturesize=2\r\n",
       L"Medium"},
      {"the stop stays on the first option", "postprocessing=1\r\ndividetexturesize=0\r\n",
       L"High"},
  };
  for (const TabCase& c : cases) {
    SCOPED_TRACE(c.fault);
    ASSERT_NO_FATAL_FAILURE(start(c.file));
    const std::vector<std::wstring> stops = {L"Dynamic Lighting", L"Post Processing", c.optionStop,
                                             kLogCaption,         L"Accept",          L"Cancel",
                                             L"View Log",         L"Dynamic Lighting"};
    EXPECT_EQ(windowText(focusedControl(window_)), stops.front()) << "first focus";

    std::vector<int> states;
    for (const wchar_t* box : kCheckBoxes) states.push_back(checkState(control(box)));
    const std::wstring selected = selectedOptions();

    for (size_t stop = 1; stop < stops.size(); ++stop) {
      EXPECT_EQ(focusAfter({VK_TAB}), stops[stop]) << "Tab number " << stop;
    }
    for (size_t stop = stops.size() - 1; stop-- > 0;) {
      EXPECT_EQ(focusAfter({VK_SHIFT, VK_TAB}), stops[stop]) << "Shift+Tab to stop " << stop;
    }

    std::vector<int> statesAfter;
    for (const wchar_t* box : kCheckBoxes) statesAfter.push_back(checkState(control(box)));
    EXPECT_EQ(statesAfter, states) << "moving the focus changed a check box";
    EXPECT_EQ(selectedOptions(), selected) << "moving the focus selected an option";
  }
}

TEST_F(Keyboard, ArrowKeysMoveAndSelectWithinTheOptionGroupOnly) {
  ASSERT_NO_FATAL_FAILURE(start(""));
  ASSERT_EQ(focusAfter({VK_TAB}), L"Post Processing");
  ASSERT_EQ(focusAfter({VK_TAB}), L"Low");
  const struct {
    WORD key;
    const wchar_t* option;
  } steps[] = {
      {VK_RIGHT, L"Medium"}, {VK_RIGHT, L"High"}, {VK_RIGHT, L"Low"},  // around, not out
      {VK_LEFT, L"High"},    {VK_UP, L"Medium"},  {VK_DOWN, L"High"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(step.option)));
    EXPECT_EQ(focusAfter({step.key}), step.option) << "focus";
    EXPECT_EQ(selectedOptions(), step.option) << "selection";
  }
  // The group's one stop follows the selection.
  EXPECT_EQ(focusAfter({VK_TAB}), kLogCaption);
  EXPECT_EQ(focusAfter({VK_SHIFT, VK_TAB}), L"High");
}

TEST_F(Keyboard, SpaceTogglesTheFocusedCheckBoxAndNeverGreysIt) {
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=2\r\n"));
  const auto space = [&] { pressKeys(window_, {VK_SPACE}); };
  for (const int expected : {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}) {
    EXPECT_EQ(checkStateAfter(L"Dynamic Lighting", space), expected);
  }
  ASSERT_EQ(focusAfter({VK_TAB}), L"Post Processing");
  EXPECT_EQ(checkStateAfter(L"Post Processing", space), BST_CHECKED);
}

TEST_F(Window, ClicksCheckAndUncheckABoxAndNeverGreyIt) {
  ASSERT_NO_FATAL_FAILURE(start("dynamiclighting=2\r\npostprocessing=0\r\nproducelogfiles=1\r\n"));
  const struct {
    const char* fault;
    const wchar_t* box;
    int loaded;
    int afterClicks[3];
  } cases[] = {
      // A click on a greyed box checks it: the player meant to change it.
      {"greyed stays greyed or comes back",
       L"Dynamic Lighting",
       BST_INDETERMINATE,
       {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
      {"unchecked does not check",
       L"Post Processing",
       BST_UNCHECKED,
       {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
      {"checked goes greyed",
       kLogCaption,
       BST_CHECKED,
       {BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    EXPECT_EQ(checkState(control(c.box)), c.loaded) << "as loaded";
    for (const int expected : c.afterClicks) {
      EXPECT_EQ(checkStateAfter(c.box, [&] { click(control(c.box)); }), expected);
    }
  }
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitsPerPixel;
  DWORD size;
  WORD id;
};
#pragma pack(pop)

TEST(Resources, TheIconHasA32And16PixelImageIn16Colours) {
  const ExeResources exe;
  const std::string group = exe.firstIconGroup();
  ASSERT_GE(group.size(), 6u) << "no icon";
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
  std::set<int> sizes;
  for (WORD index = 0; index < count; ++index) {
    IconGroupEntry entry;
    std::memcpy(&entry, group.data() + 6 + index * sizeof entry, sizeof entry);
    SCOPED_TRACE(entry.width);
    sizes.insert(entry.width);
    EXPECT_EQ(entry.height, entry.width) << "not square";
    const std::string image = exe.bytes(RT_ICON, MAKEINTRESOURCEW(entry.id));
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(header.biWidth, entry.width);
    EXPECT_EQ(header.biBitCount, 4) << "not 16 colours";
    EXPECT_EQ(entry.colours, 16) << "the directory does not say 16 colours";
    // The image must also be one Windows can draw.
    const HICON icon = CreateIconFromResourceEx(
        reinterpret_cast<BYTE*>(const_cast<char*>(image.data())), static_cast<DWORD>(image.size()),
        TRUE, 0x00030000, entry.width, entry.height, LR_DEFAULTCOLOR);
    EXPECT_NE(icon, nullptr) << "a broken image";
    if (icon) DestroyIcon(icon);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

TEST(Resources, TheManifestRunsAsInvokerWithVisualStylesAndPerMonitorDpi) {
  const std::string manifest =
      ExeResources().bytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
  ASSERT_FALSE(manifest.empty()) << "no manifest";
  const struct {
    const char* fault;
    const char* needle;
  } entries[] = {
      {"Windows takes setup.exe for an installer and asks for administrator rights",
       "<requestedExecutionLevel level=\"asInvoker\""},
      {"the controls are drawn without visual styles",
       "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""},
      {"Windows 10 and 11 stretch the window as a bitmap", "PerMonitorV2"},
      {"Windows 8.1 stretches the window as a bitmap", "true/pm"},
      {"Windows 7 is not declared supported", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
      {"Windows 8 is not declared supported", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
      {"Windows 8.1 is not declared supported", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
      {"Windows 10 and 11 are not declared supported", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
  };
  for (const auto& entry : entries) {
    EXPECT_NE(manifest.find(entry.needle), std::string::npos) << entry.fault;
  }
}

TEST(Resources, TheVersionNamesTheProduct) {
  const std::wstring exe = setupExe();
  std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
  ASSERT_FALSE(info.empty()) << "no version resource";
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  const auto query = [&](const std::wstring& path) -> std::wstring {
    void* value = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &size) || size == 0) return L"";
    return std::wstring(static_cast<const wchar_t*>(value), size - 1);
  };
  void* translation = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &translation, &size));
  const WORD* language = static_cast<const WORD*>(translation);
  wchar_t block[64];
  std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", language[0], language[1]);
  const auto text = [&](const wchar_t* name) { return query(block + std::wstring(name)); };

  EXPECT_EQ(text(L"ProductName"), L"Game Settings");
  EXPECT_EQ(text(L"OriginalFilename"), L"setup.exe");
  EXPECT_NE(text(L"FileDescription"), L"");
  EXPECT_EQ(text(L"LegalCopyright").rfind(L"Copyright ", 0), 0u) << "no copyright line";
}

}  // namespace
}  // namespace e2e
