#include "settingsfile/LoadSettings.h"

#include "settingsfile/EntryReader.h"

namespace settingsfile {

InvalidSetting::InvalidSetting(size_t line, std::string_view text, const SettingKey& key)
    : line_(line), text_(text), key_(key) {}

void loadSettings(FileSystem& files, SettingsForm& form) {
  const auto source = files.openForReading(kSettingsFile);
  EntryReader reader(*source);
  while (const auto entry = reader.nextStartingWith(kKeyStarts)) {
    const SettingKey* key = matchKey(*entry);
    if (!key) continue;
    const std::optional<int> value = valueDigit(*entry);
    if (!value || (key->box && *value > kMaxCheckState)) {
      throw InvalidSetting(reader.lineNumber(), *entry, *key);
    }
    if (key->box) {
      form.setCheckState(*key->box, *value);
    } else if (const auto option = textureOptionFor(*value)) {
      form.selectOption(*option);
    }
  }
}

}  // namespace settingsfile
