#include "settingsfile/SettingKeys.h"

namespace settingsfile {

using files::Encoding;
using files::unitAt;
using files::unitSize;

const TextureOption kTextureOptions[3] = {TextureOption::High, TextureOption::Medium,
                                          TextureOption::Low};

namespace {

// Where the entry's text lies once the blanks around it are set aside, in bytes.
struct Trimmed {
  size_t begin, end;
};

Trimmed trimBlanks(std::string_view entry, Encoding encoding) {
  const size_t unit = unitSize(encoding);
  const auto blank = [&](size_t at) {
    const char16_t c = unitAt(entry, at, encoding);
    return c == ' ' || c == '\t';
  };
  Trimmed text{0, entry.size()};
  while (text.begin < text.end && blank(text.begin)) text.begin += unit;
  while (text.end > text.begin && blank(text.end - unit)) text.end -= unit;
  return text;
}

}  // namespace

const SettingKey* matchKey(std::string_view entry, Encoding encoding) {
  const size_t unit = unitSize(encoding);
  const Trimmed text = trimBlanks(entry, encoding);
  for (const SettingKey& row : kSettingKeys) {
    if (text.end - text.begin < row.key.size() * unit) continue;
    size_t same = 0;
    while (same < row.key.size() && unitAt(entry, text.begin + same * unit, encoding) ==
                                        static_cast<char16_t>(row.key[same])) {
      ++same;
    }
    if (same == row.key.size()) return &row;
  }
  return nullptr;
}

std::optional<int> valueDigit(std::string_view entry, Encoding encoding) {
  const Trimmed text = trimBlanks(entry, encoding);
  if (text.begin == text.end) return std::nullopt;
  const char16_t last = unitAt(entry, text.end - unitSize(encoding), encoding);
  if (last < '0' || last > '9') return std::nullopt;
  return last - '0';
}

std::optional<TextureOption> textureOptionFor(int divisor) {
  for (const TextureOption option : kTextureOptions) {
    if (static_cast<int>(option) == divisor) return option;
  }
  return std::nullopt;
}

}  // namespace settingsfile
