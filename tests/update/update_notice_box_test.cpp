#include <gtest/gtest.h>

#include <memory>

#include "shell/update_notice_box.h"
#include "shell/notice_relay.h"
#include "tests/shell/fake_platform.h"

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
    const std::string both = "\n\nYes: Open download page\nNo: Learn more\nCancel: Later";
    const struct { update::UpdateNotice notice; A answer; B buttons; std::string tail, opened; } cases[] = {
        {Notice(false, "https://d", "https://i", "", ""), A::Yes, B::YesNoCancel, both, "https://d"},
        {Notice(true, "https://d", "https://i", "https://c", "Fixes"), A::No, B::YesNoCancel, both, "https://i"},
        {Notice(false, "https://d", "", "https://c", ""), A::No, B::YesNoCancel, both, "https://c"},
        {Notice(true, "https://d", "", "https://c", ""), A::Cancel, B::YesNoCancel, both, ""},
        {Notice(false, "https://d", "", "", ""), A::Yes, B::YesNo, "\n\nYes: Open download page\nNo: Later", "https://d"},
        {Notice(false, "https://d", "", "", ""), A::No, B::YesNo, "\n\nYes: Open download page\nNo: Later", ""},
        {Notice(true, "", "", "https://c", "Fixes"), A::Yes, B::YesNo, "\n\nYes: Learn more\nNo: Later", "https://c"},
        {Notice(false, "", "", "", ""), A::Ok, B::Ok, "", ""},
    };
    for (const auto& c : cases) {
        testing::FakePlatform platform;
        platform.answers = {c.answer};
        ShowUpdateNotice(platform, c.notice);
        ASSERT_EQ(platform.boxes.size(), 1u);
        const MessageBox& box = platform.boxes[0];
        const bool required = c.notice.required;
        EXPECT_EQ(box.title, required ? "Tavrix Update Required" : "Tavrix Update Available");
        EXPECT_EQ(box.icon, required ? MessageIcon::Warning : MessageIcon::Information);
        EXPECT_EQ(box.buttons, c.buttons);
        EXPECT_EQ(box.text, std::string(required ? "A newer Tavrix build is required." : "A newer Tavrix build is available.") +
                                "\n\nCurrent version: 0.2.0-alpha\nLatest version: 0.3.0" +
                                (c.notice.notes.empty() ? "" : "\n\n" + c.notice.notes) + c.tail);
        EXPECT_EQ(platform.openedUrls, c.opened.empty() ? std::vector<std::string>{} : std::vector{c.opened});
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
