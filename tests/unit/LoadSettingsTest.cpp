// The load's rules as one table of setup.ini's bytes and what they load, each row under the fault
// it catches. What a save writes is the fuzzer's to judge, against its own reading of arbitrary
// files; the messages are checked end to end, as the player sees them.
#include <gtest/gtest.h>

#include "InMemory.h"
#include "settingsfile/LoadSettings.h"

namespace {

std::string utf16(std::string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : text) bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return bytes;
}

// What a file loads: the check boxes Lighting, Bloom and Log, then the divisor of the texture
// option selected, as "120 4"; or, when it is refused, the line InvalidSetting names, as "line 3".
// It is read a byte at a time, so that every CR LF straddles two reads.
std::string loaded(const std::string& file) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = file;
  files.readChunk = 1;
  standins::Form form;
  try {
    settingsfile::loadSettings(files, form);
  } catch (const settingsfile::InvalidSetting& error) {
    return "line " + std::to_string(error.line());
  }
  std::string shown;
  for (const int check : form.checks) shown += char('0' + check);
  return form.selected ? shown + " " + std::to_string(static_cast<int>(*form.selected)) : shown;
}

const std::pair<std::string, std::string> kCases[] = {
    // A greyed box (2) refused; Low (4) held to the boxes' 0 to 2; the divisors taken backwards.
    {"dynamiclighting=1\r\npostprocessing=2\r\nproducelogfiles=0\r\ndividetexturesize=4\r\n",
     "120 4"},
    // A repeated key decided by its first line; a last line without a line end lost.
    {"dynamiclighting=1\r\ndividetexturesize=4\r\ndynamiclighting=0\r\ndividetexturesize=2",
     "000 2"},
    // A texture digit that selects no option (9, 3) refused or taken; a lone LF no line end.
    {"dividetexturesize=0\ndividetexturesize=9\ndividetexturesize=3\n", "000 0"},
    // A check box digit of 3 taken.
    {"a=1\r\nproducelogfiles=3\r\n", "line 2"},
    // The last line, without a line end, not counted; CR LF two line ends, also when it straddles
    // two reads.
    {"a\r\nb\r\npostprocessing=x", "line 3"},
    // After a lone CR, the next line's first byte dropped.
    {"a=1\rdynamiclighting=1\rproducelogfiles=1\r", "101"},
    // A key matched whatever its case, or by all but its last letter.
    {"DynamicLighting=x\r\ndynamiclightin=x\r\npostprocessing=1", "010"},
    // Blanks (a tab, trailing ones) not set aside; a key needing "=" right after it; the value
    // not the entry's last character.
    {"\tpostprocessing = 1 \t\r\ndynamiclightingX=1\r\nproducelogfiles=10\r\n", "110"},
    // A UTF-8 byte order mark taken as part of line 1.
    {"\xEF\xBB\xBFproducelogfiles=1", "001"},
    // UTF-16 read in bytes; big-endian read as little-endian.
    {utf16("a=1\r\ndynamiclighting=x", false), "line 2"},
    {utf16("postprocessing=1", true), "010"},
};

TEST(LoadSettings, TakesEachKeysLastUsableValueOrNamesTheLineOfTheFirstUnusable) {
  for (const auto& [file, expected] : kCases)
    EXPECT_EQ(loaded(file), expected) << testing::PrintToString(file);
}

}  // namespace
