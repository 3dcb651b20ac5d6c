// The save: which lines change and how, in every encoding; that every other unit is carried
// through; that no failure at any step leaves setup.ini other than old or completely new, or
// a scratch file that lies; and the machine's own files doing the same.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "InMemory.h"
#include "settingsfile/SaveSettings.h"

using settingsfile::FileError;
using settingsfile::TextureOption;
using namespace std::string_literals;

namespace {

standins::Form formWith(std::array<int, 3> checks, std::optional<TextureOption> selected) {
  standins::Form form;
  form.checks = checks;
  form.selected = selected;
  return form;
}

// ASCII text as UTF-16 LE or BE bytes, each character one unit.
std::string utf16(std::string_view text, bool bigEndian = false) {
  std::string bytes;
  for (const char c : text) bytes += bigEndian ? "\0"s + c : std::string{c, '\0'};
  return bytes;
}

struct SaveCase {
  const char* fault;
  std::string before;
  standins::Form form;
  std::string after;
};

const std::string kLongLine(100 * 1024, 'z');

const SaveCase kSaveCases[] = {
    {"the keys are not replaced whole from the controls, or the wrong control is read",
     "dynamiclighting=0\r\ndividetexturesize=2\r\nproducelogfiles=1\r\n  postprocessing = 0 \r\n"
     "dynamiclightingX=2\r\n",
     formWith({1, 2, 0}, TextureOption::Low),
     "dynamiclighting=1\r\ndividetexturesize=4\r\nproducelogfiles=0\r\npostprocessing=2\r\n"
     "dynamiclighting=1\r\n"},
    {"High is not 0, or a texture line is touched with no option selected",
     "dividetexturesize=4\r\n", formWith({0, 0, 0}, TextureOption::High),
     "dividetexturesize=0\r\n"},
    {"a texture line is touched with no option selected", "dividetexturesize=1 \r\n",
     formWith({0, 0, 0}, std::nullopt), "dividetexturesize=1 \r\n"},
    {"a key that differs in case, or is cut short, is rewritten",
     "DynamicLighting=1\r\ndynamiclightin=1\r\n;postprocessing=1\r\n",
     formWith({1, 1, 1}, std::nullopt),
     "DynamicLighting=1\r\ndynamiclightin=1\r\n;postprocessing=1\r\n"},
    {"a line is added to an empty file", "", formWith({1, 1, 1}, TextureOption::Low), ""},
    {"line ends: a lone LF or CR, LF CR, CR CR LF, or a last line without one, is not one line "
     "end made CR LF; or a final line end makes an extra line",
     "a\nb\rc\n\rd\r\r\ne", formWith({0, 0, 0}, std::nullopt), "a\r\nb\r\nc\r\n\r\nd\r\n\r\ne\r\n"},
    {"commas, quotes, blanks, NUL or bytes outside ASCII are altered, or a long line is cut",
     "name=\"Kolt, the Brave\"\r\n\t ; x \r\n\r\nx=a\0b\r\ncaf\xe9=\xff\r\n"s + kLongLine,
     formWith({0, 0, 0}, std::nullopt),
     "name=\"Kolt, the Brave\"\r\n\t ; x \r\n\r\nx=a\0b\r\ncaf\xe9=\xff\r\n"s + kLongLine + "\r\n"},
    {"a UTF-8 byte order mark is lost, or hides the key of line 1",
     "\xEF\xBB\xBF"
     "dynamiclighting=0\r\n",
     formWith({1, 0, 0}, std::nullopt),
     "\xEF\xBB\xBF"
     "dynamiclighting=1\r\n"},
    {"UTF-16 LE is read or written in bytes: its keys are missed or its line ends corrupted",
     "\xFF\xFE" + utf16("; \r\ndynamiclighting=0\npostprocessing=1"),
     formWith({1, 0, 0}, std::nullopt),
     "\xFF\xFE" + utf16("; \r\ndynamiclighting=1\r\npostprocessing=0\r\n")},
    {"UTF-16 BE is taken for LE", "\xFE\xFF" + utf16("dividetexturesize=2\r", true),
     formWith({0, 0, 0}, TextureOption::High), "\xFE\xFF" + utf16("dividetexturesize=0\r\n", true)},
    {"a UTF-16 unit whose high byte is CR or LF ends a line, an unpaired surrogate is mended, or "
     "an odd last byte is lost",
     "\xFF\xFE\x0A\x0D\x00\xD8\r\0\n\0x\0\x01"s, formWith({0, 0, 0}, std::nullopt),
     "\xFF\xFE\x0A\x0D\x00\xD8\r\0\n\0x\0\r\0\n\0\x01"s},
};

TEST(SaveSettings, ReplacesTheFourKeysAndCarriesEveryOtherUnit) {
  for (const SaveCase& c : kSaveCases) {
    for (const size_t chunk : {1, 2, 3, 64 * 1024}) {
      standins::MemoryFiles files;
      files.readChunk = chunk;
      files.files["setup.ini"] = c.before;
      files.files["setup.tmp"] = c.before + "a longer scratch file left by an earlier save";
      saveSettings(files, c.form);
      EXPECT_EQ(files.files["setup.ini"], c.after) << c.fault << ", reads of " << chunk;
      EXPECT_EQ(files.files["setup.tmp"], c.after) << c.fault << " (setup.tmp)";
      EXPECT_EQ(files.files.size(), 2u) << c.fault;
    }
  }
}

// Every operation of the save fails in turn, for setup.ini as a file and as a link, and the
// removal of what the failure cut off fails too or not.
TEST(SaveSettings, NoFailureAtAnyStepLosesSetupIniOrLeavesAScratchFileThatLies) {
  std::string before = "\xFF\xFE";
  for (int i = 0; i < 4000; ++i) before += utf16("option" + std::to_string(i) + "=value\r\n");
  const std::string after = before + utf16("dynamiclighting=1\r\n");
  before += utf16("dynamiclighting=0\r\n");

  for (const bool linked : {false, true}) {
    const std::string real = linked ? "/mods/setup.ini" : "setup.ini";
    std::set<std::string> kinds;
    for (int failAt = 1, done = false; !done; ++failAt) {
      for (const bool removeFails : {false, true}) {
        standins::MemoryFiles files;
        files.readChunk = 64 * 1024;
        files.files[real] = before;
        if (linked) files.links["setup.ini"] = real;
        files.attributes[real] = 6;
        files.failAt = failAt;
        files.removeFails = removeFails;
        bool reported = false;
        try {
          saveSettings(files, formWith({1, 0, 0}, std::nullopt));
        } catch (const FileError&) {
          reported = true;
        }
        done = files.failed.empty();  // every operation has had its turn to fail
        if (done) break;
        kinds.insert(files.failed.substr(0, files.failed.find(' ')));
        SCOPED_TRACE(testing::Message() << (linked ? "linked, " : "") << "failed " << files.failed
                                        << (removeFails ? ", and so did the removal" : ""));
        // Unreported, only the copy to setup.tmp after the replace may have failed.
        EXPECT_EQ(files.files[real], reported ? before : after);
        EXPECT_EQ(files.attributes[real], 6) << "attributes lost";
        EXPECT_LE(files.files.size(), 2u + linked + removeFails) << "a stray file";
        if (removeFails) continue;
        EXPECT_FALSE(files.files.count("/mods/setup.ini.tmp"))
            << "the scratch file outlived the save";
        EXPECT_FALSE(files.files.count("setup.tmp") &&
                     files.files["setup.tmp"] != files.files[real])
            << "setup.tmp is no copy of setup.ini";
      }
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"resolve", "open", "read", "create", "write", "flush",
                                            "close", "attributes", "replace"}));
  }
}

TEST(SaveSettings, RefusesAReadOnlySetupIniAndChangesNothing) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = "dynamiclighting=0\r\n";
  files.attributes["setup.ini"] = standins::MemoryFiles::kReadOnly;
  try {
    saveSettings(files, formWith({1, 0, 0}, std::nullopt));
    ADD_FAILURE() << "a read-only setup.ini was replaced";
  } catch (const FileError& error) {
    EXPECT_EQ(error.kind(), FileError::Kind::ReadOnly);
  }
  EXPECT_EQ(files.files["setup.ini"], "dynamiclighting=0\r\n");
  EXPECT_EQ(files.files.size(), 1u);
}

std::string content(const char* name) {
  std::stringstream bytes;
  bytes << std::ifstream(name, std::ios::binary).rdbuf();
  return bytes.str();
}

// The machine's own files, in a scratch folder that the system reports every change of: the
// rename really replaces setup.ini, with no moment without it and no other file made, and a
// link stays a link.
TEST(SaveSettings, SavesThroughTheMachinesFilesInOneStep) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("settings-save-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "game");
  fs::create_directories(folder / "mods");
  const fs::path previous = fs::current_path();
  fs::current_path(folder / "game");
  const int watch = inotify_init1(IN_NONBLOCK);
  inotify_add_watch(watch, ".", IN_CREATE | IN_DELETE | IN_MOVED_FROM);
  std::ofstream("setup.ini", std::ios::binary) << "a=1\ndynamiclighting=0";
  std::ofstream("setup.tmp", std::ios::binary) << std::string(100, 'x');

  saveSettings(settingsfile::machineFiles(), formWith({1, 0, 0}, std::nullopt));
  EXPECT_EQ(content("setup.ini"), "a=1\r\ndynamiclighting=1\r\n");
  EXPECT_EQ(content("setup.tmp"), "a=1\r\ndynamiclighting=1\r\n");
  alignas(inotify_event) char events[4096];
  const ssize_t size = read(watch, events, sizeof events);
  for (ssize_t at = 0; at < size;) {
    const auto* event = reinterpret_cast<const inotify_event*>(events + at);
    const std::string name = event->len ? event->name : "";
    EXPECT_TRUE(name == "setup.ini" || name == "setup.tmp") << "made " << name;
    EXPECT_FALSE(name == "setup.ini" && (event->mask & (IN_DELETE | IN_MOVED_FROM)))
        << "setup.ini was gone for a moment";
    at += sizeof(inotify_event) + event->len;
  }
  close(watch);

  std::ofstream(folder / "mods" / "setup.ini", std::ios::binary) << "dynamiclighting=0\r\n";
  fs::remove("setup.ini");
  fs::create_symlink(folder / "mods" / "setup.ini", "setup.ini");
  saveSettings(settingsfile::machineFiles(), formWith({2, 0, 0}, std::nullopt));
  EXPECT_TRUE(fs::is_symlink("setup.ini"));
  EXPECT_EQ(content("setup.ini"), "dynamiclighting=2\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder / "mods"), fs::directory_iterator()), 1);
  fs::current_path(previous);
  fs::remove_all(folder);
}

}  // namespace
