// What the Windows files, the window and the entry point share: text conversion, the system's
// reason for a failure, lookups of functions newer than Windows 7, and owners for handles.
// The program's own text is UTF-8; Windows' wide text is converted at its calls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// The system's own words for a failure code, or for the calling thread's last one: "Access is
// denied."
std::string systemReason(DWORD code);
std::string lastSystemReason();

// A function of a newer Windows, or null where the system has none, so that the program still
// starts on Windows 7.
template <typename Function>
Function newerFunction(const wchar_t* module, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(module), name)));
}

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
// Null for "none": a failed CreateFileW must be turned into null with ownFile().
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
inline UniqueHandle ownFile(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct IconDestroyer {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

}  // namespace win32
