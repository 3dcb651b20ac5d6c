// Bad input, end to end: files the game or the player may leave in the game folder, and
// files that the system will not let the program use. Every row must end with a clear
// message or a correct result, lose nothing of setup.ini, and leave no stray file.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "Driver.h"

namespace e2e {
namespace {

using namespace std::string_literals;

constexpr size_t kHundredMegabytes = 100 * 1000 * 1000;
const wchar_t* const kLighting = L"Dynamic Lighting";
const wchar_t* const kBloom = L"Post Processing";
const wchar_t* const kLog = L"Enable log file in game folder to help identify problems.";

struct States {
  int lighting, bloom, log;
  std::wstring option;  // as selectedOption() tells it
  bool operator==(const States& other) const {
    return lighting == other.lighting && bloom == other.bloom && log == other.log &&
           option == other.option;
  }
};

void PrintTo(const States& states, std::ostream* out) {
  *out << "{lighting " << states.lighting << ", bloom " << states.bloom << ", log " << states.log
       << ", " << testing::PrintToString(states.option) << "}";
}

States statesOf(HWND window) {
  return {checkState(button(window, kLighting)), checkState(button(window, kBloom)),
          checkState(button(window, kLog)), selectedOption(window)};
}

// Equal bytes, told without printing a hundred megabytes when they differ.
testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  auto around = [at](const std::string& bytes) {
    return testing::PrintToString(bytes.substr(at, 40));
  };
  return testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                     << " were expected; they differ from byte " << at << ": "
                                     << around(actual) << " instead of " << around(expected);
}

// Only what the program may write, and what the row put there, is in the folder.
void expectNoStrayFile(const GameFolder& folder, const std::set<std::wstring>& allowed) {
  for (const std::wstring& name : folder.names()) {
    EXPECT_TRUE(allowed.count(name)) << "stray file " << testing::PrintToString(name);
  }
  EXPECT_TRUE(folder.exists(L"setup.ini")) << "setup.ini is gone";
}

// The box's title and the pieces of its text that say what happened.
void expectMessage(const MessageBoxView& box, const wchar_t* title,
                   const std::vector<std::wstring>& sayings) {
  ASSERT_NE(box.window, nullptr) << "no message";
  EXPECT_EQ(box.title, title) << testing::PrintToString(box.text);
  for (const std::wstring& saying : sayings) {
    EXPECT_NE(box.text.find(saying), std::wstring::npos)
        << testing::PrintToString(saying) << " missing from " << testing::PrintToString(box.text);
  }
}

// Presses OK and waits until the box has gone, so that the next box is not taken for it.
void dismissAndWait(const MessageBoxView& box) {
  dismiss(box);
  EXPECT_TRUE(eventually([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }));
}

// A setup.ini the program loads; Accept then saves it with the window's values.
struct LoadableCase {
  const char* row;  // and the fault it would catch
  std::string file;
  States loaded;
  std::vector<const wchar_t*> clicks;  // what the player changes before Accept
  std::string saved;
};

void runLoadable(const LoadableCase& c) {
  SCOPED_TRACE(c.row);
  GameFolder folder;
  folder.write(L"setup.ini", c.file);
  SetupProcess setup(folder);
  const HWND window = setup.waitForWindow();
  ASSERT_NE(window, nullptr) << "the window did not show";
  EXPECT_EQ(statesOf(window), c.loaded);
  for (const wchar_t* caption : c.clicks) click(button(window, caption));
  acceptAndConfirm(setup, window);
  EXPECT_TRUE(sameBytes(folder.read(L"setup.ini"), c.saved));
  EXPECT_TRUE(sameBytes(folder.read(L"setup.tmp"), c.saved)) << "setup.tmp";
  expectNoStrayFile(folder, {L"setup.ini", L"setup.tmp"});
}

TEST(BadInput, OddButReadableFilesLoadAndSaveWithEveryOtherByteKept) {
  // Every byte but the line ends, NUL included, in an order no chunking would keep by chance.
  std::string allBytes;
  for (int b = 255; b >= 0; --b) {
    if (b != '\r' && b != '\n') allBytes += static_cast<char>(b);
  }
  const LoadableCase cases[] = {
      {"an empty file is refused or gains lines", "", {0, 0, 0, L""}, {}, ""},
      {"CR-only line ends are not lines, or are lost on save",
       "a=1\rdynamiclighting=1\rdividetexturesize=4\r\rlast",
       {1, 0, 0, L"Low"},
       {kBloom},
       "a=1\r\ndynamiclighting=1\r\ndividetexturesize=4\r\n\r\nlast\r\n"},
      {"LF-only line ends are not lines, or are lost on save; a missing key is added",
       "  postprocessing=2 \n;c,\"q\"\n\nproducelogfiles=1\n",
       {0, 2, 1, L""},
       {L"High"},
       "postprocessing=2\r\n;c,\"q\"\r\n\r\nproducelogfiles=1\r\n"},
      {"NUL bytes or binary garbage end a line, are dropped, or hide a key",
       "\0\0\0\r\n"s + allBytes + "\r\nx\0dynamiclighting=1\r\n\0postprocessing=1\r\n"s +
           "producelogfiles=1\r\n\xff\xfe\r\n",
       {0, 0, 1, L""},
       {kLog},
       "\0\0\0\r\n"s + allBytes + "\r\nx\0dynamiclighting=1\r\n\0postprocessing=1\r\n"s +
           "producelogfiles=0\r\n\xff\xfe\r\n"},
  };
  for (const LoadableCase& c : cases) runLoadable(c);
}

// Bytes that look like a text file and repeat with no period a buffer size divides, so a
// piece dropped or doubled at a buffer's edge shows.
std::string textBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245 + 12345;
    c = static_cast<char>(' ' + (state >> 16) % 95);
  }
  return bytes;
}

TEST(BadInput, HundredMegabyteFilesLoadAndSaveWholly) {
  const std::string oneLine = textBytes(kHundredMegabytes);
  runLoadable({"a line longer than any buffer is cut, or memory runs out",
               oneLine,
               {0, 0, 0, L""},
               {kLighting},
               oneLine + "\r\n"});

  std::string lines;
  for (size_t n = 0; lines.size() < kHundredMegabytes; ++n) {
    lines += "option" + std::to_string(n) + "=\"" + textBytes(n % 97) + "\"\r\n";
  }
  runLoadable({"keys far into a large file are missed, or the save changes other lines",
               lines + "dynamiclighting=0\r\ndividetexturesize=2\r\nproducelogfiles=1\r\n" +
                   "postprocessing=2",
               {0, 2, 1, L"Medium"},
               {kLighting, L"Low"},
               lines + "dynamiclighting=1\r\ndividetexturesize=4\r\nproducelogfiles=1\r\n" +
                   "postprocessing=2\r\n"});
}

struct InvalidCase {
  const char* form;
  std::string file;
  std::vector<std::wstring> sayings;  // the line number and the line as quoted
};

TEST(BadInput, EveryUnusableValueIsNamedWithItsLineAndNothingIsWritten) {
  const InvalidCase cases[] = {
      {"a letter", "dynamiclighting=x\r\n", {L"line 1", L"\"dynamiclighting=x\""}},
      {"a check box digit of 3", "postprocessing=3\r\n", {L"line 1", L"\"postprocessing=3\""}},
      {"a check box digit of 9", "producelogfiles=9", {L"line 1", L"\"producelogfiles=9\""}},
      {"no value", "a=1\r\ndividetexturesize=\r\n", {L"line 2", L"\"dividetexturesize=\""}},
      {"a bare key", "producelogfiles\r\n", {L"line 1", L"\"producelogfiles\""}},
      {"only blanks after =", "dynamiclighting= \t\r\n", {L"line 1", L"\"dynamiclighting= \t\""}},
      {"a sign", "postprocessing=+\r\n", {L"line 1", L"\"postprocessing=+\""}},
      {"a digit then a letter", "producelogfiles=1a\r\n", {L"line 1", L"\"producelogfiles=1a\""}},
      {"a NUL value, shown as ?", "postprocessing=\0\r\n"s, {L"line 1", L"\"postprocessing=?\""}},
      {"a control byte after the digit",
       "dynamiclighting=1\v\r\n",
       {L"line 1", L"\"dynamiclighting=1?\""}},
      {"a byte outside ASCII", "dividetexturesize=\xb2\r\n", {L"line 1", L"\"dividetexturesize="}},
      {"a bad value after good ones, CR-only file",
       "dynamiclighting=1\r\rdividetexturesize=x\r",
       {L"line 3", L"\"dividetexturesize=x\""}},
      {"a bad value in an LF-only file",
       "a\n\n\nproducelogfiles=7\n",
       {L"line 4", L"\"producelogfiles=7\""}},
      {"a bad value after LF CR and CR CR LF",
       "a\n\rb\r\r\npostprocessing=-\r\n",
       {L"line 5", L"\"postprocessing=-\""}},
      {"a bad value on a 100 MB line, quoted cut short",
       "dynamiclighting=" + textBytes(kHundredMegabytes) + "x",
       {L"line 1", L"\"dynamiclighting=", L" ... "}},
  };
  for (const InvalidCase& c : cases) {
    SCOPED_TRACE(c.form);
    GameFolder folder;
    folder.write(L"setup.ini", c.file);
    SetupProcess setup(folder);
    const MessageBoxView box = setup.waitForMessageBox();
    expectMessage(box, L"Invalid setting", c.sayings);
    EXPECT_LT(box.text.size(), 1000u) << "the message cannot be read whole";
    EXPECT_EQ(setup.visibleWindows().size(), 1u) << "the window showed behind the message";
    dismiss(box);
    EXPECT_TRUE(setup.waitForExit());
    EXPECT_TRUE(sameBytes(folder.read(L"setup.ini"), c.file));
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"setup.ini"});
  }
}

// Another program's handle on a file, as the game or a virus scanner may hold one.
class HeldFile {
 public:
  HeldFile(const std::wstring& path, DWORD sharing)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << "cannot hold " << testing::PrintToString(path);
  }
  ~HeldFile() { release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  void release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

const std::string kGoodFile = "[Video]\r\ndynamiclighting=0\r\nwidth=1024\r\npostprocessing=1\r\n";
const std::string kGoodFileSaved =
    "[Video]\r\ndynamiclighting=1\r\nwidth=1024\r\npostprocessing=1\r\n";

TEST(BadInput, MissingOrUnreadableSetupIniIsReportedAndNothingIsWritten) {
  {
    SCOPED_TRACE("missing");
    GameFolder folder;
    SetupProcess setup(folder);
    const MessageBoxView box = setup.waitForMessageBox();
    expectMessage(box, L"Missing file!",
                  {L"setup.ini file was not found. Make sure setup.exe and setup.ini are present "
                   L"in the game directory."});
    dismiss(box);
    EXPECT_TRUE(setup.waitForExit());
    EXPECT_TRUE(folder.names().empty()) << "a file was created";
  }
  {
    SCOPED_TRACE("a directory named setup.ini");
    GameFolder folder;
    CreateDirectoryW(folder.pathOf(L"setup.ini").c_str(), nullptr);
    SetupProcess setup(folder);
    const MessageBoxView box = setup.waitForMessageBox();
    expectMessage(box, L"Settings not read", {L"setup.ini could not be read"});
    dismiss(box);
    EXPECT_TRUE(setup.waitForExit());
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"setup.ini"});
    EXPECT_TRUE(GetFileAttributesW(folder.pathOf(L"setup.ini").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  }
  {
    SCOPED_TRACE("held open by the game without sharing");
    GameFolder folder;
    folder.write(L"setup.ini", kGoodFile);
    HeldFile held(folder.pathOf(L"setup.ini"), 0);
    SetupProcess setup(folder);
    const MessageBoxView box = setup.waitForMessageBox();
    expectMessage(box, L"Settings not read", {L"setup.ini could not be read: "});
    dismiss(box);
    EXPECT_TRUE(setup.waitForExit());
    held.release();
    EXPECT_EQ(folder.read(L"setup.ini"), kGoodFile);
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"setup.ini"});
  }
}

enum class Obstacle {
  TmpIsDirectory,
  IniReadOnly,
  IniHeldUnshared,    // the game has it open and lets nobody else in
  IniHeldForReading,  // the game reads it and lets others read, not replace
  TmpHeldForReading,  // a scanner reads the fresh setup.tmp and lets nobody delete it
};

struct SaveObstacleCase {
  const char* row;
  Obstacle obstacle;
  std::wstring saying;  // what the message says failed
  bool removable;       // the obstacle can go while the window waits; Accept then saves
};

TEST(BadInput, ASaveThatCannotCompleteIsReportedLosesNothingAndKeepsTheWindow) {
  const SaveObstacleCase cases[] = {
      {"setup.tmp a directory", Obstacle::TmpIsDirectory, L"setup.tmp could not be written", false},
      {"setup.ini read-only", Obstacle::IniReadOnly, L"setup.ini could not be replaced", false},
      {"setup.ini held without sharing", Obstacle::IniHeldUnshared, L"setup.ini could not be read",
       true},
      {"setup.ini held for reading", Obstacle::IniHeldForReading,
       L"setup.ini could not be replaced", true},
      {"setup.tmp held for reading", Obstacle::TmpHeldForReading,
       L"setup.ini could not be replaced", true},
  };
  for (const SaveObstacleCase& c : cases) {
    SCOPED_TRACE(c.row);
    GameFolder folder;
    folder.write(L"setup.ini", kGoodFile);
    if (c.obstacle == Obstacle::TmpIsDirectory) {
      CreateDirectoryW(folder.pathOf(L"setup.tmp").c_str(), nullptr);
    } else if (c.obstacle == Obstacle::IniReadOnly) {
      SetFileAttributesW(folder.pathOf(L"setup.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    } else if (c.obstacle == Obstacle::TmpHeldForReading) {
      folder.write(L"setup.tmp", "left by an earlier save");
    }
    const DWORD attributes = GetFileAttributesW(folder.pathOf(L"setup.ini").c_str());

    SetupProcess setup(folder);
    const HWND window = setup.waitForWindow();
    ASSERT_NE(window, nullptr);
    std::optional<HeldFile> held;
    if (c.obstacle == Obstacle::IniHeldUnshared) {
      held.emplace(folder.pathOf(L"setup.ini"), 0);
    } else if (c.obstacle == Obstacle::IniHeldForReading) {
      held.emplace(folder.pathOf(L"setup.ini"), FILE_SHARE_READ);
    } else if (c.obstacle == Obstacle::TmpHeldForReading) {
      held.emplace(folder.pathOf(L"setup.tmp"), FILE_SHARE_READ | FILE_SHARE_WRITE);
    }
    click(button(window, kLighting));
    click(button(window, L"Accept"));
    const MessageBoxView box = setup.waitForMessageBox();
    expectMessage(box, L"Settings not saved", {c.saying, L"setup.ini has not been changed"});
    dismissAndWait(box);
    held.reset();  // so that this process may read setup.ini

    EXPECT_EQ(folder.read(L"setup.ini"), kGoodFile);
    EXPECT_EQ(GetFileAttributesW(folder.pathOf(L"setup.ini").c_str()), attributes);
    EXPECT_TRUE(IsWindowVisible(window)) << "the window did not come back";
    EXPECT_EQ(statesOf(window), (States{1, 1, 0, L""})) << "the player's choices were lost";
    if (c.removable) {
      acceptAndConfirm(setup, window);
      EXPECT_EQ(folder.read(L"setup.ini"), kGoodFileSaved);
      EXPECT_EQ(folder.read(L"setup.tmp"), kGoodFileSaved);
    } else {
      click(button(window, L"Cancel"));
      EXPECT_TRUE(setup.waitForExit()) << "Cancel no longer quits";
      EXPECT_EQ(folder.read(L"setup.ini"), kGoodFile);
    }
    expectNoStrayFile(folder, {L"setup.ini", L"setup.tmp"});
  }
}

}  // namespace
}  // namespace e2e
