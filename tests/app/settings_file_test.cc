#include "platform/app/settings_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/support.h"

namespace platform {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SettingsFileTest, KeysSurviveARestartAndUnknownValuesRemoveTheirKey) {
  testing_support::TempDir dir;
  {
    INIClass ini;
    ini.Init("QVRUDP.INI", kSettingsInFile, 0, dir.path());
    EXPECT_EQ(ini.Fetch("_PreviewWindow_", "Maximize", "none"), "none");  // fresh file
    ini.Update("_PreviewWindow_", "Maximize", std::optional<std::string>("No"));
    ini.Update("_PreviewWindow_", "XPos", std::optional<long>(-12));
    ini.Update("_PreviewWindow_", "Width", std::optional<long>(800));
    ini.Update("_PreviewAskPagesWindow_", "Height", std::optional<long>(200));
    ini.Update("_PreviewWindow_", "Width", std::optional<long>());  // size not known
    ini.Update();
    ini.Kill();
  }
  INIClass again;
  again.Init("QVRUDP.INI", kSettingsInFile, 0, dir.path());
  EXPECT_EQ(again.Fetch("_previewwindow_", "maximize"), "No");
  EXPECT_EQ(again.FetchNumber("_PreviewWindow_", "XPos"), -12);
  EXPECT_EQ(again.FetchNumber("_PreviewWindow_", "Width"), std::nullopt);
  EXPECT_EQ(again.FetchNumber("_PreviewAskPagesWindow_", "Height"), 200);
  again.Update("_PreviewAskPagesWindow_", "Height", std::optional<long>());
  EXPECT_EQ(read_file(dir.file("QVRUDP.INI")), "[_PreviewWindow_]\nMaximize=No\nXPos=-12\n");
}

TEST(SettingsFileTest, LivesInTheUserConfigurationDirectory) {
  testing_support::TempDir dir;
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  std::string saved_value = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  INIClass ini;
  ini.Init("C:\\WINDOWS\\QVRUDP.INI");
  EXPECT_EQ(ini.path(), dir.path() + "/qvrudp/QVRUDP.INI");
  EXPECT_TRUE(ini.Update("_PreviewWindow_", "YPos", std::optional<long>(5)));
  EXPECT_EQ(read_file(dir.path() + "/qvrudp/QVRUDP.INI"), "[_PreviewWindow_]\nYPos=5\n");
  if (saved) {
    setenv("XDG_CONFIG_HOME", saved_value.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

TEST(SettingsFileTest, DamagedLinesAreSkippedAndTheBookkeepingSectionIsRead) {
  testing_support::TempDir dir;
  std::ofstream(dir.file("QVRUDP.INI"))
      << "orphan=1\n; comment\n[Sectors]\n__Dont_Touch_Me__=_PreviewWindow_,Other\n"
         "[_PreviewWindow_\nno equals sign\n[_PreviewWindow_]\nXPos=12abc\n =5\nYPos= 7 \n";
  INIClass ini;
  ini.Init("QVRUDP.INI", kSettingsInFile, 0, dir.path());
  EXPECT_EQ(ini.known_sections(), (std::vector<std::string>{"_PreviewWindow_", "Other"}));
  EXPECT_EQ(ini.FetchNumber("_PreviewWindow_", "XPos"), std::nullopt);  // not a number
  EXPECT_EQ(ini.FetchNumber("_PreviewWindow_", "YPos"), 7);
  EXPECT_EQ(ini.Fetch("", "orphan", "-"), "-");
  // A value cannot smuggle a new line (and so a new key) into the file.
  ini.Update("_PreviewWindow_", "Maximize", std::optional<std::string>("No\nXPos=1"));
  EXPECT_EQ(ini.Fetch("_PreviewWindow_", "Maximize"), "No XPos=1");
  EXPECT_EQ(ini.Fetch("_PreviewWindow_", "XPos"), "12abc");
}

}  // namespace
}  // namespace platform
