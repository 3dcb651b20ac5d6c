#include "files/VirtualStore_win.h"

#include <windows.h>

namespace files {

namespace {

// A DWORD policy of User Account Control, or `absent` when it is not set.
DWORD policy(const wchar_t* value, DWORD absent) {
  DWORD data, size = sizeof data;
  return RegGetValueW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", value,
                      RRF_RT_REG_DWORD, nullptr, &data, &size) == ERROR_SUCCESS
             ? data
             : absent;
}

}  // namespace

std::optional<std::wstring> virtualStoreCopy(const std::wstring& name) {
  // Wine and Proton leave User Account Control off: they pay for one registry lookup.
  if (policy(L"EnableLUA", 0) != 1 || policy(L"EnableVirtualization", 1) == 0) return {};
  // The system's folders are short, and so are the games' folders in them. The system
  // redirects a game that entered its folder by the 8.3 name (C:\PROGRA~2\...), as old
  // shortcuts and launchers do, all the same: it is the long name that counts.
  wchar_t entered[MAX_PATH], folder[MAX_PATH];
  DWORD length = GetCurrentDirectoryW(MAX_PATH, entered);
  if (length >= MAX_PATH) return {};
  length = GetLongPathNameW(entered, folder, MAX_PATH);
  if (length >= MAX_PATH || length < 3 || folder[1] != L':') return {};
  // The folders Windows virtualises, as the system names them to a 64-bit program.
  bool virtualised = false;
  for (const wchar_t* root :
       {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramData", L"SystemRoot"}) {
    wchar_t path[MAX_PATH];
    const DWORD size = GetEnvironmentVariableW(root, path, MAX_PATH);
    virtualised |= size && size < length && folder[size] == L'\\' &&
                   CompareStringOrdinal(folder, int(size), path, int(size), TRUE) == CSTR_EQUAL;
  }
  wchar_t local[MAX_PATH], copy[1024];  // the longest wsprintfW writes
  const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
  if (!virtualised || !size || size >= MAX_PATH) return {};
  // The copy's path is the file's own without its drive.
  wsprintfW(copy, L"\\\\?\\%s\\VirtualStore%s\\%s", local, folder + 2, name.c_str());
  const DWORD attributes = GetFileAttributesW(copy);
  if (attributes == INVALID_FILE_ATTRIBUTES || attributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  return copy + 4;
}

}  // namespace files
