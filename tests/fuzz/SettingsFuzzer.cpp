// A setup.ini made of arbitrary bytes, through the load and the save, in memory. Besides what
// the sanitizers catch, the load and the save must keep the rules and promises the player relies
// on, judged against the code units the file was made of here: the load takes each key's last
// usable value or refuses the first line it cannot take; the save changes only the key lines, to
// the loaded values, keeps every other line unit for unit in its encoding, byte order mark and
// odd last byte included, and leaves setup.tmp a copy. The seeds hold a file for each rule of
// the load. The commands' tests refuse the save's steps.
#undef NDEBUG  // a broken promise crashes, so that libFuzzer keeps the input that broke it
#include <cassert>
#include <cstdint>
#include <string>
#include <vector>

#include "InMemory.h"
#include "settingsfile/LoadSettings.h"
#include "settingsfile/SaveSettings.h"

namespace {

// The keys of the form's check boxes, in their order, then the texture's.
constexpr std::u16string_view kKeys[] = {u"dynamiclighting", u"postprocessing", u"producelogfiles",
                                         u"dividetexturesize"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte says how the file is encoded: in the code page (0), UTF-8 (1), UTF-16 LE (2)
  // or BE (3), each after its byte order mark, and for UTF-16 whether an odd byte ends it (4).
  // Every other byte is a code unit; in UTF-16, those from 0x80 on are units with no ASCII in
  // them, CR or LF as a high byte, surrogates, and others.
  if (size == 0) return 0;
  const int encoding = data[0] % 4;
  const std::string_view marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  const std::string mark(marks[encoding]);
  const std::string odd = encoding > 1 && data[0] & 4 ? "\x01" : "";
  const auto bytes = [&](std::u16string_view units) {  // in the file's encoding
    std::string out;
    for (const char16_t unit : units) {
      if (encoding == 3) out += char(unit >> 8);
      out += char(unit);
      if (encoding == 2) out += char(unit >> 8);
    }
    return out;
  };
  std::u16string units;
  for (size_t i = 1; i < size; ++i)
    units += encoding < 2 || data[i] < 0x80 ? data[i]
                                            : u"\x0D0A\x0A0D\xD800\xDC00\xE9\x3000"[data[i] % 6];
  const std::string file = mark + bytes(units) + odd;
  // What may start a byte order mark; such 8-bit files are the other encodings'.
  if (encoding == 0 && size > 1 && (data[1] == 0xEF || data[1] >= 0xFE)) return 0;

  // The lines (CR LF, a lone LF and a lone CR end one; a line end at the very end makes no
  // line), each with the key it belongs to once the blanks before it are set aside (4: none).
  std::vector<std::pair<std::u16string, int>> lines;
  for (size_t start = 0, i = 0; i <= units.size(); ++i) {
    if (i < units.size() && units[i] != u'\r' && units[i] != u'\n') continue;
    if (i == units.size() && start == i) break;
    const std::u16string line = units.substr(start, i - start);
    const size_t blanks = line.find_first_not_of(u" \t");
    int key = blanks == line.npos ? 4 : 0;
    while (key < 4 && !std::u16string_view(line).substr(blanks).starts_with(kKeys[key])) ++key;
    lines.emplace_back(line, key);
    i += i + 1 < units.size() && units[i] == u'\r' && units[i + 1] == u'\n';
    start = i + 1;
  }
  // What the load takes: a key line's value is its last unit but for trailing blanks, a digit,
  // at most 2 for a box; a key's last line decides, for the texture its last of 0, 2 or 4. The
  // first line whose value cannot be taken is refused, by its number.
  standins::Form expected;
  size_t refused = 0;
  for (size_t n = 0; n < lines.size() && !refused; ++n) {
    const auto& [line, key] = lines[n];
    const int digit = key < 4 ? line[line.find_last_not_of(u" \t")] - u'0' : 0;
    if (digit < 0 || digit > (key < 3 ? 2 : 9)) {
      refused = n + 1;
    } else if (key < 3) {
      expected.checks[key] = digit;
    } else if (key == 3 && digit % 2 == 0 && digit <= 4) {
      expected.selected = settingsfile::TextureOption(digit);
    }
  }

  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  files.readChunk = 1 + size % 8;  // lines must come out the same however the file arrives
  standins::Form loaded;
  try {
    settingsfile::loadSettings(files, loaded);
  } catch (const settingsfile::InvalidSetting& error) {
    assert(error.line() == refused && "the load refuses the first line it cannot take");
    return 0;
  }
  assert(!refused && loaded.checks == expected.checks && loaded.selected == expected.selected &&
         "the load takes each key's last value it can");
  settingsfile::saveSettings(files, loaded);

  // Each line as it was, but a key line made "key=digit" of the loaded value (a texture line
  // stays when no option is selected), and a CR LF after each.
  std::string saved = mark;
  for (auto [line, key] : lines) {
    if (key < 3 || (key == 3 && loaded.selected)) {
      const int digit = key < 3 ? loaded.checks[key] : static_cast<int>(*loaded.selected);
      line = std::u16string(kKeys[key]) + u'=' + char16_t(u'0' + digit);
    }
    saved += bytes(line + u"\r\n");
  }
  assert(files.files["setup.ini"] == saved + odd && "the save changes only the key lines");
  assert(files.files.size() == 2 && files.files["setup.tmp"] == saved + odd && "a copy");
  return 0;
}
