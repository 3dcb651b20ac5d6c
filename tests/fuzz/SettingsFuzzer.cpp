// Arbitrary bytes as setup.ini, through the load and the save, in memory. Besides what the
// sanitizers catch, every input must keep the promises the player relies on: a load that
// fails writes nothing and names the right line; a save keeps every line count and every
// line that is not one of the four keys, byte for byte, changes only the key lines, and
// brings back the same settings when loaded again; and a save that fails at any step
// leaves setup.ini old or complete.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "InMemory.h"
#include "settingsfile/Files.h"
#include "settingsfile/LoadSettings.h"
#include "settingsfile/SaveSettings.h"
#include "settingsfile/SettingKeys.h"

namespace {

using settingsfile::FileError;
using settingsfile::InvalidSetting;
using settingsfile::SettingKey;
using settingsfile::TextureOption;

// Crashes on purpose, so that libFuzzer keeps the input that broke a promise.
void require(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", promise);
  std::abort();
}

// The file's lines, split as plainly as possible and independently of the entry reader:
// CR LF, a lone LF and a lone CR each end a line, and a last line without an end counts.
std::vector<std::string_view> linesOf(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

std::string withCrLf(const std::vector<std::string_view>& lines) {
  std::string bytes;
  for (const std::string_view line : lines) {
    bytes.append(line);
    bytes += "\r\n";
  }
  return bytes;
}

// What the save must make of one line, given the form it saves.
std::string expectedLine(std::string_view line, const standins::Form& form) {
  const SettingKey* key = settingsfile::matchKey(line);
  if (!key) return std::string(line);
  int value;
  if (key->box) {
    value = form.checkState(*key->box);
  } else if (form.selected) {
    value = static_cast<int>(*form.selected);
  } else {
    return std::string(line);
  }
  return std::string(key->key) + "=" + std::to_string(value);
}

void checkFailedLoad(const InvalidSetting& error, std::string_view file,
                     const standins::MemoryFiles& files) {
  const auto lines = linesOf(file);
  require(error.line() >= 1 && error.line() <= lines.size(), "the invalid line exists");
  require(lines[error.line() - 1] == error.text(), "the invalid line is quoted as it stands");
  require(settingsfile::matchKey(error.text()) == &error.key(), "the invalid line's key");
  require(files.files.size() == 1 && files.files.at("setup.ini") == file,
          "a failed load writes nothing");
}

// A save that fails at its `failAt`-th file operation leaves setup.ini old or complete,
// and is reported unless setup.ini is already complete.
void checkFailedSave(const std::string& before, const std::string& after,
                     const standins::Form& form, int failAt) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = before;
  files.readChunk = SIZE_MAX;
  files.failAt = failAt;
  bool reported = false;
  try {
    settingsfile::saveSettings(files, form);
  } catch (const FileError&) {
    reported = true;
  }
  require(!files.failed.empty(), "the chosen operation happened");
  require(files.files.at("setup.ini") == (reported ? before : after),
          "a failed save leaves setup.ini old or complete");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  // Lines must come out the same however the file arrives: a few bytes at a time here,
  // all at once below.
  files.readChunk = 1 + size % 8;

  standins::Form loaded;
  try {
    settingsfile::loadSettings(files, loaded);
  } catch (const InvalidSetting& error) {
    checkFailedLoad(error, file, files);
    return 0;
  }

  files.readChunk = SIZE_MAX;
  const int operationsBefore = files.operations;
  settingsfile::saveSettings(files, loaded);
  const int saveOperations = files.operations - operationsBefore;
  const std::string saved = files.files.at("setup.ini");
  require(files.files.size() == 2 && files.files.at("setup.tmp") == saved,
          "setup.tmp is a copy of setup.ini and nothing else is written");

  const auto linesBefore = linesOf(file);
  const auto linesAfter = linesOf(saved);
  require(saved == withCrLf(linesAfter), "every line ends in CR LF");
  require(linesAfter.size() == linesBefore.size(), "no line is added or removed");
  for (size_t i = 0; i < linesBefore.size(); ++i) {
    require(linesAfter[i] == expectedLine(linesBefore[i], loaded),
            "only the key lines change, and they take the form's values");
  }

  standins::Form reloaded;
  settingsfile::loadSettings(files, reloaded);
  require(reloaded == loaded, "a saved file loads to the same settings");
  settingsfile::saveSettings(files, reloaded);
  require(files.files.at("setup.ini") == saved, "saving what was loaded changes nothing more");

  checkFailedSave(file, saved, loaded, 1 + static_cast<int>(size % saveOperations));
  return 0;
}
