#include "platform/shell/shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <map>

namespace shell {

namespace {

std::function<bool(const std::string&)>& urlOpener()
{
    static std::function<bool(const std::string&)> opener;
    return opener;
}

bool isWebUrl(const QUrl& u)
{
    const QString scheme = u.scheme().toLower();
    return u.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !u.host().isEmpty();
}

QNetworkAccessManager& network()
{
    // One manager for the run, owned by the application object so it goes
    // before Qt itself does.
    static QPointer<QNetworkAccessManager> nam;
    if (!nam)
        nam = new QNetworkAccessManager(QCoreApplication::instance());
    return *nam;
}

struct Pending {
    QPointer<QNetworkReply> reply;
    HttpDone done;
};

std::map<int, Pending>& pending()
{
    static std::map<int, Pending> p;
    return p;
}

int nextId = 0;

// Runs the request's callback once, after removing it, so a callback that
// starts a new request or cancels another is safe.
void finish(int id, bool ok, const std::string& body)
{
    auto& p = pending();
    auto it = p.find(id);
    if (it == p.end())
        return;
    HttpDone done = std::move(it->second.done);
    if (it->second.reply)
        it->second.reply->deleteLater();
    p.erase(it);
    if (done)
        done(ok, body);
}

} // namespace

bool openUrl(const std::string& url)
{
    const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
    if (!isWebUrl(u))
        return false;
    if (auto& opener = urlOpener())
        return opener(url);
    return QDesktopServices::openUrl(u);
}

void setUrlOpener(std::function<bool(const std::string& url)> opener)
{
    urlOpener() = std::move(opener);
}

int httpGet(const std::string& url, int timeoutMs, HttpDone done, std::size_t maxBytes)
{
    const int id = ++nextId;
    pending()[id] = Pending{nullptr, std::move(done)};
    const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
    if (!isWebUrl(u)) {
        // Refused, but still answered later, as every request is.
        QTimer::singleShot(0, QCoreApplication::instance(), [id] { finish(id, false, {}); });
        return id;
    }
    QNetworkRequest req(u);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setMaximumRedirectsAllowed(5);
    req.setTransferTimeout(timeoutMs > 0 ? timeoutMs : 30000);
    req.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("zunkaraoke/" ZUN_VERSION));
    QNetworkReply* reply = network().get(req);
    pending()[id].reply = reply;

    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64) {
        if (received > static_cast<qint64>(maxBytes))
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [id, reply, maxBytes] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        std::string body;
        if (ok) {
            const QByteArray data = reply->readAll();
            if (static_cast<std::size_t>(data.size()) > maxBytes) {
                finish(id, false, {});
                return;
            }
            body.assign(data.constData(), static_cast<std::size_t>(data.size()));
        }
        finish(id, ok, body);
    });
    return id;
}

void httpCancel(int id)
{
    auto& p = pending();
    auto it = p.find(id);
    if (it == p.end())
        return;
    QPointer<QNetworkReply> reply = it->second.reply;
    p.erase(it);
    if (reply) {
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace shell
