// The update check from the feed to the box: versions, the feed's keys, the decision, the host, and
// the notice box's layouts and choices.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "shell/update_notice_box.h"
#include "shell/notice_relay.h"
#include "tests/shell/fake_platform.h"
#include "update/semantic_version.h"
#include "update/update_endpoint.h"
#include "update/update_feed.h"
#include "update/update_notice.h"

namespace update {
namespace {

UpdateFeed Feed(bool available, std::string latest = "", std::string minimum = "", std::string notes = "",
                std::string download = "", std::string details = "", std::string changelog = "") {
    return {available, latest, minimum, notes, download, details, changelog};
}

int Compare(const char* a, const char* b) {
    return CompareSemanticVersions(ParseSemanticVersion(a), ParseSemanticVersion(b));
}

TEST(UpdateVersion, Precedence) {
    const struct { const char* a; const char* b; int expected; } cases[] = {
        {"0.2.0", "0.2.0-alpha", 1},          {"0.2.0-beta", "0.2.0-alpha", 1},
        {"0.2.0-alpha.1", "0.2.0-alpha", 1},  {"0.2.0-2", "0.2.0-alpha", -1},
        {"v0.3", "0.3.0", 0},                 {" V1.2.3+build.5 ", "1.2.3", 0},
        {"1.2.3.9", "1.2.3", 0},              {"2", "1.9.9", 1},
        {"10.0.0", "9.99.99", 1},             {"1.0.0-alpha.007", "1.0.0-alpha.7", 0},
        {"1.0.0-99999999999999999999", "1.0.0-100", 1}, {"1.0.0-a-b", "1.0.0-a", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Compare(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(Compare(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
    // The ordering example of Semantic Versioning 2.0.0, each below the next.
    const char* chain[] = {"1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-alpha.beta", "1.0.0-beta",
                           "1.0.0-beta.2", "1.0.0-beta.11", "1.0.0-rc.1", "1.0.0"};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) EXPECT_EQ(Compare(chain[i], chain[i + 1]), -1) << chain[i];
}

TEST(UpdateVersion, Validity) {
    for (const char* bad : {"", "v", " ", "1..2", "1.a", "x1.0", "1.0.0.", "-alpha", "4294967296", "1.-2", "+5"})
        EXPECT_FALSE(ParseSemanticVersion(bad).valid) << '"' << bad << '"';
    const SemanticVersion v = ParseSemanticVersion("v4294967295.0.7-rc.01+x-y");
    EXPECT_EQ(std::tuple(v.valid, v.major, v.minor, v.patch, v.preRelease),
              std::tuple(true, 4294967295u, 0u, 7u, std::vector<PreReleaseIdentifier>{{false, "rc"}, {true, "1"}}));
}

TEST(UpdateFeed, KeysEscapesAndUrls) {
    const struct { const char* text; UpdateFeed expected; } cases[] = {
        {R"({"updateAvailable": true, "latestVersion": "0.2.0"})", Feed(true, "0.2.0")},
        {R"({"updateAvailable" :
            true})", Feed(true)},
        {R"({"updateAvailable": "true", "latestVersion": 3})", Feed(false)},
        {R"({"updateAvailable": false, "latestVersion": "0.3.0})", Feed(false)},
        {R"({"latestVersion": " \t0.3.0\n", "latestVersion": "9"})", Feed(false, "0.3.0")},
        {R"({"notes": "a\u0041\n\"b\\\/c\td", "minimumSupportedVersion": "\t1.x "})",
         Feed(false, "", "1.x", "au0041\n\"b\\/c\td")},
        {R"({"downloadUrl": "/files/setup.exe", "detailsUrl": "files/setup.exe", "changelogUrl": " HTTPS://A.example/c "})",
         Feed(false, "", "", "", "https://updates.example/files/setup.exe",
              "https://updates.example/files/setup.exe", "HTTPS://A.example/c")},
        {R"({"downloadUrl": "  ", "detailsUrl": "http://b.example", "changelogUrl": "\"})",
         Feed(false, "", "", "", "", "http://b.example")},
        {R"({"notes": "x)", Feed(false)},
    };
    for (const auto& c : cases) EXPECT_TRUE(ParseUpdateFeed(c.text, "updates.example") == c.expected) << c.text;
}

TEST(UpdateNotice, Decision) {
    const struct { UpdateFeed feed; bool notice, required; } cases[] = {
        {Feed(true, "0.2.0"), true, false},
        {Feed(false, "9.0.0"), false, false},
        {Feed(true), false, false},
        {Feed(true, "0.2.0-alpha"), false, false},
        {Feed(true, "0.1.9"), false, false},
        {Feed(true, "next"), false, false},
        {Feed(true, "0.3.0", "0.2.0"), true, true},
        {Feed(true, "0.3.0", "1.x"), true, false},
        {Feed(true, "0.3.0", "0.2.0-alpha"), true, false},
    };
    for (const auto& c : cases) {
        const auto notice = DecideUpdateNotice(c.feed);
        const auto expected = c.notice ? std::optional(c.required) : std::nullopt;
        EXPECT_EQ(notice ? std::optional(notice->required) : std::nullopt, expected)
            << c.feed.latestVersion << " " << c.feed.minimumSupportedVersion;
    }
    ::testing::internal::CaptureStderr();
    const UpdateFeed feed = Feed(true, "0.4", "", "n", "https://d", "https://i", "https://c");
    const auto notice = DecideUpdateNotice(feed);
    DecideUpdateNotice(Feed(true, "next"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Update check: latest version is '0.4' (current '0.2.0-alpha', updateAvailable=true).\n"
              "Update check: latest version is 'next' (current '0.2.0-alpha', updateAvailable=true).\n"
              "Update check: failed parsing versions. current='0.2.0-alpha' latest='next'.\n");
    ASSERT_TRUE(notice);
    EXPECT_EQ(std::tie(notice->currentVersion, notice->latestVersion, notice->downloadUrl, notice->detailsUrl,
                       notice->changelogUrl, notice->notes),
              std::tie("0.2.0-alpha", "0.4", "https://d", "https://i", "https://c", "n"));
}

TEST(UpdateEndpoint, Authority) {
    const struct { const char* text; bool ok; const char* host; int port; } cases[] = {
        {"updates.example", true, "updates.example", 443}, {"127.0.0.1:8443", true, "127.0.0.1", 8443},
        {"[::1]:8443", true, "::1", 8443},                  {"::1", true, "::1", 443},
        {"h:0", false, "", 0}, {"h:65536", false, "", 0},   {"h:x", false, "", 0},
    };
    for (const auto& c : cases) {
        UpdateEndpoint e;
        const bool ok = ParseUpdateAuthority(c.text, e);
        const std::string authority = !c.ok ? "" : std::string(c.text) == "::1" ? "[::1]" : c.text;
        EXPECT_EQ(std::tuple(ok, ok ? e.host : "", ok ? e.port : 0, ok ? e.Authority() : ""),
                  std::tuple(c.ok, c.host, c.port, authority)) << c.text;
    }
}

TEST(UpdateEndpoint, EnvironmentOverridesSettings) {
    EXPECT_EQ(ConfiguredUpdateEndpoint("", nullptr, nullptr).host, "");  // this build names no host
    EXPECT_EQ(ConfiguredUpdateEndpoint("s.example:8443", "", nullptr).Authority(), "s.example:8443");
    const UpdateEndpoint e = ConfiguredUpdateEndpoint("s.example", "e.example", "/ca.pem");
    EXPECT_EQ(std::tie(e.host, e.caFile), std::tie("e.example", "/ca.pem"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ConfiguredUpdateEndpoint("h:x", nullptr, nullptr).host, "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Update check: invalid update host 'h:x'.\n");
}

}  // namespace
}  // namespace update

namespace shell {
namespace {

using A = MessageAnswer;
using B = MessageButtons;

update::UpdateNotice Notice(bool required, std::string download, std::string details, std::string changelog,
                            std::string notes) {
    return {required, "0.2.0-alpha", "0.3.0", std::move(download), std::move(details), std::move(changelog),
            std::move(notes)};
}

TEST(UpdateNoticeBox, LayoutsAndChoices) {
    using Captions = std::vector<std::string>;
    const Captions both = {"Open Download Page", "Learn More", "Later"};
    const struct { update::UpdateNotice notice; A answer; B buttons; Captions captions; std::string opened; } cases[] = {
        {Notice(false, "https://d", "https://i", "", ""), A::Yes, B::YesNoCancel, both, "https://d"},
        {Notice(true, "https://d", "https://i", "https://c", "Fixes"), A::No, B::YesNoCancel, both, "https://i"},
        {Notice(false, "https://d", "", "https://c", ""), A::No, B::YesNoCancel, both, "https://c"},
        {Notice(true, "https://d", "", "https://c", ""), A::Cancel, B::YesNoCancel, both, ""},
        {Notice(false, "https://d", "", "", ""), A::Yes, B::YesNo, Captions{"Open Download Page", "Later"}, "https://d"},
        {Notice(false, "https://d", "", "", ""), A::No, B::YesNo, Captions{"Open Download Page", "Later"}, ""},
        {Notice(true, "", "", "https://c", "Fixes"), A::Yes, B::YesNo, Captions{"Learn More", "Later"}, "https://c"},
        {Notice(false, "", "", "", ""), A::Ok, B::Ok, Captions{}, ""},
    };
    for (const auto& c : cases) {
        testing::FakePlatform platform;
        platform.answers = {c.answer};
        ShowUpdateNotice(platform, c.notice);
        ASSERT_EQ(platform.boxes.size(), 1u);
        const bool required = c.notice.required;
        const std::string text = std::string("A newer Tavrix build is ") + (required ? "required." : "available.") +
                                 "\n\nCurrent version: 0.2.0-alpha\nLatest version: 0.3.0" +
                                 (c.notice.notes.empty() ? "" : "\n\n" + c.notice.notes);
        const MessageBox expected{required ? "Tavrix Update Required" : "Tavrix Update Available", text, c.buttons,
                                  required ? MessageIcon::Warning : MessageIcon::Information,
                                  c.buttons == B::Ok ? A::Ok : A::Yes, c.captions};
        const std::vector<std::string> opened = c.opened.empty() ? std::vector<std::string>{} : std::vector{c.opened};
        EXPECT_EQ(std::tuple(testing::Fields(platform.boxes[0]), platform.openedUrls),
                  std::tuple(testing::Fields(expected), opened));
    }
}

TEST(UpdateNoticeBox, ShownOnTheWindowThreadOrDropped) {
    testing::FakePlatform platform;
    auto check = std::make_unique<NoticeRelay>(platform, [&](update::UpdateNotice n) { ShowUpdateNotice(platform, n); });
    const auto deliver = check->Deliverer();
    deliver(Notice(false, "", "", "", ""));
    ASSERT_EQ(platform.posted.size(), 1u);
    EXPECT_TRUE(platform.boxes.empty());  // only once the window's thread runs it
    platform.posted[0]();
    EXPECT_EQ(platform.boxes.size(), 1u);
    deliver(Notice(false, "", "", "", ""));
    check.reset();  // the window goes while a notice is queued, and before another arrives
    platform.posted[1]();
    deliver(Notice(false, "", "", "", ""));
    EXPECT_EQ(platform.posted.size(), 2u);
    EXPECT_EQ(platform.boxes.size(), 1u);
}

}  // namespace
}  // namespace shell
