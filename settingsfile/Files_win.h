// What the Windows file layer shares with the rest of the Windows program.
#pragma once

#include <string>

namespace settingsfile {

// Text in the system's 8-bit code page, the encoding of setup.ini, as the wide text that
// Windows' own functions take.
std::wstring widen(const std::string& text);

}  // namespace settingsfile
