#include "win32/Helpers_win.h"

namespace win32 {

std::wstring widen(std::string_view utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       wide.data(), static_cast<int>(wide.size()));
  wide.resize(size > 0 ? size : 0);
  return wide;
}

std::string narrow(std::wstring_view wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::string systemReason(DWORD code) {
  wchar_t* text = nullptr;
  DWORD size = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  while (size > 0 &&
         (text[size - 1] == L'\r' || text[size - 1] == L'\n' || text[size - 1] == L' ')) {
    --size;
  }
  const wchar_t* words = text;
  wchar_t unknown[32];
  if (size == 0) {
    // Windows' own formatting: std::to_string would bring its digits for this one number.
    size = static_cast<DWORD>(wsprintfW(unknown, L"system error %lu.", code));
    words = unknown;
  }
  std::string reason = narrow({words, size});
  LocalFree(text);
  return reason;
}

std::string lastSystemReason() { return systemReason(GetLastError()); }

}  // namespace win32
