// setup.ini end to end, as only the real program on the real system shows it: Accept through
// real clicks in every kind of game folder a player has (hidden and system attributes, a longer
// setup.tmp left behind, a file Notepad saved as Unicode, a link, the longest paths, a folder
// only the file of which may be written, a file another program holds, the copy Windows makes
// the game read), and the saves the system refuses; a kill at each step of a save; and what
// the player is told when setup.ini cannot be used.
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

// Another program holding `file`, sharing it as given, for a moment.
std::jthread holdFor300Ms(const std::wstring& file, DWORD sharing) {
  const HANDLE held =
      CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
  return std::jthread([held] { Sleep(300), CloseHandle(held); });
}

// Where setup.ini is: in an ordinary folder; in one of a path of 258 characters; a link to a
// file in another folder, beside which the player keeps a setup.ini.tmp; held by another
// program for a moment at the start (sharing it with no one), or at Accept (with readers, not
// the rename); in a read-only folder, itself writable (ONLY_FILE names one); in Program Files
// with a VirtualStore copy, User Account Control on or off.
// clang-format off
enum Place { Plain, Long, Linked, HeldAtStart, HeldAtAccept, OnlyFile, Virtual, NotVirtual };
// clang-format on

TEST(Accept, SavesTheWindowsValuesInEveryKindOfGameFolderAndConfirmsOnce) {
  const struct {
    Place place;
    const char* fault;
    std::string before = "a", after = "a\r\n";
    std::vector<std::wstring> clicks;
  } cases[] = {
      {Plain,
       "the player's changes are lost, a greyed box is written unchecked, other lines altered, a "
       "longer setup.tmp left behind leaves its tail, or a second click saves inside the message",
       "; hand-edited\r\nname=\"Kolt, the Brave\"\r\n\tdynamiclighting=1 \r\ndividetexturesize=2\n"
       "caf\xe9=\xff\0x\rpostprocessing=2\r\n\r\nproducelogfiles=0"s,
       "; hand-edited\r\nname=\"Kolt, the Brave\"\r\ndynamiclighting=0\r\ndividetexturesize=4\r\n"
       "caf\xe9=\xff\0x\r\npostprocessing=2\r\n\r\nproducelogfiles=1\r\n"s,
       {L"Dynamic Lighting", L"Low", L"Enable log file in game folder to help identify problems."}},
      {Plain,
       "a file Notepad saved as Unicode is read as bytes and its line ends corrupted",
       utf16("[Video]\r\ndynamiclighting=0\r\ndividetexturesize=4\r\n"),
       utf16("[Video]\r\ndynamiclighting=1\r\ndividetexturesize=0\r\n"),
       {L"Dynamic Lighting", L"High"}},
      {Long, "a long folder is refused (from 248 characters)"},
      {Linked, "a link is made a file, its file moved in, or a file beside it written over"},
      {HeldAtStart, "a file held for a moment is not waited for on load"},
      {HeldAtAccept, "a file held for a moment is not waited for on save"},
      {OnlyFile, "a folder that refuses new files refuses the save"},
      {Virtual, "the copy the game reads is not the one shown and saved"},
      {NotVirtual, "a VirtualStore copy is used without User Account Control"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const bool programFiles = c.place == Virtual || c.place == NotVirtual;
    DWORD uac = c.place == Virtual;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                              L"EnableLUA", REG_DWORD, &uac, sizeof uac),
              ERROR_SUCCESS);
    GameFolder other, folder(c.place == Long ? 258 : 0);
    if (c.place == OnlyFile) folder.path = needEnvironment(L"ONLY_FILE", "a read-only folder");
    if (programFiles) {
      const std::wstring game = L"\\Program Files" + folder.path.substr(folder.path.rfind(L'\\'));
      folder.path = L"C:" + game;
      other.path = _wgetenv(L"LOCALAPPDATA") + L"\\VirtualStore"s + game;
      for (const auto* each : {&folder, &other}) std::filesystem::create_directories(each->path);
      (c.place == Virtual ? folder : other).write(L"setup.ini", "dynamiclighting=0");
    }
    const GameFolder& real = c.place == Linked || c.place == Virtual ? other : folder;
    const GameFolder& scratch = c.place == Virtual ? other : folder;
    const GameFolder& aside = &scratch == &folder ? other : folder;  // whose setup.ini stays
    real.write(L"setup.ini", c.before);
    if (c.place == Linked) ASSERT_TRUE(makeLink(folder, other));
    if (c.place == Linked) other.write(L"setup.ini.tmp", "the player's");
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    SetFileAttributesW((real / L"setup.ini").c_str(), kept);
    if (c.place != OnlyFile) scratch.write(L"setup.tmp", c.before + std::string(100, 'x'));
    std::jthread holder;
    if (c.place == HeldAtStart) holder = holdFor300Ms(folder / L"setup.ini", 0);
    SetupProcess setup(folder);
    const HWND window = setup.window();
    for (const std::wstring& caption : c.clicks) click(control(window, caption));
    if (c.place == HeldAtAccept) holder = holdFor300Ms(folder / L"setup.ini", FILE_SHARE_READ);
    click(control(window, L"Accept"));
    setup.waitFor(L"#32770");
    click(control(window, L"Accept"));
    Sleep(500);
    EXPECT_EQ(setup.windows(), 2u) << "a second message, or the window is gone";
    EXPECT_EQ(setup.message(), L"Settings Saved\nSettings saved successfully.");
    EXPECT_EQ(setup.waitForExit(), 0);
    EXPECT_EQ(real.read(L"setup.ini"), c.after);
    EXPECT_EQ(GetFileAttributesW((real / L"setup.ini").c_str()) & kept, kept);
    EXPECT_EQ(scratch.read(L"setup.tmp"), c.place == OnlyFile ? "" : c.after);
    EXPECT_EQ(scratch.names(),
              c.place == OnlyFile ? Names{L"setup.ini"} : (Names{L"setup.ini", L"setup.tmp"}));
    EXPECT_EQ(aside.names(), c.place == Linked ? (Names{L"setup.ini", L"setup.ini.tmp"})
                             : programFiles    ? Names{L"setup.ini"}
                                               : Names{});
    if (programFiles) EXPECT_EQ(aside.read(L"setup.ini"), "dynamiclighting=0");
  }
}

// A save the system refuses: setup.ini read-only, the disk full (FULL_DISK names a small file
// system with room for setup.ini only, which scripts/test makes), or setup.ini held by another
// program beyond the wait. The player is told why and what to do, nothing changes, and the
// window goes on; once the file is let go, Accept saves.
TEST(Accept, ARefusedSaveIsToldWithWhatToDoChangesNothingAndTheWindowGoesOnWithTheFocusBack) {
  const struct {
    char refusal;  // read-only, full disk, held
    const wchar_t *failed, *advice;
  } cases[] = {{'r', L"setup.ini could not be replaced: ",
                L"setup.ini is read-only: clear Read-only in its Properties. "},
               {'f', L"setup.tmp could not be written: ", L""},
               {'h', L"setup.ini could not be read: ",
                L"Another program, perhaps the game, is using setup.ini: close it. "}};
  for (const auto& [refusal, failed, advice] : cases) {
    GameFolder folder;
    if (refusal == 'f') folder.path = needEnvironment(L"FULL_DISK", "a nearly full file system");
    const std::string before = "dynamiclighting=0\r\n" + std::string(40'000, ';');
    folder.write(L"setup.ini", before);
    if (refusal == 'r')
      SetFileAttributesW((folder / L"setup.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    SetupProcess setup(folder);
    const HWND window = setup.window();
    const HANDLE held = refusal == 'h' ? CreateFileW((folder / L"setup.ini").c_str(), GENERIC_READ,
                                                     0, nullptr, OPEN_EXISTING, 0, nullptr)
                                       : nullptr;
    click(control(window, L"Dynamic Lighting"));
    click(control(window, L"Accept"));
    std::wstring message = setup.message();
    const size_t reason = message.find(L": ") + 2;  // the system's own words
    message.erase(reason, message.find(L"\n\n") - reason);
    EXPECT_EQ(message, L"Settings not saved\n"s + failed + L"\n\nsetup.ini has not been changed. " +
                           advice + L"You can try Accept again, or Cancel to quit.");
    // The focus is given back to where it was before the message.
    EXPECT_TRUE(eventually([&] { return focusedControl(window) == control(window, L"Accept"); }));
    EXPECT_EQ(checkState(control(window, L"Dynamic Lighting")), BST_CHECKED);
    CloseHandle(held);
    EXPECT_TRUE(folder.read(L"setup.ini") == before);
    EXPECT_EQ(folder.names(), Names{L"setup.ini"}) << "a cut-off setup.tmp is left";
    if (refusal != 'h') continue;
    click(control(window, L"Accept"));
    EXPECT_EQ(setup.message(), L"Settings Saved\nSettings saved successfully.");
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
