// utf8From for the Windows program: the code page is the system's, so the system decodes it.
#include <windows.h>

#include "files/Encoding.h"
#include "win32/Helpers_win.h"

namespace files {

std::string utf8From(std::string_view text, Encoding encoding) {
  std::wstring wide;
  if (unitSize(encoding) == 2) {
    for (size_t at = 0; at + 1 < text.size(); at += 2) wide += unitAt(text, at, encoding);
  } else {
    wide.resize(text.size());
    const int size = MultiByteToWideChar(encoding == Encoding::Utf8 ? CP_UTF8 : CP_ACP, 0,
                                         text.data(), static_cast<int>(text.size()), wide.data(),
                                         static_cast<int>(wide.size()));
    wide.resize(size > 0 ? size : 0);
  }
  return win32::narrow(wide);
}

}  // namespace files
