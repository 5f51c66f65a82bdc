// The update check: the answer's fields, the version comparison, the download
// address, and whole checks against a small local HTTP server.
#include "settings/update.h"

#include "core/modini.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "platform/shell/shell.h"
#include "settings/about.h"
#include "support/testdir.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

using namespace modIni;

// ---------------------------------------------------------------- pure parts

TEST(UpdateText, FourFieldsCutAtLineFeeds)
{
    auto info = ParseUpdateText("3.2b1.3160\n2003-01-10\nhttp://fr.example/dl\nhttp://en.example/dl");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->VersionAvailable, "3.2b1.3160");
    EXPECT_EQ(info->VersionDate, "2003-01-10");
    EXPECT_EQ(info->UrlFr, "http://fr.example/dl");
    EXPECT_EQ(info->UrlEn, "http://en.example/dl");
}

TEST(UpdateText, CarriageReturnsAndBlanksAreTrimmed)
{
    auto info = ParseUpdateText(" 3.2.3160\r\n d \r\n http://a.b/c \r\nhttp://d.e/f\r\n");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->VersionAvailable, "3.2.3160");
    EXPECT_EQ(info->VersionDate, "d");
    EXPECT_EQ(info->UrlFr, "http://a.b/c");
    EXPECT_EQ(info->UrlEn, "http://d.e/f");
}

TEST(UpdateText, FewerThanThreeLineFeedsIsNoAnswer)
{
    EXPECT_FALSE(ParseUpdateText(""));
    EXPECT_FALSE(ParseUpdateText("3160"));
    EXPECT_FALSE(ParseUpdateText("3160\nx\nhttp://a"));
    EXPECT_FALSE(ParseUpdateText("<html>\n<body>Not found</body>\n</html>"));
    EXPECT_FALSE(ParseUpdateText("\n\n\n"));
    EXPECT_TRUE(ParseUpdateText("3160\n\n\n"));
    EXPECT_FALSE(ParseUpdateText(std::string("\0\0\0", 3)));
}

TEST(UpdateText, VersionComparedOnItsLastFourCharacters)
{
    EXPECT_TRUE(IsNewerVersion("3.2b1.3160", "3.1b1.3150"));
    EXPECT_FALSE(IsNewerVersion("3.1b1.3150", "3.1b1.3150"));
    EXPECT_FALSE(IsNewerVersion("3.1b1.3149", "3.1b1.3150"));
    EXPECT_FALSE(IsNewerVersion("4.0.100", "3.1b1.3150")); // "." sorts before "3"
    EXPECT_TRUE(IsNewerVersion("9", "3.1b1.3150"));        // shorter field taken whole
    EXPECT_TRUE(IsNewerVersion("3.2.3160\r", "3.1b1.3150"));
    EXPECT_FALSE(IsNewerVersion("", "3.1b1.3150"));
}

TEST(UpdateText, OnlyPlainWebAddressesAreOpened)
{
    EXPECT_EQ(SafeDownloadUrl("http://www.example.com/zun/setup.exe"), "http://www.example.com/zun/setup.exe");
    EXPECT_EQ(SafeDownloadUrl(" https://example.com/a?b=1&c=2 "), "https://example.com/a?b=1&c=2");
    EXPECT_EQ(SafeDownloadUrl("HTTPS://example.com/"), "HTTPS://example.com/");
    const char* hostile[] = {
        "http://x/a; rm -rf ~",
        "http://x/a`id`",
        "http://x/$(id)",
        "http://x/a b",
        "file:///etc/passwd",
        "javascript:alert(1)",
        "-nohome http://x/",
        "C:\\Windows\\calc.exe",
        "http://",
        "http:///path",
        "http://x/a\tb",
        "http://x/a|b",
        "http://x/\"a\"",
        "ftp://x/a",
        "",
    };
    for (const char* h : hostile)
        EXPECT_FALSE(SafeDownloadUrl(h)) << h;
    EXPECT_FALSE(SafeDownloadUrl(std::string("http://x/a\0b", 12)));
    EXPECT_FALSE(SafeDownloadUrl("http://x/\xC3\xA9"));
}

TEST(UpdateText, NextMonth)
{
    EXPECT_EQ(NextUpdateMonth(3), 4);
    EXPECT_EQ(NextUpdateMonth(11), 12);
    EXPECT_EQ(NextUpdateMonth(12), 1);
}

// ---------------------------------------------------------------- whole checks

namespace {

// Answers every request with one canned HTTP reply (or closes without one).
class TinyServer {
public:
    explicit TinyServer(std::string reply) : reply_(std::move(reply))
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    request_ += s->readAll().toStdString();
                    if (request_.find("\r\n\r\n") == std::string::npos)
                        return;
                    if (!reply_.empty())
                        s->write(reply_.data(), static_cast<qint64>(reply_.size()));
                    s->disconnectFromHost();
                });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }
    const std::string& request() const { return request_; }

    static std::string ok(const std::string& body)
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    QTcpServer server_;
    std::string reply_;
    std::string request_;
};

// Lets the event loop run until `until` holds or ten seconds have passed.
template <class F>
void spin(F until)
{
    for (int i = 0; i < 5000 && !until(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        usleep(2000);
    }
}

int nextMonth()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_mon + 1 == 12 ? 1 : local.tm_mon + 2;
}

class UpdateCheckTest : public ::testing::Test {
protected:
    testsupport::ProgramDir dir;
    ScopedScriptedPrompter prompter;
    std::vector<std::string> opened;

    void SetUp() override
    {
        Langue = "En";
        SetUpdateTimeout(3000);
        shell::setUrlOpener([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        IniAccess("WRITE", "Setting", "NextUpd", "0");
    }
    void TearDown() override
    {
        shell::setUrlOpener(nullptr);
        SetUpdateSiteOverride("");
        SetUpdateTimeout(8000);
    }

    // Runs a check against the server and waits until it has ended.
    void check(TinyServer& server, const std::string& mode)
    {
        SetUpdateSiteOverride(server.url());
        bool done = false;
        CheckUpdate(mode, [&] { done = true; });
        spin([&] { return done; });
        ASSERT_TRUE(done);
        EXPECT_FALSE(UpdateCheckRunning());
        EXPECT_EQ(IniAccess("GET", "Setting", "NextUpd"), std::to_string(nextMonth()));
    }

    std::vector<std::string> texts()
    {
        std::vector<std::string> t;
        for (const auto& q : prompter->questions())
            t.push_back(q.text);
        return t;
    }
};

} // namespace

TEST_F(UpdateCheckTest, NewerVersionOffersTheDownload)
{
    TinyServer server(TinyServer::ok("3.2b1.3160\n2003-01-10\nhttp://fr.example/dl\nhttp://en.example/dl"));
    prompter->answerMsgBox(vbYes);
    check(server, "Manuel");
    EXPECT_NE(server.request().find("GET /logiciel/update.txt"), std::string::npos);
    ASSERT_EQ(prompter->questions().size(), 1u);
    const auto& q = prompter->questions()[0];
    EXPECT_EQ(q.title, "Program Update");
    EXPECT_EQ(q.style, vbYesNo + vbInformation);
    EXPECT_EQ(q.text, "There is a newer version of this program available. Would you like to download it?\n"
                      "Your version:       3.1b1.3150   (2002-08-15)\n"
                      "Version available: 3.2b1.3160   (2003-01-10)");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "http://en.example/dl");
}

TEST_F(UpdateCheckTest, FrenchUsesTheFrenchAddressAndDeclineOpensNothing)
{
    TinyServer server(TinyServer::ok("3.2.3160\r\nd\r\nhttp://fr.example/dl\r\nhttp://en.example/dl\r\n"));
    Langue = "Fr";
    prompter->answerMsgBox(vbNo);
    check(server, "Auto");
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions()[0].text.rfind("Une nouvelle version est disponnible.", 0), 0u);
    EXPECT_TRUE(opened.empty());

    prompter->answerMsgBox(vbYes);
    check(server, "Manuel");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "http://fr.example/dl");
}

TEST_F(UpdateCheckTest, SameVersionSaysSoOnlyWhenAsked)
{
    TinyServer server(TinyServer::ok("3.1b1.3150\nd\nhttp://a/\nhttp://b/\n"));
    check(server, "Auto");
    EXPECT_TRUE(prompter->questions().empty());
    prompter->answerMsgBox(vbOK);
    check(server, "Manuel");
    EXPECT_EQ(texts(), std::vector<std::string>{"There's no new version available."});
}

TEST_F(UpdateCheckTest, OlderVersionIsNotOffered)
{
    TinyServer server(TinyServer::ok("3.0.3100\nd\nhttp://a/\nhttp://b/"));
    prompter->answerMsgBox(vbOK);
    check(server, "Manuel");
    EXPECT_EQ(texts(), std::vector<std::string>{"There's no new version available."});
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpdateCheckTest, NoAnswerIsReportedByMode)
{
    TinyServer silent("");
    prompter->answerMsgBox(vbOK);
    check(silent, "Manuel");
    prompter->answerMsgBox(vbOK);
    check(silent, "Auto");
    EXPECT_EQ(texts(), (std::vector<std::string>{"Can't contact server, please try again later.",
                                                 "Zun Mp3 tried to validate for an update\nbut can't contact server."}));
    ASSERT_EQ(prompter->questions().size(), 2u);
    EXPECT_EQ(prompter->questions()[1].style, vbOKOnly + vbInformation);
}

TEST_F(UpdateCheckTest, ShortOrErrorAnswersCountAsNoAnswer)
{
    TinyServer shortReply(TinyServer::ok("3.9.9999\nonly two"));
    prompter->answerMsgBox(vbOK);
    check(shortReply, "Manuel");
    TinyServer notFound("HTTP/1.1 404 Not Found\r\nContent-Length: 19\r\nConnection: close\r\n\r\n9999\nnot\nfound\nhere");
    prompter->answerMsgBox(vbOK);
    check(notFound, "Manuel");
    EXPECT_EQ(texts(), (std::vector<std::string>{"Can't contact server, please try again later.",
                                                 "Can't contact server, please try again later."}));
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpdateCheckTest, HostileDownloadAddressIsNeverOpened)
{
    TinyServer server(TinyServer::ok("3.9.9999\nd\nhttp://x/a; rm -rf ~\n-nohome `touch /tmp/p`"));
    prompter->answerMsgBox(vbYes);
    prompter->answerMsgBox(vbOK);
    check(server, "Manuel");
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(prompter->questions().size(), 2u);
    EXPECT_EQ(prompter->questions()[1].text, "The download address sent by the server is not a valid web address.");
}

TEST_F(UpdateCheckTest, NoBrowserIsSaidAsSuchWithTheAddress)
{
    TinyServer server(TinyServer::ok("3.2b1.3160\n2003-01-10\nhttp://fr.example/dl\nhttp://en.example/dl"));
    shell::setUrlOpener([](const std::string&) { return false; });
    prompter->answerMsgBox(vbYes);
    prompter->answerMsgBox(vbOK);
    check(server, "Manuel");
    ASSERT_EQ(prompter->questions().size(), 2u);
    EXPECT_EQ(prompter->questions()[1].text, "No web browser could be started to open:\nhttp://en.example/dl");
}

TEST_F(UpdateCheckTest, UnreachableServerEndsTheCheck)
{
    SetUpdateSiteOverride("http://127.0.0.1:9");
    bool done = false;
    prompter->answerMsgBox(vbOK);
    CheckUpdate("Manuel", [&] { done = true; });
    // A second check by button while the first waits says the answer is coming.
    bool second = false;
    prompter->answerMsgBox(vbOK);
    CheckUpdate("Manuel", [&] { second = true; });
    EXPECT_TRUE(second);
    spin([&] { return done; });
    EXPECT_TRUE(done);
    EXPECT_EQ(texts(), (std::vector<std::string>{"A check for updates is already under way.\nIts answer will follow.",
                                                 "Can't contact server, please try again later."}));
}

TEST_F(UpdateCheckTest, CheckByButtonDuringTheMonthlyCheckGetsItsAnswer)
{
    TinyServer server(TinyServer::ok("3.1b1.3150\nd\nhttp://a/\nhttp://b/\n"));
    SetUpdateSiteOverride(server.url());
    bool monthly = false, asked = false;
    CheckUpdate("Auto", [&] { monthly = true; });
    ASSERT_TRUE(UpdateCheckRunning());
    prompter->answerMsgBox(vbOK);
    CheckUpdate("Manuel", [&] { asked = true; });
    EXPECT_FALSE(asked);   // runs: its answer comes when the server has answered
    spin([&] { return monthly && asked; });
    EXPECT_TRUE(monthly);
    EXPECT_TRUE(asked);
    EXPECT_EQ(texts(), std::vector<std::string>{"There's no new version available."});
    EXPECT_EQ(IniAccess("GET", "Setting", "NextUpd"), std::to_string(nextMonth()));
}

TEST_F(UpdateCheckTest, NoConfiguredSiteSaysSoWhenAsked)
{
    SetUpdateSiteOverride("");
    if (!MakerWebSite().empty())
        GTEST_SKIP() << "this build has a web site configured";
    bool done = false;
    CheckUpdate("Auto", [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_TRUE(prompter->questions().empty());
    prompter->answerMsgBox(vbOK);
    done = false;
    CheckUpdate("Manuel", [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(texts(), std::vector<std::string>{"No web address has been configured for this program."});
    EXPECT_EQ(IniAccess("GET", "Setting", "NextUpd"), std::to_string(nextMonth()));
}

TEST_F(UpdateCheckTest, AboutBoxButtonComesBackAfterTheCheck)
{
    TinyServer server(TinyServer::ok("3.1b1.3150\nd\nhttp://a/\nhttp://b/"));
    SetUpdateSiteOverride(server.url());
    prompter->answerMsgBox(vbOK);
    ZunInfo& info = zunInfo();
    EXPECT_EQ(info.Label_Rev.Caption(), "3.1b1.3150");
    EXPECT_EQ(info.Command_WebUpd.Caption(), "Check if newer version is available.");
    info.Command_WebUpd.setValue(true);
    EXPECT_FALSE(info.Command_WebUpd.Enabled());
    spin([] { return !UpdateCheckRunning(); });
    EXPECT_TRUE(info.Command_WebUpd.Enabled());
    // The box holds only buttons: Escape on the focused one closes it.
    info.Show();
    QTest::keyClick(info.Command_WebUpd.widget(), Qt::Key_Escape);
    EXPECT_FALSE(isLoaded<ZunInfo>());
    DoEvents();
}
