// Where Windows sends an old game's writes under Program Files: with User Account Control on,
// a game that is not marked as aware of it has its writes to the folders of the system (and
// then its reads of the files written) redirected to a per-user copy, its VirtualStore. The
// game then never reads the copy in its own folder again. setup.exe, which is marked, sees
// the folder as it is and must follow the game to its copy.
#pragma once

#include <optional>
#include <string>

namespace files {

// The full name of the VirtualStore copy of the file `name` of the current folder, when the
// system virtualises the game and such a copy exists; nothing otherwise.
std::optional<std::wstring> virtualStoreCopy(const std::wstring& name);

}  // namespace files
