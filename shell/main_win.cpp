// setup.exe: the game's settings window.
#include <windows.h>

#include <exception>

#include "shell/Commands.h"
#include "shell/Platform_win.h"
#include "shell/frmSettings_win.h"
#include "win32/Helpers_win.h"

namespace {

// Windows otherwise looks for a DLL in the program's folder first: the game's folder, where
// anyone may have dropped one under a system DLL's name.
void loadDllsFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  const auto setDefaultDllDirectories =
      win32::newerFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (setDefaultDllDirectories) setDefaultDllDirectories(kSearchSystem32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  loadDllsFromSystemFolderOnly();
  try {
    shell::frmSettings window(instance);
    return window.run();
  } catch (const std::exception& failure) {
    shell::WindowsPlatform platform(nullptr);
    shell::reportUnexpectedFailure(platform, failure);
    return 2;
  }
}
