// setup.ini end to end, as only the real program on the real system shows it: Accept through
// real clicks in every kind of game folder a player has (hidden and system attributes, a longer
// setup.tmp left behind, a link, a folder only the file of which may be
// written, a file another program holds, the copy Windows makes the game read), and the saves
// the system refuses; a kill at each step of a save; and what the player is told when setup.ini
// cannot be used.
#include <optional>
#include <string>

#include "Driver.h"

namespace e2e {
namespace {

using namespace std::string_literals;

const wchar_t* const kPolicies = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

std::string utf16(std::string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char c : text) bytes += {c, '\0'};
  return bytes;
}

// setup.ini in `folder` made a symbolic link to the one in `target`, a folder beside it: a Unix
// one, since Wine's own call makes none.
bool makeLink(const GameFolder& folder, const GameFolder& target) {
  const std::wstring link = folder / L"setup.ini";
  std::wstring command = L"/bin/ln -s ../" + target.path.substr(target.path.rfind(L'\\') + 1) +
                         L"/setup.ini setup.ini";
  STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
  PROCESS_INFORMATION started{};
  // Wine may tell a Unix program ended before it has: the link is waited for.
  return CreateProcessW(nullptr, command.data(), nullptr, nullptr, 0, 0, nullptr,
                        folder.path.c_str(), &startup, &started) &&
         eventually([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; },
                    5000);
}

// The game stand-in, built beside this program, copied into `folder` as KOLT-Game.exe.
std::wstring gameIn(const GameFolder& folder) {
  wchar_t self[MAX_PATH];
  const std::wstring exe(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  const std::wstring game = folder / L"KOLT-Game.exe";
  EXPECT_TRUE(CopyFileW((exe.substr(0, exe.rfind(L'\\') + 1) + L"game_stand_in.exe").c_str(),
                        game.c_str(), FALSE));
  return game;
}

// Where setup.ini is: in an ordinary folder; a link to a file in another folder, beside which
// the player keeps a setup.ini.tmp; in a read-only folder, itself writable (ONLY_FILE names
// one); in a folder that takes the player's files but keeps its owner's setup.ini (STICKY names
// one); in Program Files with a VirtualStore copy, User Account Control on (the folder entered
// by its long or its 8.3 name) or off.
enum Place { Plain, Linked, OnlyFile, Sticky, Virtual, VirtualShort, NotVirtual };
// Where a program runs from while Accept is clicked.
enum Running { Nothing, FromTheGameFolder, FromAnother };

TEST(Accept, SavesTheWindowsValuesInEveryKindOfGameFolderAndConfirmsOnce) {
  const struct {
    Place place;
    const char* fault;
    std::string before = "dynamiclighting=1", after = "dynamiclighting=1\r\n";
    std::vector<std::wstring> clicks;
    Running running = Nothing;
  } cases[] = {
      {Plain,
       "changes lost, greyed written unchecked, lines altered, a longer setup.tmp's tail kept",
       "; hand-edited\r\nname=\"Kolt, the Brave\"\r\n\tdynamiclighting=1 \r\ndividetexturesize=2\n"
       "caf\xe9=\xff\0x\rpostprocessing=2\r\n\r\nproducelogfiles=0"s,
       "; hand-edited\r\nname=\"Kolt, the Brave\"\r\ndynamiclighting=0\r\ndividetexturesize=4\r\n"
       "caf\xe9=\xff\0x\r\npostprocessing=2\r\n\r\nproducelogfiles=1\r\n"s,
       {L"Dynamic Lighting", L"Low", L"Enable log file in game folder to help identify problems."}},
      {Linked, "a link is made a file, its file moved in, or a file beside it written over"},
      {OnlyFile, "a folder that refuses new files refuses the save"},
      {Sticky, "a setup.ini that may be written but not replaced is told held, or refused"},
      {Virtual, "the copy the game reads is not the one shown and saved"},
      {VirtualShort, "the copy the game reads is missed when its folder is entered by 8.3 names"},
      {NotVirtual, "a VirtualStore copy is used without User Account Control"},
      {Plain, "no question while the game runs, or a No that saves", {}, {}, {}, FromTheGameFolder},
      {Plain, "a program of another folder taken for the game", {}, {}, {}, FromAnother},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const bool programFiles =
        c.place == Virtual || c.place == VirtualShort || c.place == NotVirtual;
    DWORD uac = c.place == Virtual || c.place == VirtualShort;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kPolicies, L"EnableLUA", REG_DWORD, &uac, 4), 0);
    GameFolder other, folder;
    if (c.place == OnlyFile) folder.path = needEnvironment(L"ONLY_FILE", "a read-only folder");
    if (c.place == Sticky) folder.path = needEnvironment(L"STICKY", "a folder with mode 1777");
    if (programFiles) {
      const std::wstring game = L"\\Program Files" + folder.path.substr(folder.path.rfind(L'\\'));
      folder.path = L"C:" + game;
      other.path = _wgetenv(L"LOCALAPPDATA") + L"\\VirtualStore"s + game;
      for (const auto* each : {&folder, &other}) std::filesystem::create_directories(each->path);
      (c.place == NotVirtual ? other : folder).write(L"setup.ini", "dynamiclighting=0");
    }
    const GameFolder& real = c.place == Linked || programFiles && uac ? other : folder;
    const GameFolder& scratch = programFiles && uac ? other : folder;
    const GameFolder& aside = &scratch == &folder ? other : folder;  // whose setup.ini stays
    real.write(L"setup.ini", c.before);
    if (c.place == Linked) ASSERT_TRUE(makeLink(folder, other));
    if (c.place == Linked) other.write(L"setup.ini.tmp", "the player's");
    // Another owner's file takes no attributes from the player.
    const DWORD kept = c.place == Sticky ? 0 : FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    SetFileAttributesW((real / L"setup.ini").c_str(), kept);
    if (c.place != OnlyFile) scratch.write(L"setup.tmp", c.before + std::string(100, 'x'));
    std::optional<SetupProcess> game;
    if (c.running)
      game.emplace(other, gameIn(c.running == FromTheGameFolder ? folder : other).c_str());
    GameFolder entered = folder;
    if (c.place == VirtualShort) {
      wchar_t shortName[MAX_PATH];
      entered.path.resize(GetShortPathNameW(folder.path.c_str(), shortName, MAX_PATH));
      entered.path = shortName;
      ASSERT_NE(entered.path, folder.path);
    }
    SetupProcess setup(entered);
    const HWND window = setup.window();
    for (const std::wstring& caption : c.clicks) click(control(window, caption));
    click(control(window, L"Accept"));
    if (c.running == FromTheGameFolder) {
      const HWND box = setup.waitFor(L"#32770");  // No the default: its button has the focus
      EXPECT_TRUE(eventually([&] { return focusedControl(box) == GetDlgItem(box, IDNO); }));
      EXPECT_NE(setup.message(IDNO).find(L"KOLT-Game.exe"), std::wstring::npos);
      EXPECT_TRUE(eventually([&] { return focusedControl(window) == control(window, L"Accept"); }));
      EXPECT_EQ(real.read(L"setup.ini"), c.before) << "written before the answer";
      click(control(window, L"Accept"));
      setup.message(IDYES);
    }
    setup.waitFor(L"#32770");
    click(control(window, L"Accept"));
    Sleep(500);
    EXPECT_EQ(setup.windows(), 2u) << "a second message, or the window is gone";
    EXPECT_EQ(setup.message(), L"Settings Saved\nSettings saved successfully.");
    EXPECT_EQ(setup.waitForExit(), 0);
    EXPECT_EQ(real.read(L"setup.ini"), c.after);
    EXPECT_EQ(GetFileAttributesW((real / L"setup.ini").c_str()) & kept, kept);
    EXPECT_EQ(scratch.read(L"setup.tmp"), c.place == OnlyFile ? "" : c.after);
    Names names = c.place == OnlyFile ? Names{L"setup.ini"} : Names{L"setup.ini", L"setup.tmp"};
    if (c.running == FromTheGameFolder) names.insert(names.begin(), L"KOLT-Game.exe");
    EXPECT_EQ(scratch.names(), names);
    EXPECT_EQ(aside.names(), c.place == Linked          ? (Names{L"setup.ini", L"setup.ini.tmp"})
                             : c.running == FromAnother ? Names{L"KOLT-Game.exe"}
                             : programFiles             ? Names{L"setup.ini"}
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
               {'h', L"setup.ini could not be replaced: ",
                L"Another program, perhaps the game, is using setup.ini: close it. "}};
  for (const auto& [refusal, failed, advice] : cases) {
    GameFolder folder;
    if (refusal == 'f') folder.path = needEnvironment(L"FULL_DISK", "a nearly full file system");
    const std::string before = std::string(40'000, ';');
    const std::wstring ini = folder / L"setup.ini";
    folder.write(L"setup.ini", before);
    if (refusal == 'r') SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    SetupProcess setup(folder);
    const HWND window = setup.window();
    // Shared with readers, not with the rename that replaces it.
    const HANDLE held = refusal == 'h' ? CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING, 0, nullptr)
                                       : nullptr;
    click(control(window, L"Accept"));
    std::wstring message = setup.message();
    const size_t reason = message.find(L": ") + 2;  // the system's own words
    message.erase(reason, message.find(L"\n\n") - reason);
    EXPECT_EQ(message, L"Settings not saved\n"s + failed + L"\n\nsetup.ini has not been changed. " +
                           advice + L"You can try Accept again, or Cancel to quit.");
    // The focus is given back to where it was before the message.
    EXPECT_TRUE(eventually([&] { return focusedControl(window) == control(window, L"Accept"); }));
    CloseHandle(held);
    EXPECT_TRUE(folder.read(L"setup.ini") == before);
    EXPECT_EQ(folder.names(), Names{L"setup.ini"}) << "a cut-off setup.tmp is left";
    if (refusal != 'h') continue;
    click(control(window, L"Accept"));
    EXPECT_EQ(setup.message(), L"Settings Saved\nSettings saved successfully.");
  }
}

// A save killed at each change of the folder's names leaves setup.ini old or new, whole: a kill
// after a delete, or after a move aside, would leave none.
TEST(Accept, AKillAtAnyStepOfASaveLeavesSetupIniOldOrNew) {
  const std::string before(20'000'000, ';'), after = before + "\r\n";  // one line, ended anew
  for (int kill = 1, completed = false; !completed; ++kill) {
    const GameFolder folder;
    folder.write(L"setup.ini", before);
    const HANDLE changes =
        FindFirstChangeNotificationW((folder / L"").c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    SetupProcess setup(folder);
    click(control(setup.window(), L"Accept"));
    for (int seen = 0; seen < kill && !(completed = setup.windows() > 1);) {  // the confirmation
      if (WaitForSingleObject(changes, 20) == WAIT_OBJECT_0)
        seen += FindNextChangeNotification(changes);
    }
    setup.kill();
    FindCloseChangeNotification(changes);
    const std::string now = folder.read(L"setup.ini");
    EXPECT_TRUE(now == before || now == after)
        << "killed at change " << kill << ": " << now.size() << " bytes";
    std::filesystem::remove_all(folder / L"");  // 20 MB
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
  }
}

}  // namespace
}  // namespace e2e
