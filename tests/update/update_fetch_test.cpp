#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <thread>

#include "update/update_check.h"
#include "update/update_fetch.h"

namespace update {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The HTTPS servers of tests/update/feed_server.py, one port per scenario, for the whole suite.
class UpdateFetch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "update_fetch.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        const std::string command = "python3 " TAVRIX_SOURCE_DIR "/tests/update/feed_server.py " + folder_.string();
        server_ = ::popen(command.c_str(), "w");  // closing its input stops it
        ASSERT_NE(server_, nullptr);
        for (int i = 0; i < 200 && !fs::exists(folder_ / "ports"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(folder_ / "ports");
        std::string name;
        for (int port; in >> name >> port;) ports_[name] = port;
        ASSERT_EQ(ports_.size(), 6u);
    }
    static void TearDownTestSuite() {
        if (server_) ::pclose(server_);
        fs::remove_all(folder_);
    }
    static UpdateEndpoint Endpoint(const std::string& scenario) {
        UpdateEndpoint endpoint{.host = "127.0.0.1", .port = ports_.at(scenario), .caFile = folder_ / "trusted.pem"};
        endpoint.sendTimeoutMs = endpoint.receiveTimeoutMs = 1000;  // the silent server waits them out twice
        return endpoint;
    }

    static inline fs::path folder_;
    static inline FILE* server_ = nullptr;
    static inline std::map<std::string, int> ports_;
};

TEST_F(UpdateFetch, PathsStatusesAndCertificates) {
    const struct { const char* scenario; bool notice; const char* log; } cases[] = {
        {"feed", true, "fetched update feed from '/downloads/latest.json'"},
        {"missing_first", true, "unexpected HTTP status 404 for '/downloads/latest.json'.\n"
                                "Update check: fetched update feed from '/tavrix/downloads/latest.json'"},
        {"empty_first", true, "fetched update feed from '/tavrix/downloads/latest.json'"},
        {"latin1", false, "failed converting UTF-8 response from '/downloads/latest.json'"},
        {"untrusted", false, "GET '/downloads/latest.json' failed while connecting: SSL certificate problem"},
        {"silent", false, "GET '/tavrix/downloads/latest.json' failed while waiting for the response: Operation too slow"},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        const Clock::time_point start = Clock::now();
        const auto notice = RunUpdateCheck(Endpoint(c.scenario));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const std::string log = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(notice.has_value(), c.notice) << c.scenario;
        EXPECT_NE(log.find(c.log), std::string::npos) << c.scenario << ":\n" << log;
        EXPECT_LT(seconds, 6) << c.scenario;
        if (c.scenario == std::string("silent")) {
            EXPECT_GE(seconds, 2) << "each path waits out the time-out";
        }
        if (notice) {
            EXPECT_EQ(notice->downloadUrl, "https://127.0.0.1:" + std::to_string(ports_.at(c.scenario)) + "/files/setup.exe");
        }
    }
}

TEST_F(UpdateFetch, BackgroundThreadDeliversTheNotice) {
    // Shared: the thread may still be inside set_value when the test has its answer and ends.
    auto delivered = std::make_shared<std::promise<UpdateNotice>>();
    auto future = delivered->get_future();
    StartUpdateCheck(Endpoint("feed"), [delivered](UpdateNotice notice) { delivered->set_value(std::move(notice)); });
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(future.get().latestVersion, "0.3.0");
}

TEST(UpdateCheck, NoHostNoRequest) {
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(RunUpdateCheck({}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Update check: no update host configured.\n");
}

}  // namespace
}  // namespace update
