// utf8From for the native build, where the settings-file code is tested: the code page is
// taken to be Latin-1, which every byte is a character of.
#include "files/Encoding.h"

namespace files {

std::string utf8From(std::string_view text, Encoding encoding) {
  if (encoding == Encoding::Utf8) return std::string(text);
  std::string utf8;
  const size_t unit = unitSize(encoding);
  for (size_t at = 0; at + unit <= text.size(); at += unit) {
    char32_t c = unitAt(text, at, encoding);
    const char32_t next = at + 2 * unit <= text.size() ? unitAt(text, at + unit, encoding) : 0;
    if (c >= 0xD800 && c < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
      at += unit;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    const int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    utf8 += static_cast<char>((0xF0E0C000u >> 8 * extra & 0xFF) | c >> 6 * extra);
    for (int i = extra - 1; i >= 0; --i) utf8 += static_cast<char>(0x80 | (c >> 6 * i & 0x3F));
  }
  return utf8;
}

}  // namespace files
