// The look of frmSettings as designed, in twips (1440 to the inch, 15 to a pixel at
// 96 DPI). One row per control: creation walks this table, and nothing about a control's
// place, text or tab order is written anywhere else.
#pragma once

namespace shell {

inline constexpr const wchar_t* kWindowCaption = L"  Game Settings";
inline constexpr int kClientWidth = 5655;
inline constexpr int kClientHeight = 3315;
// MS Sans Serif 8.25 point, in hundredths of a point.
inline constexpr const wchar_t* kFontFace = L"MS Sans Serif";
inline constexpr int kFontSize = 825;

// The controls, in the order of the table below.
enum class Control : unsigned char {
  lblDescription,
  fraSettings,
  chkLighting,
  chkBloom,
  lblQuality,
  optLow,
  optMedium,
  optHigh,
  chkLog,
  cmdView,
  cmdCancel,
  cmdAccept,
};
inline constexpr int kControlCount = 12;

enum class ControlKind : unsigned char { Label, Frame, CheckBox, OptionButton, CommandButton };
// Where left and top are measured from: the window's client area, or the frame's outer
// corner (so the frame's caption lies inside its first rows).
enum class Container : unsigned char { Window, Frame };

// The enumerations above are a byte each: a row takes 48 bytes of setup.exe, not 56.
struct ControlLayout {
  Control name;
  ControlKind kind;
  Container in;
  const wchar_t* caption;
  const wchar_t* toolTip;  // null: none
  int left, top, width, height;
  int tabIndex;
};

// clang-format off
inline constexpr ControlLayout kLayout[kControlCount] = {
  {Control::lblDescription, ControlKind::Label, Container::Window,
   L"If the game plays slow or choppy, turning off or tuning down some of the graphic features "
   L"may improve performance. Unselect features or lower the values to gain performance.",
   nullptr,                               240,  120, 5175,  615,  9},
  {Control::fraSettings, ControlKind::Frame, Container::Window, L"Settings",
   nullptr,                               240,  840, 5175, 1815, 10},
  {Control::chkLighting, ControlKind::CheckBox, Container::Frame, L"Dynamic Lighting",
   L"Display or ignore dynamic lights",   240,  360, 1575,  255,  0},
  {Control::chkBloom, ControlKind::CheckBox, Container::Frame, L"Post Processing",
   L"Enable or disable bloom and DOF",    2040, 360, 1455,  255,  1},
  {Control::lblQuality, ControlKind::Label, Container::Frame, L"Texture Quality",
   nullptr,                               240,  840, 1065,  195, 11},
  // The option buttons belong to the window, which keeps them one group of their own; they
  // lie over the frame on the row of lblQuality (840 + 840).
  {Control::optLow, ControlKind::OptionButton, Container::Window, L"Low",
   L"25% texture value",                  1800, 1680, 735,  255,  2},
  {Control::optMedium, ControlKind::OptionButton, Container::Window, L"Medium",
   L"50% texture value",                  2640, 1680, 975,  255,  3},
  {Control::optHigh, ControlKind::OptionButton, Container::Window, L"High",
   L"100% texture value",                 3720, 1680, 735,  255,  4},
  {Control::chkLog, ControlKind::CheckBox, Container::Frame,
   L"Enable log file in game folder to help identify problems.",
   L"Enable or disable logging",          240, 1320, 4695,  255,  5},
  {Control::cmdView, ControlKind::CommandButton, Container::Window, L"View Log",
   L"View available log file",            240, 2760, 1095,  375,  8},
  {Control::cmdCancel, ControlKind::CommandButton, Container::Window, L"Cancel",
   L"Cancel changes and close",           3240, 2760, 1095, 375,  7},
  {Control::cmdAccept, ControlKind::CommandButton, Container::Window, L"Accept",
   L"Accept changes and close",           4440, 2760, 975,  375,  6},
};
// clang-format on

constexpr const ControlLayout& layoutOf(Control control) {
  return kLayout[static_cast<int>(control)];
}

}  // namespace shell
