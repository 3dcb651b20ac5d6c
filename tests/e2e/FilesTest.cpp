// setup.ini end to end, as only the real program on the real system shows it: Accept through
// real clicks in every kind of game folder a player has (hidden and system attributes, a longer
// setup.tmp left behind, a file Notepad saved as Unicode, a link, the longest paths); a save the
// system refuses; a kill at each step of a save; and what the player is told when setup.ini
// cannot be used.
#include <string>
#include <thread>

#include "Driver.h"

namespace e2e {
namespace {

using namespace std::string_literals;

std::string utf16(std::string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char c : text) bytes += {c, '\0'};
  return bytes;
}

// setup.ini in `folder` made a symbolic link to the one in `target`, a folder beside it: under
// Wine, whose own call makes none, a Unix one.
bool makeLink(const GameFolder& folder, const GameFolder& target) {
  const std::wstring link = folder / L"setup.ini";
  std::wstring command = L"/bin/ln -s ../" + target.path.substr(target.path.rfind(L'\\') + 1) +
                         L"/setup.ini setup.ini";
  STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, 0, 0, nullptr, folder.path.c_str(),
                      &startup, &started))
    return CreateSymbolicLinkW(link.c_str(), (target / L"setup.ini").c_str(), 2);
  // Wine may tell a Unix program ended before it has.
  return eventually([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; },
                    5000);
}

TEST(Accept, SavesTheWindowsValuesInEveryKindOfGameFolderAndConfirmsOnce) {
  const struct {
    const char* fault;
    std::string before;
    std::vector<std::wstring> clicks;
    std::string after;
    size_t pathLength = 0;  // of the game folder; 0: an ordinary one
    bool linked = false;    // setup.ini is a link to a file in another folder
  } cases[] = {
      {"the player's changes are lost, a greyed box is written unchecked, other lines altered, a "
       "longer setup.tmp left behind leaves its tail, or a second click saves inside the message",
       "; hand-edited\r\nname=\"Kolt, the Brave\"\r\n\tdynamiclighting=1 \r\ndividetexturesize=2\n"
       "caf\xe9=\xff\0x\rpostprocessing=2\r\n\r\nproducelogfiles=0"s,
       {L"Dynamic Lighting", L"Low", L"Enable log file in game folder to help identify problems."},
       "; hand-edited\r\nname=\"Kolt, the Brave\"\r\ndynamiclighting=0\r\ndividetexturesize=4\r\n"
       "caf\xe9=\xff\0x\r\npostprocessing=2\r\n\r\nproducelogfiles=1\r\n"s},
      {"a file Notepad saved as Unicode is read as bytes and its line ends corrupted",
       utf16("[Video]\r\ndynamiclighting=0\r\ndividetexturesize=4\r\n"),
       {L"Dynamic Lighting", L"High"},
       utf16("[Video]\r\ndynamiclighting=1\r\ndividetexturesize=0\r\n")},
      {"a link is made a file, or its file moved in", "a", {}, "a\r\n", 0, true},
      {"a long folder is refused (from 248 characters)", "a", {}, "a\r\n", 258},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const GameFolder elsewhere, folder(c.pathLength);
    const GameFolder& real = c.linked ? elsewhere : folder;
    real.write(L"setup.ini", c.before);
    if (c.linked) ASSERT_TRUE(makeLink(folder, elsewhere));
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    SetFileAttributesW((real / L"setup.ini").c_str(), kept);
    folder.write(L"setup.tmp", c.before + std::string(100, 'x'));
    SetupProcess setup(folder);
    const HWND window = setup.window();
    for (const std::wstring& caption : c.clicks) click(control(window, caption));
    click(control(window, L"Accept"));
    setup.waitFor(L"#32770");
    click(control(window, L"Accept"));
    Sleep(500);
    EXPECT_EQ(setup.windows(), 2u) << "a second message, or the window is gone";
    EXPECT_EQ(setup.message(), L"Settings Saved\nSettings saved successfully.");
    EXPECT_EQ(setup.waitForExit(), 0);
    EXPECT_EQ(real.read(L"setup.ini"), c.after);
    EXPECT_EQ(folder.read(L"setup.tmp"), c.after);
    EXPECT_EQ(folder.names(), (Names{L"setup.ini", L"setup.tmp"}));
    EXPECT_EQ(elsewhere.names(), c.linked ? Names{L"setup.ini"} : Names{});
    EXPECT_EQ(GetFileAttributesW((real / L"setup.ini").c_str()) & kept, kept);
  }
}

// A save the system refuses: setup.ini read-only, or the disk full (FULL_DISK names a small
// file system with room for setup.ini only, which scripts/test makes). The player is told why
// and what to do, nothing changes, and the window goes on.
TEST(Accept, ARefusedSaveIsToldWithWhatToDoChangesNothingAndTheWindowGoesOnWithTheFocusBack) {
  for (const bool full : {false, true}) {
    GameFolder folder;
    // Unset, the save succeeds and the test fails.
    if (full && _wgetenv(L"FULL_DISK")) folder.path = _wgetenv(L"FULL_DISK");
    const std::string before = "dynamiclighting=0\r\n" + std::string(40'000, ';');
    folder.write(L"setup.ini", before);
    if (!full) SetFileAttributesW((folder / L"setup.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    SetupProcess setup(folder);
    const HWND window = setup.window();
    click(control(window, L"Dynamic Lighting"));
    click(control(window, L"Accept"));
    std::wstring message = setup.message();
    const size_t reason = message.find(L": ") + 2;  // the system's own words
    message.erase(reason, message.find(L"\n\n") - reason);
    EXPECT_EQ(
        message,
        L"Settings not saved\n"s +
            (full ? L"setup.tmp could not be written: " : L"setup.ini could not be replaced: ") +
            L"\n\nsetup.ini has not been changed. " +
            (full ? L"" : L"setup.ini is read-only: clear Read-only in its Properties. ") +
            L"You can try Accept again, or Cancel to quit.");
    // The focus is given back to where it was before the message.
    EXPECT_TRUE(eventually([&] { return focusedControl(window) == control(window, L"Accept"); }));
    EXPECT_EQ(checkState(control(window, L"Dynamic Lighting")), BST_CHECKED);
    EXPECT_EQ(folder.read(L"setup.ini"), before);
    EXPECT_EQ(folder.names(), Names{L"setup.ini"}) << "a cut-off setup.tmp is left";
  }
}

// A save killed at each change of the folder's names leaves setup.ini old or new, whole, and
// no file but setup.ini and setup.tmp; and at no moment is there no setup.ini.
TEST(Accept, AKillAtAnyStepOfASaveLeavesSetupIniOldOrNew) {
  std::string before;
  while (before.size() < 20'000'000) before += "option" + std::to_string(before.size()) + "=1\r\n";
  const std::string after = before + "dynamiclighting=1\r\n";
  before += "dynamiclighting=0\r\n";
  for (int kill = 1, completed = false; !completed; ++kill) {
    const GameFolder folder;
    folder.write(L"setup.ini", before);
    const HANDLE changes =
        FindFirstChangeNotificationW((folder / L"").c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    SetupProcess setup(folder);
    bool gone = false;  // for a moment too short to be killed in, but not to be seen
    std::jthread watch([&, ini = folder / L"setup.ini"] {
      while (WaitForSingleObject(setup.process.hProcess, 0) == WAIT_TIMEOUT)
        gone |= GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES;
    });
    click(control(setup.window(), L"Dynamic Lighting"));
    click(control(setup.window(), L"Accept"));
    for (int seen = 0; seen < kill && !(completed = setup.windows() > 1);) {  // the confirmation
      if (WaitForSingleObject(changes, 20) == WAIT_OBJECT_0)
        seen += FindNextChangeNotification(changes);
    }
    setup.kill();
    watch.join();  // when setup.exe has ended
    EXPECT_FALSE(gone) << "no setup.ini for a moment of the save";
    FindCloseChangeNotification(changes);
    const std::string now = folder.read(L"setup.ini");
    EXPECT_TRUE(now == before || now == after)
        << "killed at change " << kill << ": " << now.size() << " bytes";
    for (const std::wstring& name : folder.names()) {
      EXPECT_TRUE(name == L"setup.ini" || name == L"setup.tmp") << testing::PrintToString(name);
      DeleteFileW((folder / name).c_str());  // 20 MB
    }
  }
}

TEST(Load, TellsWhatIsWrongWithSetupIniShowsNoWindowAndWritesNothing) {
  for (const auto& [file, message] : std::vector<std::pair<std::string, std::wstring>>{
           {"-",  // none
            L"Missing file!\nsetup.ini file was not found. Make sure setup.exe and setup.ini are "
            L"present in the game directory."},
           // UTF-16, with a NUL that would cut the message short and a character beyond 16 bits,
           // in a line cut to its first 60 and last 20 characters.
           {utf16("a=1\r\n dividetexturesize=\0"s + std::string(70, '0')) + "\x3D\xD8\x00\xDEx\0"s,
            L"Invalid setting\nsetup.ini, line 2, holds a value this program cannot use:\n\n\" "
            L"dividetexturesize=?" +
                std::wstring(40, L'0') + L" ... " + std::wstring(17, L'0') +
                L"\U0001F600x\"\n\n"
                L"The value of dividetexturesize must be a digit: 0 for High, 2 for Medium, 4 for "
                L"Low. Correct or remove this line in setup.ini, then start setup.exe again."},
           {"postprocessing=caf\xe9",  // in the system's code page, as Windows' own editor saves
            L"Invalid setting\nsetup.ini, line 1, holds a value this program cannot use:\n\n\""
            L"postprocessing=caf\u00e9\"\n\nThe value of postprocessing must be 0, 1 or 2. Correct "
            L"or remove this line in setup.ini, then start setup.exe again."}}) {
    const GameFolder folder;
    if (file != "-") folder.write(L"setup.ini", file);
    SetupProcess setup(folder);
    setup.waitFor(L"#32770");
    EXPECT_EQ(setup.windows(), 1u) << "the window showed behind the message";
    EXPECT_EQ(setup.message(), message);
    EXPECT_EQ(setup.waitForExit(), 1);
    EXPECT_EQ(folder.names(), file == "-" ? Names{} : Names{L"setup.ini"});
    EXPECT_EQ(folder.read(L"setup.ini"), file == "-" ? "" : file);
  }
}

}  // namespace
}  // namespace e2e
