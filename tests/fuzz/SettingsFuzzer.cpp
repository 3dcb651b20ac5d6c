// Arbitrary bytes as setup.ini, through the load and the save, in memory. Besides what the
// sanitizers catch, every input must keep the promises the player relies on, judged by a
// reading of the file written here apart from the program's own: the load takes the values of
// the four keys, or stops at the first unusable one and names its line, writing nothing; the
// save changes only the key lines, keeps every other line unit for unit in its encoding, loads
// on every step it takes. (The native tests fail every step of a save in turn.)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "InMemory.h"
#include "settingsfile/LoadSettings.h"
#include "settingsfile/SaveSettings.h"

namespace {

// Crashes on purpose, so that libFuzzer keeps the input that broke a promise.
void require(bool holds, const char* promise) {
  if (!holds) std::fprintf(stderr, "broken: %s\n", promise), std::abort();
}

constexpr std::u16string_view kKeys[] = {u"dynamiclighting", u"dividetexturesize",
                                         u"producelogfiles", u"postprocessing"};
constexpr int kBoxOf[] = {0, -1, 2, 1};  // the form's check box for each key

// The file as this oracle reads it: a byte order mark and what it says, lines of code units,
// and an odd last byte. Every line written back, with its key line changed to `form`.
struct Text {
  std::string mark, odd;
  bool wide = false, bigEndian = false;
  std::vector<std::u16string> lines;

  explicit Text(std::string_view bytes) {
    for (const std::string_view bom : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
      if (bytes.starts_with(bom)) mark = bom;
    }
    wide = mark.size() == 2;
    bigEndian = mark == "\xFE\xFF";
    bytes.remove_prefix(mark.size());
    std::u16string units;
    for (size_t at = 0; at + wide < bytes.size(); at += 1 + wide) {
      const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
      units += static_cast<char16_t>(!wide       ? byte(0)
                                     : bigEndian ? byte(0) << 8 | byte(1)
                                                 : byte(1) << 8 | byte(0));
    }
    odd = bytes.substr(units.size() * (1 + wide));
    for (size_t start = 0, i = 0; i <= units.size(); ++i) {
      if (i < units.size() && units[i] != u'\r' && units[i] != u'\n') continue;
      if (i < units.size() || start < i) lines.push_back(units.substr(start, i - start));
      i += i + 1 < units.size() && units[i] == u'\r' && units[i + 1] == u'\n';
      start = i + 1;
    }
  }
  std::string write(const standins::Form& form) const {
    std::string bytes = mark;
    for (std::u16string line : lines) {
      char16_t value;
      const int key = keyOf(line, value);
      if (key >= 0 && (key != 1 || form.selected)) {
        const int digit = key == 1 ? static_cast<int>(*form.selected) : form.checks[kBoxOf[key]];
        line = std::u16string(kKeys[key]) + u'=' + static_cast<char16_t>(u'0' + digit);
      }
      for (const char16_t unit : line + u"\r\n") {
        const char high = char(unit >> 8), low = char(unit);
        bytes += !wide       ? std::string{low}
                 : bigEndian ? std::string{high, low}
                             : std::string{low, high};
      }
    }
    return bytes + odd;
  }
  // The key a line belongs to (0 to 3, -1 none) and its value character, blanks set aside.
  static int keyOf(std::u16string_view line, char16_t& value) {
    while (!line.empty() && (line.front() == u' ' || line.front() == u'\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == u' ' || line.back() == u'\t')) line.remove_suffix(1);
    value = line.empty() ? 0 : line.back();
    for (int key = 0; key < 4; ++key) {
      if (line.starts_with(kKeys[key])) return key;
    }
    return -1;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte says what the others are: the file as it is, or, after a UTF-16 mark, each
  // one unit, those from 0x80 on no ASCII (surrogates, CR or LF as a high byte), and perhaps an
  // odd last byte.
  if (size == 0) return 0;
  std::string file(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 4) {
    constexpr char16_t kOthers[] = {0x0D0A, 0x0A0D, 0xD800, 0xDC00, 0xE9, 0x3000};
    const bool bigEndian = data[0] % 4 == 2;
    file = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (size_t i = 1; i < size; ++i) {
      const char16_t unit = data[i] < 0x80 ? data[i] : kOthers[data[i] % 6];
      file += {static_cast<char>(bigEndian ? unit >> 8 : unit),
               static_cast<char>(bigEndian ? unit : unit >> 8)};
    }
    if (data[0] & 4) file += '\x01';
  }
  const Text text(file);
  standins::Form expected;
  size_t invalidLine = 0;
  for (size_t i = 0; i < text.lines.size() && !invalidLine; ++i) {
    char16_t value;
    const int key = Text::keyOf(text.lines[i], value),
              digit = value >= u'0' && value <= u'9' ? value - u'0' : -1;
    if (key < 0) continue;
    if (digit < 0 || (key != 1 && digit > 2)) invalidLine = i + 1;
    if (key != 1 && !invalidLine) expected.checks[kBoxOf[key]] = digit;
    if (key == 1 && digit >= 0 && digit % 2 == 0 && digit <= 4)
      expected.selected = settingsfile::TextureOption(digit);
  }

  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  files.readChunk = 1 + size % 8;  // lines must come out the same however the file arrives
  standins::Form loaded;
  try {
    settingsfile::loadSettings(files, loaded);
  } catch (const settingsfile::InvalidSetting& error) {
    require(error.line() == invalidLine, "the load stops at the first unusable value");
    require(files.files.size() == 1 && files.files["setup.ini"] == file,
            "a failed load writes nothing");
    return 0;
  }
  require(!invalidLine && loaded == expected, "the load takes the four keys' values");
  settingsfile::saveSettings(files, loaded);
  const std::string saved = files.files["setup.ini"];
  require(saved == text.write(loaded), "the save changes the key lines and nothing else");
  require(files.files.size() == 2 && files.files["setup.tmp"] == saved, "setup.tmp is a copy");
  return 0;
}
