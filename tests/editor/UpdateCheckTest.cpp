#include "editor/UpdateCheck.h"
#include "editor/CommandTestSupport.h"
#include "editor/EditorCommands.h"
#include "editor/ITKOptionMenu.h"
#include "editor/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vorlunda {
namespace {

using test::CommandFixture;
using test::LocalHttpServer;

// --- The reply and the texts ---

TEST(UpdateCheck, ReleaseNumberParsing) {
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("2003"), 2003);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("2003\n"), 2003);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("  2003\r\n"), 2003);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("\t+2010 "), 2010);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("-5"), -5);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("3"), 3);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("0002003"), 2003);
    EXPECT_EQ(UpdateCheck::ParseReleaseNumber("999999999"), 999999999);
    for (const char* bad : {"", " ", "\n", "+", "-", "abc", "2003abc", "2 003", "20.03", "0x7D3",
                            "1000000000", "99999999999999999999", "2003\n<"})
        EXPECT_FALSE(UpdateCheck::ParseReleaseNumber(bad).has_value()) << '"' << bad << '"';
    EXPECT_FALSE(UpdateCheck::ParseReleaseNumber(std::string_view("20\0"
                                                                  "03",
                                                                  5))
                     .has_value());
}

TEST(UpdateCheck, ReleaseTexts) {
    EXPECT_EQ(UpdateCheck::ReleaseText(2003), "2.0.3");
    EXPECT_EQ(UpdateCheck::ReleaseText(2010), "2.0.10");
    EXPECT_EQ(UpdateCheck::ReleaseText(2100), "2.1.0");
    EXPECT_EQ(UpdateCheck::ReleaseText(3000), "3.0.0");
    EXPECT_EQ(UpdateCheck::ReleaseText(20003), "2.0.03");
    EXPECT_EQ(UpdateCheck::ReleaseText(3), "");
}

TEST(UpdateCheck, ServerSetting) {
    const auto plain = UpdateCheck::ParseServer("www.example.com");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "www.example.com");
    EXPECT_EQ(plain->port, 80);
    const auto local = UpdateCheck::ParseServer("127.0.0.1:8123");
    ASSERT_TRUE(local);
    EXPECT_EQ(local->host, "127.0.0.1");
    EXPECT_EQ(local->port, 8123);
    for (const char* bad :
         {"", ":80", "host:", "host:0", "host:65536", "host:8x", "host:123456", "ho st",
          "host/path", "user@host", "-host", "host:80:81", "h\xC3\xB6st"})
        EXPECT_FALSE(UpdateCheck::ParseServer(bad).has_value()) << bad;
}

// --- Against a local server ---

// An instance whose maker's server is the local one.
struct CheckFixture : CommandFixture {
    explicit CheckFixture(const std::string& server)
        : CommandFixture("[Online]\r\nServer=" + server + "\r\nWeb Domain=maker.test\r\n") {}
    int Check() { return UpdateCheck::Run(*plug, *editor); }
};

void ExpectRequest(LocalHttpServer& server) {
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& r = requests[0];
    EXPECT_EQ(r.rfind("GET /music/version/?file=vorlunda2 HTTP/1.1\r\n", 0), 0u) << r;
    EXPECT_NE(r.find("\r\nUser-Agent: Vorlunda2\r\n"), std::string::npos) << r;
    EXPECT_NE(r.find("\r\nAccept: */*\r\n"), std::string::npos) << r;
    EXPECT_NE(r.find("\r\nHost: " + server.Address() + "\r\n"), std::string::npos) << r;
}

TEST(UpdateCheck, NewerReleaseOffersTheDownloadPage) {
    LocalHttpServer server(LocalHttpServer::Mode::kReply, 200, "2003\n");
    ASSERT_TRUE(server.Listening());
    CheckFixture f(server.Address());
    f.window->answers = {kAnswerYes};
    EXPECT_EQ(f.Check(), UpdateCheck::kShown);
    ExpectRequest(server);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text,
              "A new version of Vorlunda2 is available.\n\n\tYour version: \t2.0.2\n"
              "\tNew version: \t2.0.3\n\nDo you want to go to http://" +
                  server.Address() + "/ to get the new version?");
    EXPECT_EQ(f.window->messages[0].caption, "New Version of Vorlunda2 Detected");
    EXPECT_EQ(f.window->messages[0].type, kMessageYesNo);
    ASSERT_EQ(f.window->links.size(), 1u);
    EXPECT_EQ(f.window->links[0], "http://" + server.Address() + "/music/vst.html");
}

TEST(UpdateCheck, NewerReleaseDeclinedOpensNothing) {
    LocalHttpServer server(LocalHttpServer::Mode::kReply, 200, "2010");
    CheckFixture f(server.Address());
    f.window->answers = {kAnswerNo};
    EXPECT_EQ(f.Check(), UpdateCheck::kShown);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_NE(f.window->messages[0].text.find("\tNew version: \t2.0.10\n"), std::string::npos);
    EXPECT_TRUE(f.window->links.empty());
}

TEST(UpdateCheck, SameOrOlderReleaseIsUpToDate) {
    for (const char* reply : {"2002", "1999", "3"}) {
        LocalHttpServer server(LocalHttpServer::Mode::kReply, 200, reply);
        CheckFixture f(server.Address());
        EXPECT_EQ(f.Check(), UpdateCheck::kShown) << reply;
        ASSERT_EQ(f.window->messages.size(), 1u) << reply;
        EXPECT_EQ(f.window->messages[0].text, "Your version is up to date.");
        EXPECT_EQ(f.window->messages[0].caption, "Check Online for Update");
        EXPECT_EQ(f.window->messages[0].type, UpdateCheck::kInformationBox);
        EXPECT_TRUE(f.window->links.empty());
    }
}

void ExpectError(CheckFixture& f, const std::string& text) {
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, text);
    EXPECT_EQ(f.window->messages[0].caption, "Check Online for Update");
    EXPECT_EQ(f.window->messages[0].type, UpdateCheck::kErrorBox);
    EXPECT_TRUE(f.window->links.empty());
}

TEST(UpdateCheck, NotFoundPageIsAnInvalidCall) {
    LocalHttpServer server(LocalHttpServer::Mode::kReply, 404,
                           "<html><body><h1>404 Not Found</h1></body></html>\n");
    CheckFixture f(server.Address());
    EXPECT_EQ(f.Check(), UpdateCheck::kErrorPage);
    ExpectError(f, "Invalid call to maker.test.");
}

TEST(UpdateCheck, GarbageIsAFailedCheck) {
    for (const char* reply : {"version two", "2003 and more", "\x01\x02\xFF"}) {
        LocalHttpServer server(LocalHttpServer::Mode::kReply, 200, reply);
        CheckFixture f(server.Address());
        EXPECT_EQ(f.Check(), UpdateCheck::kUnreadableReply) << reply;
        ExpectError(f, "An error occurred while contacting maker.test.");
    }
}

TEST(UpdateCheck, EmptyBodyIsNoReply) {
    LocalHttpServer server(LocalHttpServer::Mode::kReply, 200, "");
    CheckFixture f(server.Address());
    EXPECT_EQ(f.Check(), UpdateCheck::kNoReply);
    ExpectError(f, "An error occurred while contacting maker.test.");
}

TEST(UpdateCheck, MegabytesLongReplyIsAFailedCheck) {
    LocalHttpServer server(LocalHttpServer::Mode::kHuge);
    CheckFixture f(server.Address());
    EXPECT_EQ(f.Check(), UpdateCheck::kUnreadableReply);
    ExpectError(f, "An error occurred while contacting maker.test.");
}

TEST(UpdateCheck, RefusedPortIsNoReply) {
    CheckFixture f("127.0.0.1:" + std::to_string(LocalHttpServer::ClosedPort()));
    EXPECT_EQ(f.Check(), UpdateCheck::kNoReply);
    ExpectError(f, "An error occurred while contacting maker.test.");
}

TEST(UpdateCheck, UnusableServerSettingIsNoReply) {
    CheckFixture f("no such host/");
    EXPECT_EQ(f.Check(), UpdateCheck::kNoReply);
    ExpectError(f, "An error occurred while contacting maker.test.");
}

TEST(UpdateCheck, SilentServerEndsWithinTheBound) {
    LocalHttpServer server(LocalHttpServer::Mode::kSilent);
    CheckFixture f(server.Address());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.Check(), UpdateCheck::kNoReply);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    // The whole check is bounded by its time-out; well under the minutes a platform allows.
    EXPECT_LT(seconds.count(), UpdateCheck::kTimeoutMs / 1000.0 + 3.0);
    EXPECT_GE(seconds.count(), UpdateCheck::kTimeoutMs / 1000.0 - 0.5);
    ExpectError(f, "An error occurred while contacting maker.test.");
    // The editor answers again at once.
    f.window->Tick();
    EXPECT_TRUE(f.editor->IsWindowOpen());
}

TEST(UpdateCheck, RunsFromTheCommandMenu) {
    LocalHttpServer server(LocalHttpServer::Mode::kReply, 200, "2002");
    CheckFixture f(server.Address());
    f.window->onMenu = [](const PopupMenu& menu) { return menu.Item(19)->submenu->CommandOf(0); };
    auto* button = f.editor->MakeControl<ITKOptionMenu>(f.plug.get(), ScreenRect{0, 0, 10, 10}, -85,
                                                        &ExecuteEditorCommand);
    button->MouseDown(3, 4, test::HeadlessWindow::Left());
    ExpectRequest(server);
    ASSERT_EQ(f.window->messages.size(), 1u);
    EXPECT_EQ(f.window->messages[0].text, "Your version is up to date.");

    // "Visit maker.test" opens the home page without asking.
    f.window->onMenu = [](const PopupMenu& menu) { return menu.Item(19)->submenu->CommandOf(1); };
    button->MouseDown(3, 4, test::HeadlessWindow::Left());
    ASSERT_EQ(f.window->links.size(), 1u);
    EXPECT_EQ(f.window->links[0], "http://" + server.Address() + "/");
    EXPECT_EQ(f.window->messages.size(), 1u);
}

} // namespace
} // namespace vorlunda
