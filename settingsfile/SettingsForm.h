// The settings form state as the load and the save see it: the window's six setting
// controls are the only holders of the four settings while the program runs, so the load
// writes straight into them and the save reads straight out of them.
#pragma once

namespace settingsfile {

enum class CheckBox { Lighting, Bloom, Log };

// The enumerators' values are the texture divisors the game stores for them.
enum class TextureOption { High = 0, Medium = 2, Low = 4 };

// Check states: 0 unchecked, 1 checked, 2 greyed.
inline constexpr int kMaxCheckState = 2;

class SettingsForm {
 public:
  virtual ~SettingsForm() = default;
  // Fails for a state outside 0..kMaxCheckState.
  virtual void setCheckState(CheckBox box, int state) = 0;
  virtual int checkState(CheckBox box) const = 0;
  // Selects one option of the group and clears the other two.
  virtual void selectOption(TextureOption option) = 0;
  virtual bool isSelected(TextureOption option) const = 0;
};

}  // namespace settingsfile
