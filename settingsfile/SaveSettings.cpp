#include "settingsfile/SaveSettings.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "settingsfile/EntryReader.h"
#include "settingsfile/SettingKeys.h"

namespace settingsfile {

using files::beside;
using files::ByteSink;
using files::ByteSource;
using files::Creation;
using files::encoded;
using files::Encoding;
using files::FileError;
using files::FileSystem;

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

// What makes a written file count: on the disk, and closed with no failure.
void finish(ByteSink& sink) {
  sink.flushToDisk();
  sink.close();
}

using Writer = void (*)(ByteSource&, ByteSink&, const SettingsForm*);

// Writes `sink`, opened on `to`, from file `from` with `write`, to the disk. A file that could
// not be written whole is removed: a cut-off copy must never pass for a complete one.
void writeWhole(FileSystem& files, const std::string& from, const std::string& to,
                std::unique_ptr<ByteSink> sink, Writer write, const SettingsForm* form = nullptr) {
  try {
    write(*files.openForReading(from), *sink, form);
    finish(*sink);
  } catch (...) {
    sink.reset();  // Windows removes no file that is still open
    files.remove(to);
    throw;
  }
}

// A scratch file beside a link's target, under a name no file has: whatever the player keeps
// in that folder is never written over.
std::unique_ptr<ByteSink> newScratch(FileSystem& files, const std::string& target,
                                     std::string& name) {
  name = target + ".tmp";
  for (char tried = '1';; ++tried) {
    if (auto sink = files.openForWriting(name, Creation::New)) return sink;
    if (tried > '9') break;
    name = target + '.' + tried + ".tmp";
  }
  const std::string base = target.substr(target.find_last_of("/\\") + 1);
  throw FileError(target, "replaced",
                  "the scratch names beside it, " + base + ".tmp and " + base + ".1.tmp to " +
                      base + ".9.tmp, are all taken.",
                  FileError::Kind::NamesTaken);
}

// A refusal that writing setup.ini over in place may get round: the folder refused a new file,
// or setup.ini may be written though not replaced. Where the file itself may not be written
// either, that write is refused in its turn, with its own reason.
bool refusedOnlyTheReplace(const FileError& refusal) {
  return refusal.kind() == FileError::Kind::AccessDenied ||
         refusal.kind() == FileError::Kind::WriteProtected;
}

struct Bytes final : ByteSource, ByteSink {
  std::string bytes;
  size_t at = 0;
  size_t read(char* buffer, size_t capacity) override {
    const size_t size = bytes.copy(buffer, capacity, at);
    return at += size, size;
  }
  void write(const char* data, size_t size) override { bytes.append(data, size); }
  void flushToDisk() override {}
  void close() override {}
};

// Players and the game have always found setup.tmp beside setup.ini after a save, holding
// the same lines. setup.ini is complete by now, so a failure here loses nothing and the
// save stands: the player is not told of a scratch copy they never asked for. A copy that
// could not be written whole, or an earlier save's that could not be written over, which
// would hold old settings, is removed where the system allows.
void leaveCopy(FileSystem& files, const std::string& settings, const std::string& copyName) {
  try {
    writeWhole(files, settings, copyName, files.openForWriting(copyName), copy);
  } catch (const FileError&) {
    files.remove(copyName);
  }
}

// For a folder that refuses new files while setup.ini itself may be written, as installers
// under Program Files often leave it, or a setup.ini the player may write but not replace:
// the new content is written over the old, in place. `settings` is the file itself, never a
// link, so that its own read-only attribute is the one that refuses.
// There is no atomic replace there: a crash during the write can leave setup.ini cut off.
void saveInPlace(FileSystem& files, const std::string& settings, const SettingsForm& form) {
  Bytes old;
  copy(*files.openForReading(settings), old, nullptr);
  auto sink = files.openForWriting(settings, Creation::Existing);
  try {
    writeEdited(old, *sink, &form);
    finish(*sink);
  } catch (const FileError& failure) {
    sink.reset();
    try {
      sink = files.openForWriting(settings, Creation::Existing);
      sink->write(old.bytes.data(), old.bytes.size());
      finish(*sink);
    } catch (const FileError&) {
      throw failure.as(FileError::Kind::Incomplete);
    }
    throw;
  }
}

}  // namespace

void saveSettings(FileSystem& files, const SettingsForm& form) {
  const std::string settings = files.gameCopy(kSettingsFile);
  const std::string gameScratch = beside(settings, kScratchFile);
  // A link, as a mod manager leaves one, stays a link: the file it leads to is replaced,
  // through a scratch file beside it, on its own disk.
  const std::optional<std::string> target = files.linkTarget(settings);
  const std::string original = target.value_or(settings);
  std::string scratch = gameScratch;
  std::unique_ptr<ByteSink> sink;
  try {
    sink = target ? newScratch(files, *target, scratch) : files.openForWriting(scratch);
  } catch (const FileError& refused) {
    if (!refusedOnlyTheReplace(refused)) throw;
    saveInPlace(files, original, form);
    return leaveCopy(files, settings, gameScratch);
  }

  writeWhole(files, settings, scratch, std::move(sink), writeEdited, &form);
  try {
    files.takeAttributes(scratch, original);
    files.replace(scratch, original);
  } catch (const FileError& refused) {
    files.remove(scratch);
    if (!refusedOnlyTheReplace(refused)) throw;
    saveInPlace(files, original, form);
    return leaveCopy(files, settings, gameScratch);
  } catch (...) {
    files.remove(scratch);
    throw;
  }
  // The rename has happened and the game reads the new file. A folder the player may not
  // write may refuse its flush; the file's own flush then makes the rename durable on NTFS.
  // Should the system refuse both, there is nothing better to do, and the save stands.
  try {
    files.flushFolderOf(original);
  } catch (const FileError&) {
    try {
      files.flushFile(original);
    } catch (const FileError&) {
    }
  }
  leaveCopy(files, settings, gameScratch);
}

}  // namespace settingsfile
