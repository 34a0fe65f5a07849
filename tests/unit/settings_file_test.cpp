// Finding and reading the settings file: the path beside the executable, missing and
// unreadable files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> gMessages;
void Catch(const std::string& line) { gMessages.push_back(line); }

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessages.clear();
    SetSettingsMessageSink(Catch);
  }
  void TearDown() override { SetSettingsMessageSink(nullptr); }
};

TEST_F(SettingsFileTest, PathLiesBesideTheExecutable) {
  char path[kPathSize] = {};
  Settings::BuildPath("Quillmarsh.ini", path);
  std::string folder =
      std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
  std::string built(path);
  if (folder.size() + 14 > kPathSize - 1) {
    // A test folder this deep cannot hold the path: it is refused, not cut.
    EXPECT_EQ(built, "");
    EXPECT_EQ(gMessages.size(), 1u);
    return;
  }
  EXPECT_EQ(built, folder + "Quillmarsh.ini");
  EXPECT_TRUE(gMessages.empty());
}

TEST_F(SettingsFileTest, PathTooLongLeavesTheBufferAlone) {
  char path[kPathSize] = "untouched";
  Settings::BuildPath(std::string(300, 'n').c_str(), path);
  EXPECT_STREQ(path, "untouched");
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_NE(gMessages[0].find("longer than 259 characters"), std::string::npos);
}

TEST_F(SettingsFileTest, FileBytesReachTheReaderUnchanged) {
  TempDir dir;
  std::string text = "\xEF\xBB\xBF[Mouse]\r\nSpeed=3\r\n[Motion]\r\nSpeed=0.8";
  WriteFile(dir.File("Quillmarsh.ini"), text);
  Settings s;
  s.LoadFile(dir.File("Quillmarsh.ini").c_str());
  EXPECT_EQ(s.mouseSpeed, 3);
  EXPECT_FLOAT_EQ(s.motionSpeed, 0.8f);
  EXPECT_TRUE(gMessages.empty());
}

TEST_F(SettingsFileTest, MissingOrUnreadableFilesGiveTheDefaults) {
  TempDir dir;
  Settings missing;
  missing.mouseSpeed = 77;
  missing.LoadFile(dir.File("absent.ini").c_str());
  EXPECT_EQ(missing.mouseSpeed, 5);
  EXPECT_EQ(missing.resolutionWidth, 320);
  EXPECT_TRUE(gMessages.empty()) << "a missing settings file is normal";

  // A folder in the file's place cannot be read: defaults, and one line naming it.
  std::filesystem::create_directory(dir.File("folder.ini"));
  Settings folder;
  folder.LoadFile(dir.File("folder.ini").c_str());
  EXPECT_EQ(folder.mouseSpeed, 5);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_NE(gMessages[0].find("folder.ini"), std::string::npos);
}

}  // namespace
