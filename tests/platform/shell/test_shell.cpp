#include "platform/shell/shell.h"

#include <gtest/gtest.h>

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <optional>

namespace {

// A one-shot HTTP server on localhost: answers every request with `response`
// (or never, when it is empty).
class TinyServer {
public:
    explicit TinyServer(QByteArray response) : response_(std::move(response))
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    request_ += s->readAll();
                    if (!request_.contains("\r\n\r\n") || response_.isEmpty())
                        return;
                    s->write(response_);
                    s->disconnectFromHost();
                });
            }
        });
    }
    std::string url(const char* path = "/version.txt") const
    {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
    }
    QByteArray request_;

private:
    QByteArray response_;
    QTcpServer server_;
};

struct Result {
    std::optional<bool> ok;
    std::string body;
    int calls = 0;
};

shell::HttpDone recordInto(Result& r)
{
    return [&r](bool ok, const std::string& body) {
        r.ok = ok;
        r.body = body;
        ++r.calls;
    };
}

} // namespace

TEST(HttpGet, DeliversTheBodyOfASuccessfulAnswerLater)
{
    TinyServer server("HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\nVer=1.2.3");
    Result r;
    shell::httpGet(server.url(), 5000, recordInto(r));
    EXPECT_EQ(r.calls, 0); // never inside the call: the windows keep running
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.calls > 0; }, 10000));
    EXPECT_TRUE(*r.ok);
    EXPECT_EQ(r.body, "Ver=1.2.3");
    EXPECT_TRUE(server.request_.startsWith("GET /version.txt HTTP/1.1"));
}

TEST(HttpGet, FailuresAreReportedNotThrown)
{
    {
        TinyServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\nConnection: close\r\n\r\nnope");
        Result r;
        shell::httpGet(server.url(), 5000, recordInto(r));
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.calls > 0; }, 10000));
        EXPECT_FALSE(*r.ok);
        EXPECT_EQ(r.body, "");
    }
    {
        // The server never answers: the time limit ends the request.
        TinyServer silent("");
        Result r;
        shell::httpGet(silent.url(), 200, recordInto(r));
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.calls > 0; }, 10000));
        EXPECT_FALSE(*r.ok);
    }
    {
        // An answer larger than allowed.
        TinyServer big("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n" + QByteArray(5000, 'x'));
        Result r;
        shell::httpGet(big.url(), 5000, recordInto(r), 1000);
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.calls > 0; }, 10000));
        EXPECT_FALSE(*r.ok);
    }
    for (const char* bad : {"file:///etc/passwd", "ftp://example.org/x", "not a url", ""}) {
        Result r;
        shell::httpGet(bad, 1000, recordInto(r));
        EXPECT_EQ(r.calls, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.calls > 0; }, 10000)) << bad;
        EXPECT_FALSE(*r.ok) << bad;
    }
}

TEST(HttpGet, CancelledRequestNeverCallsBack)
{
    TinyServer silent("");
    Result r;
    const int id = shell::httpGet(silent.url(), 5000, recordInto(r));
    shell::httpCancel(id);
    shell::httpCancel(id);   // twice is harmless
    shell::httpCancel(-42);  // unknown
    QTest::qWait(100);
    EXPECT_EQ(r.calls, 0);
}

TEST(OpenUrl, OnlyWebAddressesAreOpened)
{
    std::vector<std::string> opened;
    shell::setUrlOpener([&](const std::string& u) {
        opened.push_back(u);
        return true;
    });
    EXPECT_TRUE(shell::openUrl("https://example.org/zun?lang=fr"));
    EXPECT_TRUE(shell::openUrl("HTTP://example.org/"));
    EXPECT_FALSE(shell::openUrl("file:///etc/passwd"));
    EXPECT_FALSE(shell::openUrl("javascript:alert(1)"));
    EXPECT_FALSE(shell::openUrl("/usr/bin/xterm"));
    EXPECT_FALSE(shell::openUrl("http://"));
    EXPECT_FALSE(shell::openUrl(""));
    shell::setUrlOpener(nullptr);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/zun?lang=fr", "HTTP://example.org/"}));
}
