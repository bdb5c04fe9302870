#include "shell/update_notice_box.h"

namespace shell {

void ShowUpdateNotice(Platform& platform, const update::UpdateNotice& notice) {
    const std::string& learnMore = notice.detailsUrl.empty() ? notice.changelogUrl : notice.detailsUrl;
    const std::string& download = notice.downloadUrl;
    MessageBox box;
    box.title = notice.required ? "Tavrix Update Required" : "Tavrix Update Available";
    box.icon = notice.required ? MessageIcon::Warning : MessageIcon::Information;
    box.text = notice.required ? "A newer Tavrix build is required.\n\n" : "A newer Tavrix build is available.\n\n";
    box.text += "Current version: " + notice.currentVersion + "\nLatest version: " + notice.latestVersion;
    if (!notice.notes.empty()) box.text += "\n\n" + notice.notes;
    // The buttons say what they do: Yes opens the first page offered, No the learn-more page when
    // both are; the last button is "Later".
    std::string yesUrl, noUrl;
    if (!download.empty() && !learnMore.empty()) {
        box.buttons = MessageButtons::YesNoCancel;
        box.captions = {"Open Download Page", "Learn More", "Later"};
        yesUrl = download;
        noUrl = learnMore;
    } else if (!download.empty() || !learnMore.empty()) {
        box.buttons = MessageButtons::YesNo;
        box.captions = {download.empty() ? "Learn More" : "Open Download Page", "Later"};
        yesUrl = download.empty() ? learnMore : download;
    }
    box.defaultAnswer = box.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    const MessageAnswer answer = platform.ShowMessage(box);
    if (answer == MessageAnswer::Yes && !yesUrl.empty()) platform.OpenUrl(yesUrl);
    if (answer == MessageAnswer::No && !noUrl.empty()) platform.OpenUrl(noUrl);
}

}  // namespace shell
