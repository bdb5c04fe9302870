#include "formats/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>

namespace formats {
namespace {

namespace fs = std::filesystem;

DisplaySettings Parsed(std::string_view text) {
    DisplaySettings s;
    ParseSettingsText(text, s);
    return s;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A fresh folder per test, removed afterwards.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "settings_test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir_, ignored);
    }
    std::size_t EntryCount(const fs::path& folder) const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
    fs::path dir_;
};

constexpr std::string_view kDefaultText =
    "pattern_viewer_speed_index=3\n"
    "locked_overlay_opacity=0.3\n"
    "locked_overlay_brightness=0.5\n"
    "broken_marker_opacity=0.45\n"
    "broken_marker_brightness=0.62\n"
    "trail_opacity=0.5\n"
    "trail_keyframe_age=32\n"
    "trail_keyframe_brightness=0.4\n";

TEST(SettingsText, Defaults) {
    const DisplaySettings s;
    EXPECT_EQ(s.patternViewerSpeedIndex, 3);
    EXPECT_FLOAT_EQ(s.lockedOverlayOpacity, 0.3f);
    EXPECT_FLOAT_EQ(s.lockedOverlayBrightness, 0.5f);
    EXPECT_FLOAT_EQ(s.brokenMarkerOpacity, 0.45f);
    EXPECT_FLOAT_EQ(s.brokenMarkerBrightness, 0.62f);
    EXPECT_FLOAT_EQ(s.trailOpacity, 0.5f);
    EXPECT_EQ(s.trailKeyframeAge, 32);
    EXPECT_FLOAT_EQ(s.trailKeyframeBrightness, 0.4f);
    EXPECT_EQ(FormatSettingsText(s), kDefaultText);
    EXPECT_EQ(Parsed(""), s);
    EXPECT_EQ(Parsed(kDefaultText), s);
}

TEST(SettingsText, ValuesAreClampedIntoTheirRanges) {
    EXPECT_EQ(Parsed("trail_keyframe_age=0").trailKeyframeAge, 1);
    EXPECT_EQ(Parsed("trail_keyframe_age=254").trailKeyframeAge, 253);
    EXPECT_EQ(Parsed("trail_keyframe_age=253").trailKeyframeAge, 253);
    EXPECT_EQ(Parsed("pattern_viewer_speed_index=12").patternViewerSpeedIndex, 7);
    EXPECT_EQ(Parsed("pattern_viewer_speed_index=-1").patternViewerSpeedIndex, 0);
    EXPECT_FLOAT_EQ(Parsed("broken_marker_opacity=0.01").brokenMarkerOpacity, 0.05f);
    EXPECT_FLOAT_EQ(Parsed("trail_keyframe_brightness=0").trailKeyframeBrightness, 0.03f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=1.5").trailOpacity, 1.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-3").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("locked_overlay_brightness=7").lockedOverlayBrightness, 1.0f);
    EXPECT_FLOAT_EQ(Parsed("broken_marker_brightness=-0.5").brokenMarkerBrightness, 0.0f);
    // Negative zero is stored as plain zero so it is not written back as "-0".
    EXPECT_FALSE(std::signbit(Parsed("trail_opacity=-0").trailOpacity));
}

TEST(SettingsText, ValueParsingStopsAtTheFirstInvalidCharacter) {
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0.25abc").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0.25 0.75").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=.25").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=1.").trailOpacity, 1.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=25e-2").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=2.5E-1x").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=1e").trailOpacity, 1.0f);  // the "e" has no exponent
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0,75").trailOpacity, 0.0f);  // no locale decimal comma
    EXPECT_EQ(Parsed("trail_keyframe_age=40.9").trailKeyframeAge, 40);
    EXPECT_EQ(Parsed("trail_keyframe_age=40abc").trailKeyframeAge, 40);
    EXPECT_EQ(Parsed("trail_keyframe_age=1e2").trailKeyframeAge, 1);
    EXPECT_EQ(Parsed("trail_keyframe_age=0x20").trailKeyframeAge, 1);  // base ten: the "0"
    EXPECT_EQ(Parsed("trail_keyframe_age=007").trailKeyframeAge, 7);
}

TEST(SettingsText, LeadingBlanksAndSignInTheValue) {
    EXPECT_FLOAT_EQ(Parsed("trail_opacity= 0.25").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=\t\v\f\r 0.25").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=+0.25").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=  +.25").trailOpacity, 0.25f);
    EXPECT_EQ(Parsed("trail_keyframe_age=  +40").trailKeyframeAge, 40);
    EXPECT_EQ(Parsed("trail_keyframe_age= -40").trailKeyframeAge, 1);
    // One sign at most, directly before the digits.
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=+-0.25").trailOpacity, 0.5f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-+0.25").trailOpacity, 0.5f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=+ 0.25").trailOpacity, 0.5f);
    EXPECT_EQ(Parsed("trail_keyframe_age=+-40").trailKeyframeAge, 32);
    EXPECT_EQ(Parsed("trail_keyframe_age=--40").trailKeyframeAge, 32);
    EXPECT_EQ(Parsed("trail_keyframe_age=- 40").trailKeyframeAge, 32);
}

TEST(SettingsText, KeysAreExactAndUntrimmed) {
    const DisplaySettings defaults;
    EXPECT_EQ(Parsed(" trail_opacity=0.25"), defaults);
    EXPECT_EQ(Parsed("trail_opacity =0.25"), defaults);
    EXPECT_EQ(Parsed("Trail_Opacity=0.25"), defaults);
    EXPECT_EQ(Parsed("TRAIL_OPACITY=0.25"), defaults);
    EXPECT_EQ(Parsed("trail_opacity"), defaults);
    EXPECT_EQ(Parsed("trail_opacity 0.25"), defaults);
    EXPECT_EQ(Parsed("unknown_key=0.25\nfoo=bar\n=\n==\n"), defaults);
    EXPECT_EQ(Parsed("[settings]\n# comment\n; comment\n"), defaults);
    // The first "=" splits: the rest, "=0.25", is not a number.
    EXPECT_EQ(Parsed("trail_opacity==0.25"), defaults);
}

TEST(SettingsText, UnreadableValuesLeaveTheSettingAndReadingGoesOn) {
    const DisplaySettings s = Parsed(
        "locked_overlay_opacity=0.8\n"
        "locked_overlay_opacity=abc\n"
        "trail_opacity=0.25\n"
        "trail_keyframe_age=\n"
        "trail_keyframe_age=-\n"
        "trail_keyframe_age=.5\n"
        "broken_marker_brightness=.\n"
        "broken_marker_brightness=e5\n"
        "pattern_viewer_speed_index=5\n");
    EXPECT_FLOAT_EQ(s.lockedOverlayOpacity, 0.8f);
    EXPECT_FLOAT_EQ(s.trailOpacity, 0.25f);
    EXPECT_EQ(s.trailKeyframeAge, 32);
    EXPECT_FLOAT_EQ(s.brokenMarkerBrightness, 0.62f);
    EXPECT_EQ(s.patternViewerSpeedIndex, 5);
    EXPECT_FLOAT_EQ(Parsed("locked_overlay_opacity=abc").lockedOverlayOpacity, 0.3f);
}

TEST(SettingsText, LaterLinesWin) {
    EXPECT_EQ(Parsed("trail_keyframe_age=10\ntrail_keyframe_age=20\n").trailKeyframeAge, 20);
    EXPECT_EQ(Parsed("trail_keyframe_age=10\ntrail_keyframe_age=x\n").trailKeyframeAge, 10);
}

TEST(SettingsText, IntegersBeyondIntAreIgnored) {
    EXPECT_EQ(Parsed("trail_keyframe_age=2147483648").trailKeyframeAge, 32);
    EXPECT_EQ(Parsed("trail_keyframe_age=-2147483649").trailKeyframeAge, 32);
    EXPECT_EQ(Parsed("trail_keyframe_age=99999999999999999999999999").trailKeyframeAge, 32);
    EXPECT_EQ(Parsed("pattern_viewer_speed_index=-99999999999999999999").patternViewerSpeedIndex, 3);
    // The ends of int are in range and clamp.
    EXPECT_EQ(Parsed("trail_keyframe_age=2147483647").trailKeyframeAge, 253);
    EXPECT_EQ(Parsed("trail_keyframe_age=-2147483648").trailKeyframeAge, 1);
    EXPECT_EQ(Parsed("trail_keyframe_age=00000000000000000000000100").trailKeyframeAge, 100);
}

TEST(SettingsText, FloatsBeyondFloatAreIgnored) {
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=1e39").trailOpacity, 0.5f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-1e39").trailOpacity, 0.5f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=1e-50").trailOpacity, 0.5f);  // underflow, as strtof reports it
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=1e99999").trailOpacity, 0.5f);
    // Within float, even if not within double's precision of float.
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=3.4e38").trailOpacity, 1.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-3.4e38").trailOpacity, 0.0f);
    // A subnormal is a float: it is kept when in range and clamps otherwise.
    EXPECT_GT(Parsed("trail_opacity=1e-40").trailOpacity, 0.0f);
    EXPECT_LT(Parsed("trail_opacity=1e-40").trailOpacity, 1e-38f);
    EXPECT_FLOAT_EQ(Parsed("trail_keyframe_brightness=1e-40").trailKeyframeBrightness, 0.03f);
}

TEST(SettingsText, HexInfinityAndNan) {
    // Hexadecimal floats read as strtod reads them.
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0x1p-2").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity= 0X.4").trailOpacity, 0.25f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-0x1p-2").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0x1p200").trailOpacity, 0.5f);  // beyond float
    // Without a hex digit "0x" is 0 followed by junk.
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0x").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0xg").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0x.").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0x-1").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0xinf").trailOpacity, 0.0f);
    // Infinity is a float value and clamps to the range's end; NaN is ignored.
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=inf").trailOpacity, 1.0f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-Infinity").trailOpacity, 0.0f);
    EXPECT_FLOAT_EQ(Parsed("broken_marker_opacity=-INF").brokenMarkerOpacity, 0.05f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=nan").trailOpacity, 0.5f);
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=-NaN(123)").trailOpacity, 0.5f);
}

TEST(SettingsText, CrLfLines) {
    // The "\r" ends the number like any other invalid character.
    const DisplaySettings s = Parsed("trail_opacity=0.25\r\ntrail_keyframe_age=40\r\nlocked_overlay_opacity=0.35\r\n");
    EXPECT_FLOAT_EQ(s.trailOpacity, 0.25f);
    EXPECT_EQ(s.trailKeyframeAge, 40);
    EXPECT_FLOAT_EQ(s.lockedOverlayOpacity, 0.35f);
    // A "\r" line end on a value-less line or a blank-only value still leaves the setting alone.
    EXPECT_EQ(Parsed("trail_keyframe_age=\r\n").trailKeyframeAge, 32);
}

TEST(SettingsText, OddBytesAndLineShapes) {
    using namespace std::string_literals;
    EXPECT_FLOAT_EQ(Parsed("\n\n\ntrail_opacity=0.25").trailOpacity, 0.25f);  // no final line end
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0.25\0junk"s).trailOpacity, 0.25f);
    EXPECT_EQ(Parsed("trail_opacity\0=0.25"s), DisplaySettings{});
    EXPECT_FLOAT_EQ(Parsed("\xEF\xBB\xBFtrail_opacity=0.1\ntrail_opacity=0.2").trailOpacity, 0.2f);
    EXPECT_FLOAT_EQ(Parsed("\xEF\xBB\xBFtrail_opacity=0.1").trailOpacity, 0.5f);  // a BOM is part of the key
    // "\r" alone does not end a line.
    EXPECT_FLOAT_EQ(Parsed("trail_opacity=0.25\rtrail_keyframe_age=40").trailOpacity, 0.25f);
    EXPECT_EQ(Parsed("trail_opacity=0.25\rtrail_keyframe_age=40").trailKeyframeAge, 32);
}

TEST(SettingsText, ParsingClampsTheStartingValuesFirst) {
    DisplaySettings s;
    s.trailKeyframeAge = 1000;
    s.trailOpacity = std::numeric_limits<float>::quiet_NaN();
    s.brokenMarkerOpacity = 0.0f;
    ParseSettingsText("unrelated=1", s);
    EXPECT_EQ(s.trailKeyframeAge, 253);
    EXPECT_FLOAT_EQ(s.trailOpacity, 0.5f);  // NaN falls back to the default
    EXPECT_FLOAT_EQ(s.brokenMarkerOpacity, 0.05f);
}

TEST(SettingsText, FormatsFloatsWithSixSignificantDigits) {
    DisplaySettings s;
    s.lockedOverlayOpacity = 0.35f;
    s.lockedOverlayBrightness = 1.0f;
    s.brokenMarkerOpacity = 0.05f;
    s.brokenMarkerBrightness = 0.0f;
    s.trailOpacity = 1.0f / 3.0f;
    s.trailKeyframeBrightness = 0.03f;
    s.trailKeyframeAge = 253;
    s.patternViewerSpeedIndex = 0;
    EXPECT_EQ(FormatSettingsText(s),
              "pattern_viewer_speed_index=0\n"
              "locked_overlay_opacity=0.35\n"
              "locked_overlay_brightness=1\n"
              "broken_marker_opacity=0.05\n"
              "broken_marker_brightness=0\n"
              "trail_opacity=0.333333\n"
              "trail_keyframe_age=253\n"
              "trail_keyframe_brightness=0.03\n");
    s.trailOpacity = 1e-7f;  // only reachable through direct assignment, written in %g style
    EXPECT_NE(FormatSettingsText(s).find("trail_opacity=1e-07\n"), std::string::npos);
}

TEST(SettingsText, FormatIsIndependentOfTheCLocale) {
    // A decimal comma locale must not leak into the file when one is installed.
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : names)
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    DisplaySettings s;
    s.trailOpacity = 0.25f;
    const std::string text = FormatSettingsText(s);
    const DisplaySettings back = Parsed(text);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_NE(text.find("trail_opacity=0.25\n"), std::string::npos);
    EXPECT_EQ(back, s);
    if (!switched) GTEST_SKIP() << "no decimal-comma locale installed";
}

TEST(SettingsText, FormatThenParseIsStable) {
    // Six digits do not hold every float: a stepped value such as 0.3f + 0.05f reads back as the
    // nearest float to "0.35", and from then on the text no longer changes.
    for (int i = 0; i <= 20; ++i) {
        DisplaySettings s;
        s.trailOpacity = static_cast<float>(i) * 0.05f;
        s.lockedOverlayOpacity = 0.3f + static_cast<float>(i % 14) * 0.05f;
        s.trailKeyframeBrightness = 1.0f / static_cast<float>(i + 1);
        s.trailKeyframeAge = 1 + i * 12;
        s.patternViewerSpeedIndex = i % 8;
        ClampSettings(s);
        const std::string text = FormatSettingsText(s);
        const DisplaySettings back = Parsed(text);
        EXPECT_EQ(FormatSettingsText(back), text) << i;
        EXPECT_EQ(Parsed(FormatSettingsText(back)), back) << i;
        EXPECT_NEAR(back.lockedOverlayOpacity, s.lockedOverlayOpacity, 1e-6f) << i;
        EXPECT_NEAR(back.trailOpacity, s.trailOpacity, 1e-6f) << i;
        EXPECT_NEAR(back.trailKeyframeBrightness, s.trailKeyframeBrightness, 1e-6f) << i;
        EXPECT_EQ(back.trailKeyframeAge, s.trailKeyframeAge) << i;
        EXPECT_EQ(back.patternViewerSpeedIndex, s.patternViewerSpeedIndex) << i;
    }
    DisplaySettings stepped;
    stepped.lockedOverlayOpacity += 0.05f;
    EXPECT_NE(FormatSettingsText(stepped).find("locked_overlay_opacity=0.35\n"), std::string::npos);
}

TEST(SettingsPath, FollowsTheEnvironment) {
    struct Case {
        const char* xdgConfigHome;  // nullptr: unset
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/cfg", "/home/u", "/cfg/Tavrix/settings.ini"},
        {"/cfg", nullptr, "/cfg/Tavrix/settings.ini"},
        {nullptr, "/home/u", "/home/u/.config/Tavrix/settings.ini"},
        {"", "/home/u", "/home/u/.config/Tavrix/settings.ini"},
        {"cfg", "/home/u", "/home/u/.config/Tavrix/settings.ini"},  // relative: ignored
        {"cfg", nullptr, "Tavrix.settings"},
        {nullptr, nullptr, "Tavrix.settings"},
        {"", "", "Tavrix.settings"},
        {nullptr, "", "Tavrix.settings"},
    };
    auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr ? std::optional<std::string>(v) : std::nullopt;
    };
    auto set = [](const char* name, const char* value) {
        if (value != nullptr) ::setenv(name, value, 1);
        else ::unsetenv(name);
    };
    const std::optional<std::string> xdg = saved("XDG_CONFIG_HOME"), home = saved("HOME");
    for (const Case& c : cases) {
        set("XDG_CONFIG_HOME", c.xdgConfigHome);
        set("HOME", c.home);
        const fs::path path = GetSettingsPath();
        EXPECT_EQ(path, fs::path(c.expected)) << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)") << ", "
                                              << (c.home ? c.home : "(unset)");
        EXPECT_EQ(GetSettingsPath(c.xdgConfigHome, c.home), path);
    }
    set("XDG_CONFIG_HOME", xdg ? xdg->c_str() : nullptr);
    set("HOME", home ? home->c_str() : nullptr);
}

TEST_F(SettingsFileTest, NoFileGivesDefaultsAndCreatesNothing) {
    const fs::path path = dir_ / "Tavrix" / "settings.ini";
    EXPECT_EQ(LoadSettings(path), DisplaySettings{});
    EXPECT_FALSE(fs::exists(dir_ / "Tavrix"));
    EXPECT_EQ(EntryCount(dir_), 0u);
}

TEST_F(SettingsFileTest, LoadsTheFile) {
    const fs::path path = dir_ / "settings.ini";
    WriteAll(path,
             "trail_keyframe_age=0\n"
             "broken_marker_opacity=0.01\n"
             "pattern_viewer_speed_index=12\n"
             "locked_overlay_opacity=abc\n"
             " trail_opacity=0.9\n"
             "trail_keyframe_brightness= 0.25xyz\r\n");
    const DisplaySettings s = LoadSettings(path);
    EXPECT_EQ(s.trailKeyframeAge, 1);
    EXPECT_FLOAT_EQ(s.brokenMarkerOpacity, 0.05f);
    EXPECT_EQ(s.patternViewerSpeedIndex, 7);
    EXPECT_FLOAT_EQ(s.lockedOverlayOpacity, 0.3f);
    EXPECT_FLOAT_EQ(s.trailOpacity, 0.5f);
    EXPECT_FLOAT_EQ(s.trailKeyframeBrightness, 0.25f);
}

TEST_F(SettingsFileTest, UnreadablePathsGiveDefaults) {
    EXPECT_EQ(LoadSettings(dir_), DisplaySettings{});  // a folder
    EXPECT_EQ(LoadSettings(""), DisplaySettings{});
    EXPECT_EQ(LoadSettings("/dev/null"), DisplaySettings{});
}

TEST_F(SettingsFileTest, SaveCreatesFoldersAndWritesExactlyTheEightLines) {
    const fs::path path = dir_ / "a" / "b" / "Tavrix" / "settings.ini";
    DisplaySettings s;
    s.lockedOverlayOpacity = 0.35f;
    ASSERT_TRUE(SaveSettings(path, s));
    EXPECT_EQ(ReadAll(path),
              "pattern_viewer_speed_index=3\n"
              "locked_overlay_opacity=0.35\n"
              "locked_overlay_brightness=0.5\n"
              "broken_marker_opacity=0.45\n"
              "broken_marker_brightness=0.62\n"
              "trail_opacity=0.5\n"
              "trail_keyframe_age=32\n"
              "trail_keyframe_brightness=0.4\n");
    EXPECT_EQ(EntryCount(path.parent_path()), 1u);  // no temporary left behind
}

TEST_F(SettingsFileTest, SaveThenLoadRoundTrips) {
    const fs::path path = dir_ / "settings.ini";
    DisplaySettings s;
    s.patternViewerSpeedIndex = 6;
    s.lockedOverlayOpacity = 0.85f;
    s.lockedOverlayBrightness = 0.1f;
    s.brokenMarkerOpacity = 1.0f;
    s.brokenMarkerBrightness = 0.0f;
    s.trailOpacity = 0.15f;
    s.trailKeyframeAge = 200;
    s.trailKeyframeBrightness = 0.03f;
    ASSERT_TRUE(SaveSettings(path, s));
    EXPECT_EQ(LoadSettings(path), s);
    // Saving again replaces the file whole.
    s.trailKeyframeAge = 5;
    ASSERT_TRUE(SaveSettings(path, s));
    EXPECT_EQ(LoadSettings(path), s);
    EXPECT_EQ(ReadAll(path), FormatSettingsText(s));
}

TEST_F(SettingsFileTest, SaveClampsOutOfRangeValues) {
    const fs::path path = dir_ / "settings.ini";
    DisplaySettings s;
    s.trailKeyframeAge = 999;
    s.trailOpacity = -2.0f;
    ASSERT_TRUE(SaveSettings(path, s));
    const DisplaySettings back = LoadSettings(path);
    EXPECT_EQ(back.trailKeyframeAge, 253);
    EXPECT_FLOAT_EQ(back.trailOpacity, 0.0f);
}

TEST_F(SettingsFileTest, SaveKeepsTheOldFilesMode) {
    const fs::path path = dir_ / "settings.ini";
    WriteAll(path, "old\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(SaveSettings(path, DisplaySettings{}));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SettingsFileTest, SaveFailsWhenTheParentIsAFile) {
    const fs::path blocker = dir_ / "Tavrix";
    WriteAll(blocker, "not a folder");
    EXPECT_FALSE(SaveSettings(blocker / "settings.ini", DisplaySettings{}));
    EXPECT_FALSE(SaveSettings(blocker / "deeper" / "settings.ini", DisplaySettings{}));
    EXPECT_EQ(ReadAll(blocker), "not a folder");
}

TEST_F(SettingsFileTest, SaveFailsWhenAFolderIsInTheWay) {
    const fs::path path = dir_ / "settings.ini";
    fs::create_directory(path);
    WriteAll(path / "inside", "kept");
    EXPECT_FALSE(SaveSettings(path, DisplaySettings{}));
    EXPECT_EQ(ReadAll(path / "inside"), "kept");
    EXPECT_EQ(EntryCount(dir_), 1u);  // the temporary is removed
}

TEST_F(SettingsFileTest, InterruptedWriteLeavesTheOldFileIntact) {
    const fs::path path = dir_ / "settings.ini";
    const std::string old = "trail_keyframe_age=77\n";
    WriteAll(path, old);
    // A file size limit makes the write of the temporary fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = 16;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool ok = SaveSettings(path, DisplaySettings{});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(LoadSettings(path).trailKeyframeAge, 77);
    EXPECT_EQ(EntryCount(dir_), 1u);
}

TEST_F(SettingsFileTest, UnwritableFolderLeavesTheOldFileIntact) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const fs::path path = dir_ / "settings.ini";
    WriteAll(path, "trail_keyframe_age=77\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveSettings(path, DisplaySettings{}));
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadAll(path), "trail_keyframe_age=77\n");
}

TEST_F(SettingsFileTest, RelativePathIsWrittenInTheWorkingFolder) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir_);
    const bool saved = SaveSettings("Tavrix.settings", DisplaySettings{});
    const DisplaySettings loaded = LoadSettings("Tavrix.settings");
    fs::current_path(previous);
    EXPECT_TRUE(saved);
    EXPECT_EQ(loaded, DisplaySettings{});
    EXPECT_EQ(ReadAll(dir_ / "Tavrix.settings"), kDefaultText);
}

}  // namespace
}  // namespace formats
