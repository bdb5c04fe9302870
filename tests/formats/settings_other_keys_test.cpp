#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "formats/settings_file.h"

namespace formats {
namespace {

TEST(SettingsOtherKeys, AreReadAndSurviveASave) {
    const auto path = std::filesystem::temp_directory_path() / ("tavrix-other-keys-" + std::to_string(::getpid()));
    std::ofstream(path) << "update_host= old.example \ntrail_opacity=0.25\nupdate_host=\tnew.example:8443 \n"
                           "no equals sign\n";
    EXPECT_EQ(LoadSettingString(path, "update_host"), "new.example:8443");
    EXPECT_EQ(LoadSettingString(path, "update"), "");
    DisplaySettings settings = LoadSettings(path);
    settings.trailOpacity = 0.75f;
    ASSERT_TRUE(SaveSettings(path, settings));
    EXPECT_EQ(LoadSettings(path), settings);
    EXPECT_EQ(LoadSettingString(path, "update_host"), "new.example:8443");
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_EQ(text.str(), FormatSettingsText(settings) + "update_host= old.example \nupdate_host=\tnew.example:8443 \n");
    std::filesystem::remove(path);
    EXPECT_EQ(LoadSettingString(path, "update_host"), "");
}

}  // namespace
}  // namespace formats
