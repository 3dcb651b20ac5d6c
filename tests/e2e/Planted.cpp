// A program planted in the game folder under the text editor's name. If it ever runs, it
// leaves a file behind in its current directory for the test to find.
#include <windows.h>

int wmain() {
  const HANDLE marker = CreateFileW(L"planted-program-ran", GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return 0;
}
