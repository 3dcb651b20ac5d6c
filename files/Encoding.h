// How setup.ini's text is laid out in bytes. A file that starts with a UTF-16 byte order mark
// is UTF-16 code units in that byte order; any other file is bytes: UTF-8 after a UTF-8 byte
// order mark, else the system's 8-bit code page. Entries stay bytes whatever the encoding, so
// that every line the program does not change goes back exactly as it came; only the few code
// units the program looks at or writes (line ends, blanks, keys, "=", digits) are decoded or
// encoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace files {

enum class Encoding { CodePage, Utf8, Utf16Le, Utf16Be };

inline size_t unitSize(Encoding encoding) {
  return encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be ? 2 : 1;
}

// The code unit that starts at byte `at`.
inline char16_t unitAt(std::string_view bytes, size_t at, Encoding encoding) {
  const auto* unit = reinterpret_cast<const unsigned char*>(bytes.data() + at);
  if (unitSize(encoding) == 1) return unit[0];
  return encoding == Encoding::Utf16Le ? unit[0] | unit[1] << 8 : unit[0] << 8 | unit[1];
}

// ASCII text in the encoding's code units.
inline std::string encoded(std::string_view ascii, Encoding encoding) {
  if (unitSize(encoding) == 1) return std::string(ascii);
  std::string bytes;
  for (const char c : ascii) {
    bytes += encoding == Encoding::Utf16Be ? '\0' : c;
    bytes += encoding == Encoding::Utf16Be ? c : '\0';
  }
  return bytes;
}

// Text of a setup.ini in the given encoding as UTF-8, for a message; an unpaired surrogate
// shows as U+FFFD. Without a byte order mark the encoding is the system's 8-bit code page,
// which only the system knows: Encoding_win.cpp asks it, Encoding_posix.cpp takes Latin-1.
std::string utf8From(std::string_view text, Encoding encoding);

}  // namespace files
