#include "settingsfile/SaveSettings.h"

#include <string>
#include <string_view>

#include "settingsfile/EntryReader.h"
#include "settingsfile/SettingKeys.h"

namespace settingsfile {

namespace {

// The entry as the save writes it; `replacement` holds the text of a replaced one.
std::string_view edited(std::string_view entry, const SettingsForm& form,
                        std::string& replacement) {
  const SettingKey* key = matchKey(entry);
  if (!key) return entry;
  int value;
  if (key->box) {
    value = form.checkState(*key->box);
  } else if (form.isSelected(TextureOption::High)) {
    value = static_cast<int>(TextureOption::High);
  } else if (form.isSelected(TextureOption::Medium)) {
    value = static_cast<int>(TextureOption::Medium);
  } else if (form.isSelected(TextureOption::Low)) {
    value = static_cast<int>(TextureOption::Low);
  } else {
    return entry;
  }
  replacement.assign(key->key);
  replacement += '=';
  replacement += static_cast<char>('0' + value);
  return replacement;
}

void copyFile(FileSystem& files, const char* from, const char* to) {
  const auto source = files.openForReading(from);
  const auto sink = files.openForWriting(to);
  std::string chunk(64 * 1024, '\0');
  while (const size_t size = source->read(chunk.data(), chunk.size())) {
    sink->write(chunk.data(), size);
  }
  sink->close();
}

}  // namespace

void saveSettings(FileSystem& files, const SettingsForm& form) {
  {
    const auto source = files.openForReading(kSettingsFile);
    const auto sink = files.openForWriting(kScratchFile);
    EntryReader reader(*source);
    LineWriter writer(*sink);
    std::string replacement;
    // Lines that cannot be a key's go through unread, as they are.
    while (const auto entry = reader.nextStartingWith(kKeyStarts, &writer)) {
      writer.writeLine(edited(*entry, form, replacement));
    }
    writer.flush();
    sink->flushToDisk();
    sink->close();
  }
  files.replace(kScratchFile, kSettingsFile);

  // Players and the game have always found setup.tmp beside setup.ini after a save, holding
  // the same lines. setup.ini is complete by now, so a failure here loses nothing and the
  // save stands: the player is not told of a scratch copy they never asked for.
  try {
    copyFile(files, kSettingsFile, kScratchFile);
  } catch (const FileError&) {
  }
}

}  // namespace settingsfile
