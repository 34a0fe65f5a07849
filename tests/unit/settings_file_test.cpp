// Finding and reading the settings file: the path in the caller's folder, and files
// that are missing, unreadable or too large.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "log/log.h"
#include "settings/settings.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> gMessages;

TEST(SettingsFileTest, TheFileInTheFolderOrTheDefaultsWithTheReason) {
  TempDir dir;
  const std::string largest = "[Mouse]\nSpeed=3\n" + std::string((16 << 20) - 16, ' ');  // 16 MiB
  const std::string longest(kPathSize - 2 - dir.path().size(), 'n');  // the path has 259 characters
  WriteFile(dir.File("Quillmarsh.ini"), largest);
  WriteFile(dir.File(longest), largest.substr(0, 16));
  WriteFile(dir.File("huge.ini"), largest + " ");
  std::filesystem::create_directory(dir.File("folder.ini"));
  const std::string start = "quillmarsh: settings: \"" + dir.path() + "/", end = "; using the default settings";
  const struct { std::string folder, name; int speed; std::string message; } cases[] = {
      {dir.path(), "Quillmarsh.ini", 3, ""}, {dir.path() + "/", "Quillmarsh.ini", 3, ""}, {dir.path(), longest, 3, ""},
      {dir.path(), "absent.ini", 5, ""},      // a missing file is normal: no message
      {"", dir.File("Quillmarsh.ini"), 5, ""},  // no folder known: the defaults, whatever the name
      {dir.path(), longest + "n", 5, start + longest + "n\": the path is longer than 259 characters" + end},
      {dir.File("Quillmarsh.ini"), "x", 5, start + "Quillmarsh.ini/x\": cannot open: Not a directory" + end},
      {dir.path(), "folder.ini", 5, start + "folder.ini\": cannot read: Is a directory" + end},
      {dir.path(), "huge.ini", 5, start + "huge.ini\": cannot read: it is larger than 16 MiB" + end}};
  SetLogSink([](const std::string& line) { gMessages.push_back(line); });
  for (const auto& c : cases) {
    gMessages.clear();
    Settings s;  // 0 everywhere until Load fills it
    s.Load(c.folder, c.name.c_str());
    EXPECT_EQ(s.mouseSpeed, c.speed) << c.name;
    EXPECT_EQ(gMessages, c.message.empty() ? std::vector<std::string>() : std::vector<std::string>{c.message});
  }
  SetLogSink(nullptr);
}

}  // namespace
