// setup.ini end to end, as only the real program on the real system shows it: Accept through
// real clicks in every kind of game folder a player has, the saves the system refuses, the one
// rename by which a save changes setup.ini, and what the player is told when setup.ini cannot
// be used. What the player is told for each refusal, word for word, the commands test checks.
#include <optional>
#include <string>
#include <thread>

#include "Driver.h"

namespace e2e {
namespace {

// A file of cases/, beside this one; empty when there is none. Wine shows the Unix root as Z:.
std::string caseFile(const std::string& name) {
  std::ifstream file("Z:" E2E_SOURCE "/cases/" + name, std::ios::binary);
  return {std::istreambuf_iterator(file), {}};
}

// setup.ini in `folder` made a symbolic link to the one in `target`, a folder beside it: a Unix
// one, since Wine's own call makes none. Wine may tell a Unix program ended before it has.
bool makeLink(const GameFolder& folder, const GameFolder& target) {
  std::wstring command = L"/bin/ln -s ../" + target.path.substr(target.path.rfind(L'\\') + 1) +
                         L"/setup.ini setup.ini";
  STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
  PROCESS_INFORMATION started{};
  return CreateProcessW(nullptr, command.data(), nullptr, nullptr, 0, 0, nullptr,
                        folder.path.c_str(), &startup, &started) &&
         eventually([&] { return !folder.read(L"setup.ini").empty(); }, 5000);
}

// What became of a folder's names and files while it was watched, as the folder itself records
// it: "+name" added, "-name" removed, "*name" written, "<name >name" renamed.
struct Changes {
  const HANDLE folder;
  std::wstring record;
  std::thread reader{[this] {
    alignas(DWORD) char buffer[1 << 16];
    for (DWORD size; ReadDirectoryChangesW(folder, buffer, sizeof buffer, FALSE, 0x11, &size,
                                           nullptr, nullptr) &&
                     size;) {
      for (char* at = buffer;;
           at += reinterpret_cast<FILE_NOTIFY_INFORMATION*>(at)->NextEntryOffset) {
        const auto& c = *reinterpret_cast<FILE_NOTIFY_INFORMATION*>(at);
        record += L"?+-*<>"[c.Action] + std::wstring(c.FileName, c.FileNameLength / 2) + L" ";
        if (!c.NextEntryOffset) break;
      }
    }
  }};
  explicit Changes(const GameFolder& watched)
      : folder(CreateFileW((watched / L"").c_str(), FILE_LIST_DIRECTORY, 7, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  std::wstring stop() {
    Sleep(200);  // for the last of them to come through
    CancelIoEx(folder, nullptr), reader.join(), CloseHandle(folder);
    return record;
  }
};

// Where setup.ini is: in an ordinary folder; a link to a file in another folder, beside which
// the player keeps a setup.ini.tmp; in a read-only folder, itself writable (ONLY_FILE names
// one); in a folder that takes the player's files but keeps its owner's setup.ini (STICKY names
// one); in Program Files with a VirtualStore copy, User Account Control on (the folder entered
// by its 8.3 name) or off. And where a program runs from while Accept is clicked.
enum Place { Plain, Linked, OnlyFile, Sticky, VirtualShort, NotVirtual };

TEST(Accept, SavesTheWindowsValuesInEveryKindOfGameFolderAndConfirmsOnce) {
  const struct {
    Place place;
    const char* fault;
    bool gameRunning = false;  // a program from the game folder, while Accept is clicked
  } cases[] = {
      {Plain, "changes lost, greyed written unchecked, lines altered, a longer setup.tmp's tail"},
      {Linked, "a link is made a file, its file moved in, or a file beside it written over"},
      {OnlyFile, "a folder that refuses new files refuses the save"},
      {Sticky, "a setup.ini that may be written but not replaced is told held, or refused"},
      {VirtualShort, "the copy the game reads is missed, also when the folder is entered by 8.3"},
      {NotVirtual, "a VirtualStore copy is used without User Account Control"},
      {Plain, "no question while the game runs, or a No that saves", true},
  };
  // Hand-edited lines, blanks, a lone LF and a lone CR, bytes of the code page and a NUL, two
  // greyed boxes and no last line end; the window's changes, a click on a greyed box among them,
  // which checks it, make them these.
  const std::string before = caseFile("accept-before.ini"), after = caseFile("accept-after.ini");
  for (const auto& [place, fault, gameRunning] : cases) {
    SCOPED_TRACE(fault);
    const bool programFiles = place >= VirtualShort;
    DWORD uac = programFiles && place != NotVirtual;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                              L"EnableLUA", REG_DWORD, &uac, 4),
              0);
    GameFolder folder, other;
    if (place == OnlyFile) folder = GameFolder(needEnvironment(L"ONLY_FILE", "a read-only folder"));
    if (place == Sticky) folder = GameFolder(needEnvironment(L"STICKY", "a sticky folder"));
    if (programFiles) {
      const std::wstring game = L"\\Program Files" + folder.path.substr(folder.path.rfind(L'\\'));
      folder = GameFolder(L"C:" + game);
      other = GameFolder(_wgetenv(L"LOCALAPPDATA") + L"\\VirtualStore"s + game);
      (uac ? folder : other).write(L"setup.ini", "dynamiclighting=0");
    }
    const GameFolder& real = place == Linked || uac ? other : folder;
    const GameFolder& scratch = uac ? other : folder;
    const GameFolder& aside = &scratch == &folder ? other : folder;  // whose setup.ini stays
    real.write(L"setup.ini", before);
    if (place == Linked) ASSERT_TRUE(makeLink(folder, other));
    if (place == Linked) other.write(L"setup.ini.tmp", "the player's");
    // Another owner's file takes no attributes from the player.
    const DWORD kept = place == Sticky ? 0 : FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    SetFileAttributesW((real / L"setup.ini").c_str(), kept);
    if (place != OnlyFile) scratch.write(L"setup.tmp", before + std::string(100, 'x'));
    // The game: setup.exe by another name, waiting on its message in a folder without setup.ini.
    // Up before setup.exe, as a game would be: its message, shown later, would take the
    // foreground from setup.exe's question.
    std::optional<SetupProcess> game;
    const std::wstring gameExe = folder / L"KOLT-Game.exe",
                       setupExe = needEnvironment(L"SETUP_EXE", "setup.exe");
    if (gameRunning && CopyFileW(setupExe.c_str(), gameExe.c_str(), 0))
      game.emplace(other, gameExe).waitFor(L"#32770");
    wchar_t shortName[MAX_PATH] = L"";
    GetShortPathNameW(folder.path.c_str(), shortName, MAX_PATH);
    const GameFolder entered(place == VirtualShort ? shortName : folder.path);
    ASSERT_TRUE(place != VirtualShort || entered.path != folder.path) << "no 8.3 name";
    // In an ordinary folder, setup.exe is where it ships: in the game's folder.
    const std::wstring exe = folder / L"setup.exe";
    if (place == Plain) CopyFileW(setupExe.c_str(), exe.c_str(), 0);
    Changes changes(real);
    SetupProcess setup(entered, place == Plain ? exe : L"");
    const HWND window = setup.window();
    for (const auto name : {chkLighting, optLow, chkLog, cmdAccept}) click(control(window, name));
    if (gameRunning) {
      const HWND box = setup.waitFor(L"#32770");  // No the default: its button has the focus
      EXPECT_TRUE(eventually([&] { return focusedControl(box) == GetDlgItem(box, IDNO); }));
      EXPECT_NE(setup.message(IDNO).find(L"KOLT-Game.exe"), std::wstring::npos);
      click(control(window, cmdAccept));
      setup.message(IDYES);
    }
    setup.waitFor(L"#32770");
    click(control(window, cmdAccept));  // while the confirmation is up
    Sleep(500);
    EXPECT_EQ(setup.windows(L"#32770").size(), 1u) << "a second message";
    EXPECT_EQ(setup.message(), L"Settings Saved\nSettings saved successfully.");
    EXPECT_EQ(setup.waitForExit(), 0);
    // Whenever a save is cut short, setup.ini is whole, old or new, only if the save never
    // removes it, renames it away or writes into it, but renames the new file onto it (where
    // it cannot be replaced, it is written in place, which is not atomic).
    const std::wstring record = changes.stop();
    if (place != OnlyFile && place != Sticky) {
      EXPECT_NE(record.find(L" >setup.ini "), std::wstring::npos) << record;
      for (const wchar_t* change : {L"-setup.ini ", L"<setup.ini ", L"*setup.ini "})
        EXPECT_EQ(record.find(change), std::wstring::npos) << record;
    }
    EXPECT_EQ(real.read(L"setup.ini"), after);
    EXPECT_EQ(GetFileAttributesW((real / L"setup.ini").c_str()) & kept, kept);
    EXPECT_EQ(scratch.read(L"setup.tmp"), place == OnlyFile ? "" : after);
    Names names = place == OnlyFile ? Names{L"setup.ini"} : Names{L"setup.ini", L"setup.tmp"};
    if (place == Plain) names.insert(names.begin(), L"setup.exe");
    if (gameRunning) names.insert(names.begin(), L"KOLT-Game.exe");
    EXPECT_EQ(scratch.names(), names);
    EXPECT_EQ(aside.names(), place == Linked ? (Names{L"setup.ini", L"setup.ini.tmp"})
                             : programFiles  ? Names{L"setup.ini"}
                                             : Names{});
    if (programFiles) EXPECT_EQ(aside.read(L"setup.ini"), "dynamiclighting=0");
  }
}

// A save the system refuses: setup.ini read-only, the disk full (FULL_DISK names a small file
// system with room for setup.ini only), or setup.ini held by another program beyond the wait,
// shared with readers but not with the rename that replaces it. The player is told, nothing
// changes, the focus is back where it was.
TEST(Accept, ARefusedSaveChangesNothingAndTheWindowGoesOnWithTheFocusBack) {
  for (const auto& [refusal, told] : {std::pair{'r', L"setup.ini could not be replaced: "},
                                      {'f', L"setup.tmp could not be written: "},
                                      {'h', L"setup.ini could not be replaced: "}}) {
    const GameFolder folder(refusal == 'f' ? needEnvironment(L"FULL_DISK", "a nearly full disk")
                                           : L"");
    const std::string before(40'000, ';');
    const std::wstring ini = folder / L"setup.ini";
    folder.write(L"setup.ini", before);
    if (refusal == 'r') SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    SetupProcess setup(folder);
    const HWND window = setup.window();
    const HANDLE held = refusal == 'h' ? CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING, 0, nullptr)
                                       : nullptr;
    click(control(window, cmdAccept));
    EXPECT_TRUE(setup.message().starts_with(L"Settings not saved\n"s + told)) << refusal;
    EXPECT_TRUE(eventually([&] { return focusedControl(window) == control(window, cmdAccept); }));
    CloseHandle(held);
    EXPECT_TRUE(folder.read(L"setup.ini") == before);
    EXPECT_EQ(folder.names(), Names{L"setup.ini"}) << "a cut-off setup.tmp is left";
  }
}

// What the player is told of a setup.ini that cannot be used: no window, nothing written. The
// cases are files: none, one with a line in UTF-16 with a NUL that would cut the message short
// and a character beyond 16 bits, cut to its first 60 and last 20 characters, and one in the
// system's code page, as Windows' own editor saves it.
TEST(Load, TellsWhatIsWrongWithSetupIniShowsNoWindowAndWritesNothing) {
  for (const std::string name : {"missing", "utf16-line-cut", "code-page"}) {
    const GameFolder folder;
    const std::string file = caseFile(name + ".ini");
    if (!file.empty()) folder.write(L"setup.ini", file);
    SetupProcess setup(folder);
    setup.waitFor(L"#32770");
    EXPECT_TRUE(setup.windows(L"frmSettings").empty()) << "the window showed behind the message";
    const std::string told = caseFile(name + ".txt");  // in UTF-8, a line end after it
    EXPECT_EQ(setup.message() + L"\n",
              std::filesystem::path(std::u8string(told.begin(), told.end())));
    EXPECT_EQ(setup.waitForExit(), 1);
    EXPECT_EQ(folder.names(), file.empty() ? Names{} : Names{L"setup.ini"});
  }
}

}  // namespace
}  // namespace e2e
