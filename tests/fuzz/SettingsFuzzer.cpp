// A setup.ini made of arbitrary bytes, through the load and the save, in memory. Besides what
// the sanitizers catch, every save must keep the promises the player relies on, judged against
// the code units the file was made of here: it changes only the key lines, to the loaded values,
// keeps every other line unit for unit in its encoding, byte order mark and odd last byte
// included, and leaves setup.tmp a copy. Which values a load takes, and which line it refuses,
// is LoadSettingsTest's table; the native tests fail every step of a save.
#undef NDEBUG  // a broken promise crashes, so that libFuzzer keeps the input that broke it
#include <cassert>
#include <cstdint>
#include <string>

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

  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  files.readChunk = 1 + size % 8;  // lines must come out the same however the file arrives
  standins::Form loaded;
  try {
    settingsfile::loadSettings(files, loaded);
  } catch (const settingsfile::InvalidSetting&) {
    return 0;  // what the load refuses is LoadSettingsTest's
  }
  settingsfile::saveSettings(files, loaded);

  // Each line (CR LF, a lone LF and a lone CR end one) as it was, but a key line made
  // "key=digit" of the loaded value, and a CR LF after each.
  std::string expected = mark;
  for (size_t start = 0, i = 0; i <= units.size(); ++i) {
    if (i < units.size() && units[i] != u'\r' && units[i] != u'\n') continue;
    if (i == units.size() && start == i) break;  // a line end at the very end makes no line
    std::u16string line = units.substr(start, i - start);
    const size_t blanks = line.find_first_not_of(u" \t");
    int key = blanks == line.npos ? 4 : 0;  // the key the line belongs to; 4: none
    while (key < 4 && !std::u16string_view(line).substr(blanks).starts_with(kKeys[key])) ++key;
    if (key < 3 || (key == 3 && loaded.selected)) {  // the texture lines stay when no option is
      const int digit = key < 3 ? loaded.checks[key] : static_cast<int>(*loaded.selected);
      line = std::u16string(kKeys[key]) + u'=' + char16_t(u'0' + digit);
    }
    expected += bytes(line + u"\r\n");
    i += i + 1 < units.size() && units[i] == u'\r' && units[i + 1] == u'\n';
    start = i + 1;
  }
  assert(files.files["setup.ini"] == expected + odd && "the save changes only the key lines");
  assert(files.files.size() == 2 && files.files["setup.tmp"] == expected + odd && "a copy");
  return 0;
}
