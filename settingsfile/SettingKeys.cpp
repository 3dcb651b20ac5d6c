#include "settingsfile/SettingKeys.h"

namespace settingsfile {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

const SettingKey* matchKey(std::string_view entry) {
  const std::string_view text = trimBlanks(entry);
  for (const SettingKey& row : kSettingKeys) {
    if (text.substr(0, row.key.size()) == row.key) return &row;
  }
  return nullptr;
}

std::optional<int> valueDigit(std::string_view entry) {
  const std::string_view text = trimBlanks(entry);
  if (text.empty() || text.back() < '0' || text.back() > '9') return std::nullopt;
  return text.back() - '0';
}

std::optional<TextureOption> textureOptionFor(int divisor) {
  for (TextureOption option : {TextureOption::High, TextureOption::Medium, TextureOption::Low}) {
    if (static_cast<int>(option) == divisor) return option;
  }
  return std::nullopt;
}

}  // namespace settingsfile
