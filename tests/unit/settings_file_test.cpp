// Finding and reading the settings file: the path beside the executable, missing and
// unreadable files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "log/log.h"
#include "settings/settings.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> gMessages;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessages.clear();
    SetLogSink([](const std::string& line) { gMessages.push_back(line); });
  }
  void TearDown() override { SetLogSink(nullptr); }
};

TEST_F(SettingsFileTest, PathLiesBesideTheExecutableAndIsNeverCut) {
  char path[kPathSize] = "untouched";
  Settings::BuildPath(std::string(300, 'n').c_str(), path);
  EXPECT_STREQ(path, "untouched");
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_NE(gMessages[0].find("longer than 259 characters"), std::string::npos);

  const std::string folder = std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
  Settings::BuildPath("Quillmarsh.ini", path);
  // A test folder too deep to hold the path is refused like the long name above.
  const bool fits = folder.size() + 14 <= kPathSize - 1;
  EXPECT_EQ(std::string(path), fits ? folder + "Quillmarsh.ini" : "untouched");
  EXPECT_EQ(gMessages.size(), fits ? 1u : 2u);
}

TEST_F(SettingsFileTest, FileBytesReachTheReaderAndMissingOrUnreadableFilesGiveTheDefaults) {
  TempDir dir;
  WriteFile(dir.File("Quillmarsh.ini"), std::string("\xEF\xBB\xBF[Mouse]\r\nSpeed=3\r\n[Motion]\r\nSpeed=0.8"));
  Settings s;
  s.LoadFile(dir.File("Quillmarsh.ini").c_str());
  EXPECT_EQ(s.mouseSpeed, 3);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.8f);

  s.LoadFile(dir.File("absent.ini").c_str());
  EXPECT_EQ(s.mouseSpeed, 5);
  EXPECT_TRUE(gMessages.empty()) << "a missing settings file is normal";

  // A folder in the file's place cannot be read: defaults, and one line naming it.
  std::filesystem::create_directory(dir.File("folder.ini"));
  s.mouseSpeed = 77;
  s.LoadFile(dir.File("folder.ini").c_str());
  EXPECT_EQ(s.mouseSpeed, 5);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_NE(gMessages[0].find("folder.ini"), std::string::npos);
}

}  // namespace
