// Settings text and files, and the atomic file writes under them.
#include "formats/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <limits>
#include <optional>
#include <string>

#include "formats/atomic_file.h"
#include "tests/support/test_helpers.h"

namespace formats {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

DisplaySettings Parsed(std::string_view text) {
    DisplaySettings s;
    ParseSettingsText(text, s);
    return s;
}

// The value a key's line in the formatted text shows.
float Field(const DisplaySettings& s, std::string_view key) {
    const std::string text = FormatSettingsText(s);
    const std::size_t at = text.find(std::string(key) + "=");
    return at == std::string::npos ? -1.0f : std::stof(text.substr(at + key.size() + 1));
}

using testsupport::ReadText;
using testsupport::WriteText;
using Stage = FileFailure::Stage;

// Runs `write` under a file size limit, as a full disk would stop it part way.
template <class F>
auto UnderSizeLimit(F write) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 16;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tight);
    auto result = write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return result;
}

constexpr std::string_view kDefaultText =
    "pattern_viewer_speed_index=3\nlocked_overlay_opacity=0.3\nlocked_overlay_brightness=0.5\n"
    "broken_marker_opacity=0.45\nbroken_marker_brightness=0.62\ntrail_opacity=0.5\ntrail_keyframe_age=32\n"
    "trail_keyframe_brightness=0.4\n";

// Each value after "key=" and the field it leaves; values that cannot be read leave the default
// (speed 3, opacity 0.5, age 32). Numbers read like strtol / strtod in the "C" locale.
TEST(SettingsText, ValuesAreReadLikeStrtodAndClamped) {
    const std::pair<const char*, std::vector<std::pair<const char*, double>>> cases[] = {
        // Clamped into the ranges; out of int or float: ignored.
        {"trail_keyframe_age", {{"0", 1}, {"254", 253}, {"253", 253}, {"2147483647", 253}, {"-2147483648", 1},
                                {"2147483648", 32}, {"-2147483649", 32}, {"99999999999999999999999999", 32},
                                {"00000000000000000000000100", 100}}},
        {"pattern_viewer_speed_index", {{"12", 7}, {"-1", 0}, {"-99999999999999999999", 3}}},
        {"broken_marker_opacity", {{"0.01", 0.05f}, {"-INF", 0.05f}}},
        {"trail_keyframe_brightness", {{"0", 0.03f}, {"1e-40", 0.03f}}},
        {"locked_overlay_brightness", {{"7", 1}}},
        {"broken_marker_brightness", {{"-0.5", 0}}},
        {"trail_opacity", {{"1.5", 1}, {"-3", 0}, {"1e39", 0.5f}, {"-1e39", 0.5f}, {"1e99999", 0.5f},
                           {"1e-50", 0.5f},  // underflow, as strtof reports it
                           {"3.4e38", 1}, {"-3.4e38", 0}}},
        // Reading stops at the first character that is not part of the number.
        {"trail_opacity", {{"0.25abc", 0.25f}, {"0.25 0.75", 0.25f}, {".25", 0.25f}, {"1.", 1}, {"25e-2", 0.25f},
                           {"2.5E-1x", 0.25f}, {"1e", 1}, {"0,75", 0}}},
        {"trail_keyframe_age", {{"40.9", 40}, {"40abc", 40}, {"1e2", 1}, {"0x20", 1}, {"007", 7}}},
        // Leading blanks and one sign, directly before the digits.
        {"trail_opacity", {{" 0.25", 0.25f}, {"\t\v\f\r 0.25", 0.25f}, {"+0.25", 0.25f}, {"  +.25", 0.25f},
                           {"+-0.25", 0.5f}, {"-+0.25", 0.5f}, {"+ 0.25", 0.5f}}},
        {"trail_keyframe_age", {{"  +40", 40}, {" -40", 1}, {"+-40", 32}, {"--40", 32}, {"- 40", 32}}},
        // Hexadecimal floats as strtod reads them; "0x" without a hex digit is 0 and junk.
        {"trail_opacity", {{"0x1p-2", 0.25f}, {" 0X.4", 0.25f}, {"-0x1p-2", 0}, {"0x1p200", 0.5f}, {"0x", 0},
                           {"0xg", 0}, {"0x.", 0}, {"0x-1", 0}, {"0xinf", 0}}},
        // Infinity clamps to the range's end; NaN is ignored.
        {"trail_opacity", {{"inf", 1}, {"-Infinity", 0}, {"nan", 0.5f}, {"-NaN(123)", 0.5f}}},
        // Values that are no number at all.
        {"locked_overlay_opacity", {{"abc", 0.3f}}},
        {"trail_keyframe_age", {{"", 32}, {"-", 32}, {".5", 32}, {"\r", 32}}},
        {"broken_marker_brightness", {{".", 0.62f}, {"e5", 0.62f}}},
    };
    for (const auto& [key, values] : cases)
        for (const auto& [value, expected] : values)
            EXPECT_NEAR(Field(Parsed(std::string(key) + "=" + value), key), expected, 1e-6) << key << "=" << value;
    // A subnormal is a float: kept when in range. Negative zero is stored as zero, not "-0".
    const float subnormal = Parsed("trail_opacity=1e-40").trailOpacity;
    EXPECT_EQ(std::tuple(subnormal > 0.0f && subnormal < 1e-38f, std::signbit(Parsed("trail_opacity=-0").trailOpacity)),
              std::tuple(true, false));
}

TEST(SettingsText, LinesKeysAndOddBytes) {
    const std::tuple<std::string, const char*, double> cases[] = {
        // Keys are exact and untrimmed; the first "=" splits.
        {" trail_opacity=0.25", "trail_opacity", 0.5}, {"trail_opacity =0.25", "trail_opacity", 0.5},
        {"Trail_Opacity=0.25", "trail_opacity", 0.5},   {"TRAIL_OPACITY=0.25", "trail_opacity", 0.5},
        {"trail_opacity", "trail_opacity", 0.5},        {"trail_opacity 0.25", "trail_opacity", 0.5},
        {"trail_opacity==0.25", "trail_opacity", 0.5},  {"trail_opacity\0=0.25"s, "trail_opacity", 0.5},
        // Later lines win, unless unreadable; reading goes on past bad lines.
        {"trail_keyframe_age=10\ntrail_keyframe_age=20\n", "trail_keyframe_age", 20},
        {"trail_keyframe_age=10\ntrail_keyframe_age=x\n", "trail_keyframe_age", 10},
        {"locked_overlay_opacity=0.8\nlocked_overlay_opacity=abc\ntrail_opacity=0.25", "locked_overlay_opacity", 0.8},
        {"trail_keyframe_age=.5\nbroken_marker_brightness=.\npattern_viewer_speed_index=5", "pattern_viewer_speed_index",
         5},
        // "\r\n" ends a line ("\r" ends the number); "\r" alone does not.
        {"trail_opacity=0.25\r\ntrail_keyframe_age=40\r\n", "trail_keyframe_age", 40},
        {"trail_opacity=0.25\r\ntrail_keyframe_age=40\r\n", "trail_opacity", 0.25},
        {"trail_opacity=0.25\rtrail_keyframe_age=40", "trail_opacity", 0.25},
        {"trail_opacity=0.25\rtrail_keyframe_age=40", "trail_keyframe_age", 32},
        {"\n\n\ntrail_opacity=0.25", "trail_opacity", 0.25},
        {"trail_opacity=0.25\0junk"s, "trail_opacity", 0.25},
        // A byte-order mark is part of the first key.
        {"\xEF\xBB\xBFtrail_opacity=0.1\ntrail_opacity=0.2", "trail_opacity", 0.2},
        {"\xEF\xBB\xBFtrail_opacity=0.1", "trail_opacity", 0.5},
    };
    for (const auto& [text, key, expected] : cases) EXPECT_NEAR(Field(Parsed(text), key), expected, 1e-6) << text;
    for (const char* text : {"", "unknown_key=0.25\nfoo=bar\n=\n==\n[settings]\n# comment\n; comment\n"})
        EXPECT_EQ(Parsed(text), DisplaySettings{}) << text;
}

TEST(SettingsText, ParsingClampsTheStartingValuesFirst) {
    DisplaySettings s;
    s.trailKeyframeAge = 1000;
    s.trailOpacity = std::numeric_limits<float>::quiet_NaN();
    s.brokenMarkerOpacity = 0.0f;
    ParseSettingsText("unrelated=1", s);
    EXPECT_EQ(std::tuple(s.trailKeyframeAge, s.trailOpacity, s.brokenMarkerOpacity), std::tuple(253, 0.5f, 0.05f));  // NaN: default
}

TEST(SettingsText, FormatsFloatsWithSixSignificantDigits) {
    const DisplaySettings s{0, 0.35f, 1.0f, 0.05f, 0.0f, 1.0f / 3.0f, 253, 0.03f};
    EXPECT_EQ(FormatSettingsText(s),
              "pattern_viewer_speed_index=0\nlocked_overlay_opacity=0.35\nlocked_overlay_brightness=1\n"
              "broken_marker_opacity=0.05\nbroken_marker_brightness=0\ntrail_opacity=0.333333\n"
              "trail_keyframe_age=253\ntrail_keyframe_brightness=0.03\n");
    DisplaySettings tiny;
    tiny.trailOpacity = 1e-7f;  // only reachable through direct assignment, written in %g style
    EXPECT_NE(FormatSettingsText(tiny).find("trail_opacity=1e-07\n"), std::string::npos);
}

TEST(SettingsText, FormatIsIndependentOfTheCLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (!switched && std::setlocale(LC_NUMERIC, name) != nullptr) switched = true;
    DisplaySettings s;
    s.trailOpacity = 0.25f;
    const std::string text = FormatSettingsText(s);
    const DisplaySettings back = Parsed(text);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(std::tuple(text.find("trail_opacity=0.25\n") != std::string::npos, back), std::tuple(true, s));
    if (!switched) GTEST_SKIP() << "no decimal-comma locale installed";
}

// Six digits do not hold every float: a stepped value such as 0.3f + 0.05f reads back as the
// nearest float to "0.35", and from then on the text no longer changes.
TEST(SettingsText, FormatThenParseIsStable) {
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
        EXPECT_EQ(std::tuple(FormatSettingsText(back), Parsed(FormatSettingsText(back)), back.trailKeyframeAge,
                             back.patternViewerSpeedIndex),
                  std::tuple(text, back, s.trailKeyframeAge, s.patternViewerSpeedIndex)) << i;
        for (const auto& [read, written] : {std::pair{back.lockedOverlayOpacity, s.lockedOverlayOpacity},
                                           {back.trailOpacity, s.trailOpacity},
                                           {back.trailKeyframeBrightness, s.trailKeyframeBrightness}})
            EXPECT_NEAR(read, written, 1e-6f) << i;
    }
    DisplaySettings stepped;
    stepped.lockedOverlayOpacity += 0.05f;
    EXPECT_NE(FormatSettingsText(stepped).find("locked_overlay_opacity=0.35\n"), std::string::npos);
}

TEST(SettingsPath, FollowsTheEnvironment) {
    const char *xdg = "/cfg/Tavrix/settings.ini", *home = "/home/u/.config/Tavrix/settings.ini", *here = "Tavrix.settings";
    // XDG_CONFIG_HOME and HOME (nullptr: unset), and the path; a relative XDG_CONFIG_HOME is ignored.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/cfg", "/home/u", xdg}, {"/cfg", nullptr, xdg},   {nullptr, "/home/u", home}, {"", "/home/u", home},
        {"cfg", "/home/u", home}, {"cfg", nullptr, here},   {nullptr, nullptr, here}, {"", "", here}, {nullptr, "", here},
    };
    const auto saved = [](const char* name) { const char* v = std::getenv(name); return v ? std::optional<std::string>(v) : std::nullopt; };
    const auto set = [](const char* name, const char* value) { value ? ::setenv(name, value, 1) : ::unsetenv(name); };
    const std::optional<std::string> oldXdg = saved("XDG_CONFIG_HOME"), oldHome = saved("HOME");
    for (const auto& [xdgConfigHome, homeDir, expected] : cases) {
        set("XDG_CONFIG_HOME", xdgConfigHome), set("HOME", homeDir);
        EXPECT_EQ(std::tuple(GetSettingsPath(), GetSettingsPath(xdgConfigHome, homeDir)), std::tuple(expected, expected))
            << (xdgConfigHome ? xdgConfigHome : "(unset)") << ", " << (homeDir ? homeDir : "(unset)");
    }
    set("XDG_CONFIG_HOME", oldXdg ? oldXdg->c_str() : nullptr);
    set("HOME", oldHome ? oldHome->c_str() : nullptr);
}

class SettingsFileTest : public ::testing::Test {
protected:
    std::size_t EntryCount(const fs::path& folder) const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
    testsupport::TempDir tmp_;
    const fs::path dir_ = tmp_.path, path_ = dir_ / "settings.ini";
};

TEST_F(SettingsFileTest, LoadsTheFileOrGivesDefaultsAndCreatesNothing) {
    for (const fs::path& unreadable : {dir_ / "Tavrix" / "settings.ini", dir_, fs::path(), fs::path("/dev/null")})
        EXPECT_EQ(LoadSettings(unreadable), DisplaySettings{}) << unreadable;
    EXPECT_EQ(EntryCount(dir_), 0u);
    WriteText(path_, "trail_keyframe_age=0\nlocked_overlay_opacity=abc\n trail_opacity=0.9\n"
                    "trail_keyframe_brightness= 0.25xyz\r\n");
    const DisplaySettings s = LoadSettings(path_);
    EXPECT_EQ(std::tuple(s.trailKeyframeAge, s.lockedOverlayOpacity, s.trailOpacity, s.trailKeyframeBrightness),
              std::tuple(1, 0.3f, 0.5f, 0.25f));
}

TEST_F(SettingsFileTest, SaveCreatesFoldersClampsAndRoundTrips) {
    const fs::path deep = dir_ / "a" / "b" / "Tavrix" / "settings.ini";
    ASSERT_TRUE(SaveSettings(deep, DisplaySettings{}));
    EXPECT_EQ(std::tuple(ReadText(deep), EntryCount(deep.parent_path())), std::tuple(kDefaultText, 1u));  // no temporary left
    DisplaySettings s{6, 0.85f, 0.1f, 1.0f, 0.0f, 0.15f, 200, 0.03f};
    ASSERT_TRUE(SaveSettings(path_, s));
    EXPECT_EQ(LoadSettings(path_), s);
    // Saving again replaces the file whole, clamped.
    s.trailKeyframeAge = 999, s.trailOpacity = -2.0f;
    ASSERT_TRUE(SaveSettings(path_, s));
    EXPECT_EQ(std::tuple(LoadSettings(path_).trailKeyframeAge, LoadSettings(path_).trailOpacity), std::tuple(253, 0.0f));
    // The old file's mode stays.
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path_, mode);
    ASSERT_TRUE(SaveSettings(path_, DisplaySettings{}));
    EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all, mode);
}

TEST_F(SettingsFileTest, FailedSavesLeaveWhatWasThere) {
    const fs::path blocker = dir_ / "Tavrix";
    WriteText(blocker, "not a folder");
    fs::create_directory(path_);
    WriteText(path_ / "inside", "kept");
    for (const fs::path& target : {blocker / "settings.ini", blocker / "deeper" / "settings.ini", path_})
        EXPECT_FALSE(SaveSettings(target, DisplaySettings{})) << target;
    // A write stopped part way, as by a full disk, leaves the old file too.
    const fs::path old = dir_ / "old.ini";
    WriteText(old, "trail_keyframe_age=77\n");
    EXPECT_FALSE(UnderSizeLimit([&] { return SaveSettings(old, DisplaySettings{}); }));
    // The temporaries are removed.
    EXPECT_EQ(std::tuple(ReadText(blocker), ReadText(path_ / "inside"), ReadText(old), EntryCount(dir_)),
              std::tuple("not a folder", "kept", "trail_keyframe_age=77\n", 3u));
}

TEST_F(SettingsFileTest, UnwritableFolderLeavesTheOldFileIntact) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    WriteText(path_, "trail_keyframe_age=77\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveSettings(path_, DisplaySettings{}));
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadText(path_), "trail_keyframe_age=77\n");
}

TEST_F(SettingsFileTest, OtherKeysAreReadAndSurviveASave) {
    WriteText(path_, "update_host= old.example \ntrail_opacity=0.25\nupdate_host=\tnew.example:8443 \nno equals sign\n");
    EXPECT_EQ(std::tuple(SettingString(ReadText(path_), "update_host"), SettingString(ReadText(path_), "update")),
              std::tuple("new.example:8443", ""));
    DisplaySettings settings = LoadSettings(path_);
    settings.trailOpacity = 0.75f;
    ASSERT_TRUE(SaveSettings(path_, settings));
    EXPECT_EQ(std::tuple(LoadSettings(path_), SettingString(ReadText(path_), "update_host"), ReadText(path_)),
              std::tuple(settings, "new.example:8443",
                         FormatSettingsText(settings) + "update_host= old.example \nupdate_host=\tnew.example:8443 \n"));
    EXPECT_EQ(SettingString("trail_opacity=0.5\n", "update_host"), "");
}

TEST_F(SettingsFileTest, AtomicFailuresSayWhereTheyStoppedAndKeepTheOldFile) {
    fs::create_directories(dir_ / "folder");
    ASSERT_FALSE(WriteFileAtomically(path_, "old"));
    const std::string big(4096, 'x');
    const struct { fs::path target; bool limit; Stage stage; int error; } cases[] = {
        {dir_ / "missing" / "a.txt", false, Stage::Open, ENOENT},
        {dir_ / "folder", false, Stage::Open, EISDIR},
        {path_, true, Stage::Write, EFBIG},
    };
    for (const auto& c : cases) {
        const auto failure = c.limit ? UnderSizeLimit([&] { return WriteFileAtomically(c.target, big); })
                                     : WriteFileAtomically(c.target, big);
        ASSERT_TRUE(failure) << c.target;
        EXPECT_EQ(std::tuple(failure->stage, failure->error, SystemReason(*failure).empty()), std::tuple(c.stage, c.error, false))
            << c.target;
    }
    std::string text, prefix;
    ASSERT_FALSE(ReadWholeFile(path_, text));
    ASSERT_FALSE(ReadWholeFile(path_, prefix, 2));
    EXPECT_EQ(std::tuple(text, prefix, EntryCount(dir_)), std::tuple("old", "ol", 2u));  // no temporaries
    const auto missing = ReadWholeFile(dir_ / "none", text);
    ASSERT_TRUE(missing);
    EXPECT_EQ(std::tuple(missing->stage, missing->error, SystemReason(*missing)),
              std::tuple(Stage::Open, ENOENT, std::string("No such file or directory")));
    const auto folder = ReadWholeFile(dir_ / "folder", text);
    ASSERT_TRUE(folder);
    EXPECT_EQ(std::tuple(folder->stage, folder->error, text), std::tuple(Stage::Read, EISDIR, "old"));  // text kept
}

TEST_F(SettingsFileTest, RelativePathIsWrittenInTheWorkingFolder) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir_);
    const bool saved = SaveSettings("Tavrix.settings", DisplaySettings{});
    const DisplaySettings loaded = LoadSettings("Tavrix.settings");
    fs::current_path(previous);
    EXPECT_EQ(std::tuple(saved, loaded, ReadText(dir_ / "Tavrix.settings")), std::tuple(true, DisplaySettings{}, kDefaultText));
}

}  // namespace
}  // namespace formats
