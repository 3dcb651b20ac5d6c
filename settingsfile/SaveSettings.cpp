#include "settingsfile/SaveSettings.h"

#include <string>
#include <string_view>

#include "settingsfile/EntryReader.h"
#include "settingsfile/SettingKeys.h"

namespace settingsfile {

namespace {

// The value a key's entry takes from the form, or nothing when it keeps its own: a texture
// entry while no option is selected.
std::optional<int> formValue(const SettingKey& key, const SettingsForm& form) {
  if (key.box) return form.checkState(*key.box);
  for (const auto option : kTextureOptions) {
    if (form.isSelected(option)) return static_cast<int>(option);
  }
  return std::nullopt;
}

void writeEdited(ByteSource& source, ByteSink& sink, const SettingsForm* form) {
  EntryReader reader(source);
  const Encoding encoding = reader.encoding();
  LineWriter writer(sink, encoding);
  while (const auto entry = reader.next()) {
    const SettingKey* key = matchKey(*entry, encoding);
    const std::optional<int> value = key ? formValue(*key, *form) : std::nullopt;
    if (!value) {
      writer.writeLine(*entry);
      continue;
    }
    const char digit = static_cast<char>('0' + *value);
    writer.writeLine(encoded(std::string(key->key) + '=' + digit, encoding));
  }
  writer.writeBytes(reader.oddByte());
  writer.flush();
}

void copy(ByteSource& source, ByteSink& sink, const SettingsForm*) {
  std::string chunk(64 * 1024, '\0');
  while (const size_t size = source.read(chunk.data(), chunk.size())) {
    sink.write(chunk.data(), size);
  }
}

// Writes `to` from `from` with `write`, to the disk. A file that could not be written whole
// is removed: a cut-off copy must never pass for a complete one.
void writeWhole(FileSystem& files, const std::string& from, const std::string& to,
                void (*write)(ByteSource&, ByteSink&, const SettingsForm*),
                const SettingsForm* form = nullptr) {
  const auto source = files.openForReading(from);
  auto sink = files.openForWriting(to);
  try {
    write(*source, *sink, form);
    sink->flushToDisk();
    sink->close();
  } catch (...) {
    sink.reset();  // Windows removes no file that is still open
    files.remove(to);
    throw;
  }
}

}  // namespace

void saveSettings(FileSystem& files, const SettingsForm& form) {
  // A link, as a mod manager leaves one, stays a link: the file it leads to is replaced,
  // through a scratch file beside it, on its own disk.
  const std::optional<std::string> target = files.linkTarget(kSettingsFile);
  const std::string original = target.value_or(kSettingsFile);
  const std::string scratch = target ? *target + ".tmp" : kScratchFile;

  writeWhole(files, kSettingsFile, scratch, writeEdited, &form);
  try {
    files.takeAttributes(scratch, original);
    files.replace(scratch, original);
  } catch (...) {
    files.remove(scratch);
    throw;
  }

  // Players and the game have always found setup.tmp beside setup.ini after a save, holding
  // the same lines. setup.ini is complete by now, so a failure here loses nothing and the
  // save stands: the player is not told of a scratch copy they never asked for, and a
  // cut-off copy has been removed.
  try {
    writeWhole(files, kSettingsFile, kScratchFile, copy);
  } catch (const FileError&) {
  }
}

}  // namespace settingsfile
