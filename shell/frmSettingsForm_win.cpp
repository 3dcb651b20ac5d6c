// frmSettings as the settings form: what the load writes into the window's check boxes and
// option buttons, and what the save reads out of them.
#include <exception>

#include "settingsfile/SettingKeys.h"
#include "shell/frmSettings_win.h"

namespace shell {

using settingsfile::CheckBox;
using settingsfile::TextureOption;

namespace {

// std::invalid_argument would bring the library's every standard exception into setup.exe.
class InvalidCheckState : public std::exception {
 public:
  const char* what() const noexcept override { return "invalid check state"; }
};

Control boxFor(CheckBox box) {
  switch (box) {
    case CheckBox::Lighting:
      return Control::chkLighting;
    case CheckBox::Bloom:
      return Control::chkBloom;
    case CheckBox::Log:
      break;
  }
  return Control::chkLog;
}

Control optionFor(TextureOption option) {
  switch (option) {
    case TextureOption::High:
      return Control::optHigh;
    case TextureOption::Medium:
      return Control::optMedium;
    case TextureOption::Low:
      break;
  }
  return Control::optLow;
}

}  // namespace

void frmSettings::setCheckState(CheckBox box, int state) {
  if (state < BST_UNCHECKED || state > BST_INDETERMINATE) {
    throw InvalidCheckState();
  }
  SendMessageW(control(boxFor(box)), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

int frmSettings::checkState(CheckBox box) const {
  return static_cast<int>(SendMessageW(control(boxFor(box)), BM_GETCHECK, 0, 0));
}

void frmSettings::selectOption(TextureOption option) {
  // Each option is told its state: an option button keeps a tab stop exactly while it is
  // checked, and the group must have one stop.
  for (const auto each : settingsfile::kTextureOptions) {
    SendMessageW(control(optionFor(each)), BM_SETCHECK,
                 each == option ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

bool frmSettings::isSelected(TextureOption option) const {
  return SendMessageW(control(optionFor(option)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace shell
