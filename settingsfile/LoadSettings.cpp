#include "settingsfile/LoadSettings.h"

#include <utility>

#include "files/Encoding.h"
#include "settingsfile/EntryReader.h"

namespace settingsfile {

using files::Encoding;
using files::FileSystem;
using files::unitSize;
using files::utf8From;

namespace {

// The line as a message can show it: a long one loses its middle, not the value at its end.
std::string excerpt(std::string_view line, Encoding encoding) {
  const size_t head = 60 * unitSize(encoding), tail = 20 * unitSize(encoding);
  if (line.size() <= head + tail) return utf8From(line, encoding);
  return utf8From(line.substr(0, head), encoding) + " ... " +
         utf8From(line.substr(line.size() - tail), encoding);
}

}  // namespace

InvalidSetting::InvalidSetting(size_t line, std::string excerpt, const SettingKey& key)
    : line_(line), excerpt_(std::move(excerpt)), key_(key) {}

void loadSettings(FileSystem& files, SettingsForm& form) {
  const auto source = files.openForReading(files.gameCopy(kSettingsFile));
  EntryReader reader(*source);
  const Encoding encoding = reader.encoding();
  while (const auto entry = reader.next()) {
    const SettingKey* key = matchKey(*entry, encoding);
    if (!key) continue;
    const std::optional<int> value = valueDigit(*entry, encoding);
    if (!value || (key->box && *value > kMaxCheckState)) {
      throw InvalidSetting(reader.lineNumber(), excerpt(*entry, encoding), *key);
    }
    if (key->box) {
      form.setCheckState(*key->box, *value);
    } else if (const auto option = textureOptionFor(*value)) {
      form.selectOption(*option);
    }
  }
}

}  // namespace settingsfile
