// The window's handlers with stand-ins for the window, the files and the platform: what
// the player is told in each case, and whether the window stays.
#include <gtest/gtest.h>

#include <string>

#include "StandIns.h"
#include "shell/Commands.h"

using shell::AfterCommand;

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Commands, LoadTellsWhatIsWrongWithSetupIni) {
  {
    standins::MemoryFiles files;
    standins::Form form;
    standins::Platform platform;
    EXPECT_FALSE(shell::onLoad(files, form, platform));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "Missing file!");
    EXPECT_EQ(platform.messages[0].text,
              "setup.ini file was not found. Make sure setup.exe and setup.ini are present in "
              "the game directory.");
  }
  {
    standins::MemoryFiles files;
    files.files["setup.ini"] = "a=1\r\n\r\npostprocessing=5\r\n";
    standins::Form form;
    standins::Platform platform;
    EXPECT_FALSE(shell::onLoad(files, form, platform));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "Invalid setting");
    EXPECT_TRUE(contains(platform.messages[0].text, "line 3"));
    EXPECT_TRUE(contains(platform.messages[0].text, "\"postprocessing=5\""));
  }
  {
    standins::MemoryFiles files;
    files.files["setup.ini"] = "x=1\r\n";
    files.failAt = 2;
    standins::Form form;
    standins::Platform platform;
    EXPECT_FALSE(shell::onLoad(files, form, platform));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].title, "Missing file!");
    EXPECT_TRUE(contains(platform.messages[0].text, "setup.ini could not be"));
    EXPECT_TRUE(contains(platform.messages[0].text, "injected fault"));
  }
  {
    standins::MemoryFiles files;
    files.files["setup.ini"] = "dynamiclighting=1\r\n";
    standins::Form form;
    standins::Platform platform;
    EXPECT_TRUE(shell::onLoad(files, form, platform));
    EXPECT_TRUE(platform.messages.empty());
  }
}

TEST(Commands, AnInvalidLineIsQuotedSafelyHoweverLong) {
  standins::MemoryFiles files;
  const std::string line = "\tdynamiclighting=" + std::string(100000, '\0') + "7";
  files.files["setup.ini"] = line;
  standins::Form form;
  standins::Platform platform;
  EXPECT_FALSE(shell::onLoad(files, form, platform));
  ASSERT_EQ(platform.messages.size(), 1u);
  const std::string& text = platform.messages[0].text;
  EXPECT_LT(text.size(), 600u);
  EXPECT_EQ(text.find('\0'), std::string::npos) << "a NUL would cut the message short";
  EXPECT_TRUE(contains(text, "\"\tdynamiclighting=")) << "a tab is shown as it is: " << text;
  EXPECT_TRUE(contains(text, "?7\"")) << "the value at the end of the line must show: " << text;
}

TEST(Commands, AcceptConfirmsAndEndsOnlyWhenSaved) {
  standins::MemoryFiles files;
  files.files["setup.ini"] = "dynamiclighting=0\r\n";
  standins::Form form;
  form.checks[0] = 1;
  standins::Platform platform;

  files.failAt = 2;  // creating setup.tmp
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::KeepWindow);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].title, "Settings not saved");
  EXPECT_TRUE(contains(platform.messages[0].text, "setup.tmp"));
  EXPECT_TRUE(contains(platform.messages[0].text, "injected fault"));
  EXPECT_EQ(files.files["setup.ini"], "dynamiclighting=0\r\n");

  files.failAt = 0;  // the player tries again
  EXPECT_EQ(shell::onAccept(files, form, platform), AfterCommand::EndProgram);
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[1].title, "Settings Saved");
  EXPECT_EQ(platform.messages[1].text, "Settings saved successfully.");
  EXPECT_EQ(files.files["setup.ini"], "dynamiclighting=1\r\n");
}

TEST(Commands, ViewLogOpensTheLogAndSaysSoWhenItCannot) {
  standins::Platform platform;
  shell::onViewLog(platform);
  EXPECT_EQ(platform.editorStarts, std::vector<std::string>{"KOLT-Game.log"});
  EXPECT_TRUE(platform.messages.empty());

  platform.editorFails = true;
  shell::onViewLog(platform);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_TRUE(contains(platform.messages[0].text, "cannot find the file")) << "the reason is lost";
}

}  // namespace
