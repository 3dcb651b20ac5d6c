// Arbitrary bytes as setup.ini, through the load and the save, in memory. Besides what the
// sanitizers catch, every input must keep the promises the player relies on, judged by a
// reading of the file written here apart from the program's own: the load takes the values
// of the four keys, or stops at the first unusable one and names its line, writing nothing;
// the save changes only the key lines, keeps every other line unit for unit in its encoding,
// loads back to the same settings, and, failing at any step, leaves setup.ini old or complete.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "InMemory.h"
#include "settingsfile/LoadSettings.h"
#include "settingsfile/SaveSettings.h"

namespace {

using settingsfile::FileError;
using settingsfile::InvalidSetting;
using settingsfile::TextureOption;

// Crashes on purpose, so that libFuzzer keeps the input that broke a promise.
void require(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", promise);
  std::abort();
}

// The file as this oracle reads it: a byte order mark, lines of code units, an odd byte.
struct Text {
  std::string mark;
  int unit = 1;
  bool bigEndian = false;
  std::vector<std::u16string> lines;
  std::string odd;
};

Text read(std::string_view bytes) {
  Text text;
  for (const std::string_view mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
    if (!bytes.starts_with(mark)) continue;
    text.mark = mark;
    text.unit = mark.size() == 2 ? 2 : 1;
    text.bigEndian = mark == "\xFE\xFF";
    break;
  }
  bytes.remove_prefix(text.mark.size());
  std::u16string units;
  for (size_t at = 0; at + text.unit <= bytes.size(); at += text.unit) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    units += static_cast<char16_t>(text.unit == 1   ? byte(0)
                                   : text.bigEndian ? byte(0) << 8 | byte(1)
                                                    : byte(1) << 8 | byte(0));
  }
  text.odd = bytes.substr(units.size() * text.unit);
  size_t start = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    if (units[i] != u'\r' && units[i] != u'\n') continue;
    text.lines.push_back(units.substr(start, i - start));
    if (units[i] == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < units.size()) text.lines.push_back(units.substr(start));
  return text;
}

std::string write(const Text& text) {
  std::string bytes = text.mark;
  for (const std::u16string& line : text.lines) {
    for (const char16_t unit : line + u"\r\n") {
      if (text.unit == 1) {
        bytes += static_cast<char>(unit);
      } else {
        bytes += static_cast<char>(text.bigEndian ? unit >> 8 : unit & 0xFF);
        bytes += static_cast<char>(text.bigEndian ? unit & 0xFF : unit >> 8);
      }
    }
  }
  return bytes + text.odd;
}

constexpr std::u16string_view kKeys[] = {u"dynamiclighting", u"dividetexturesize",
                                         u"producelogfiles", u"postprocessing"};

// The key a line belongs to (0 to 3, -1 none) and its value character, blanks set aside.
int keyOf(std::u16string_view line, char16_t& value) {
  while (!line.empty() && (line.front() == u' ' || line.front() == u'\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == u' ' || line.back() == u'\t')) line.remove_suffix(1);
  value = line.empty() ? 0 : line.back();
  for (int key = 0; key < 4; ++key) {
    if (line.starts_with(kKeys[key])) return key;
  }
  return -1;
}

standins::Form expectedLoad(const Text& text, size_t& invalidLine) {
  standins::Form form;
  constexpr int kBoxOf[] = {0, -1, 2, 1};  // the form's check box for each key
  for (size_t i = 0; i < text.lines.size(); ++i) {
    char16_t value;
    const int key = keyOf(text.lines[i], value);
    if (key < 0) continue;
    const int digit = value >= u'0' && value <= u'9' ? value - u'0' : -1;
    if (digit < 0 || (key != 1 && digit > 2)) {
      invalidLine = i + 1;
      return form;
    }
    if (key != 1) form.checks[kBoxOf[key]] = digit;
    if (key == 1 && digit % 2 == 0 && digit <= 4) form.selected = static_cast<TextureOption>(digit);
  }
  return form;
}

std::string expectedSave(Text text, const standins::Form& form) {
  constexpr int kBoxOf[] = {0, -1, 2, 1};
  for (std::u16string& line : text.lines) {
    char16_t value;
    const int key = keyOf(line, value);
    if (key < 0 || (key == 1 && !form.selected)) continue;
    const int digit = key == 1 ? static_cast<int>(*form.selected) : form.checks[kBoxOf[key]];
    line = std::u16string(kKeys[key]) + u'=' + static_cast<char16_t>(u'0' + digit);
  }
  return write(text);
}

// How the fuzzer's bytes become setup.ini: as they are, or each byte one UTF-16 unit after a
// byte order mark, with bytes from 0x80 on standing for surrogates and for units whose high
// byte is CR or LF, and perhaps an odd last byte.
std::string fileFrom(const uint8_t* data, size_t size) {
  if (size == 0 || data[0] % 4 == 0) return std::string(reinterpret_cast<const char*>(data), size);
  const bool bigEndian = data[0] % 4 == 2;
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (size_t i = 1; i < size; ++i) {
    const uint8_t b = data[i];
    const char16_t unit = b < 0x80   ? b
                          : b < 0x90 ? 0xD800 | b
                          : b < 0xA0 ? 0xDC00 | b
                          : b < 0xB0 ? 0x0D00 | b
                          : b < 0xC0 ? 0x0A00 | b
                                     : b;
    bytes += static_cast<char>(bigEndian ? unit >> 8 : unit & 0xFF);
    bytes += static_cast<char>(bigEndian ? unit & 0xFF : unit >> 8);
  }
  return data[0] & 4 ? bytes + "\x01" : bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = fileFrom(data, size);
  const Text text = read(file);
  size_t invalidLine = 0;
  const standins::Form expected = expectedLoad(text, invalidLine);

  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  files.readChunk = 1 + size % 8;  // lines must come out the same however the file arrives
  standins::Form loaded;
  try {
    settingsfile::loadSettings(files, loaded);
  } catch (const InvalidSetting& error) {
    require(error.line() == invalidLine, "the load stops at the first unusable value");
    require(files.files.size() == 1 && files.files.at("setup.ini") == file,
            "a failed load writes nothing");
    return 0;
  }
  require(invalidLine == 0 && loaded == expected, "the load takes the four keys' values");

  files.readChunk = SIZE_MAX;
  const int operationsBefore = files.operations;
  settingsfile::saveSettings(files, loaded);
  const int saveOperations = files.operations - operationsBefore;
  const std::string saved = files.files.at("setup.ini");
  require(saved == expectedSave(text, loaded), "the save changes the key lines and nothing else");
  require(files.files.size() == 2 && files.files.at("setup.tmp") == saved, "setup.tmp is a copy");
  standins::Form reloaded;
  settingsfile::loadSettings(files, reloaded);
  require(reloaded == loaded, "a saved file loads to the same settings");

  standins::MemoryFiles failing;
  failing.files["setup.ini"] = file;
  failing.readChunk = SIZE_MAX;
  failing.failAt = 1 + static_cast<int>(size % saveOperations);
  bool reported = false;
  try {
    settingsfile::saveSettings(failing, loaded);
  } catch (const FileError&) {
    reported = true;
  }
  require(failing.files.at("setup.ini") == (reported ? file : saved), "setup.ini old or complete");
  require(!failing.files.count("setup.tmp") ||
              failing.files.at("setup.tmp") == failing.files.at("setup.ini"),
          "setup.tmp is absent or a copy");
  return 0;
}
