#include "viewer/qt/ArchiveSchemeHandler.h"

#include "archive/TStream.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/qt/MemberDevice.h"

#include <QBuffer>
#include <QFile>
#include <QMap>
#include <QPointer>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace pagolux {
namespace {

// A reply body over shared member bytes: the bytes are not copied, and they stay alive as long
// as the engine reads them.
class SharedBytesDevice : public QBuffer {
  public:
    SharedBytesDevice(SharedBytes bytes, QObject* parent) : QBuffer(parent), bytes_(std::move(bytes))
    {
        setData(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes_->data()),
                                        static_cast<qsizetype>(bytes_->size())));
        open(QIODevice::ReadOnly);
    }

  private:
    SharedBytes bytes_;
};

void replyHtml(QWebEngineUrlRequestJob* job, const QByteArray& html)
{
    auto* buffer = new QBuffer(job);
    buffer->setData(html);
    job->reply("text/html;charset=utf-8", buffer);
}

} // namespace

void ArchiveSchemeHandler::registerScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl ArchiveSchemeHandler::urlForPath(const std::string& sitePath)
{
    QUrl url;
    url.setScheme(kScheme);
    url.setHost(kHost);
    url.setPath(QString::fromStdString(viewer::percentEncodePath(sitePath)), QUrl::StrictMode);
    return url;
}

ArchiveSchemeHandler::ArchiveSchemeHandler(MemberSource& source, viewer::SiteAddressSpace site,
                                           QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), source_(source), site_(std::move(site)), reader_(source)
{
}

ArchiveSchemeHandler::~ArchiveSchemeHandler()
{
    readers_.waitForDone();
}

void ArchiveSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QByteArray method = job->requestMethod();
    if (method != "GET" && method != "HEAD") {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QUrl url = job->requestUrl();
    if (url.host() != QLatin1String(kHost)) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const viewer::SiteAnswer answer = site_.resolve(url.path(QUrl::FullyEncoded).toStdString());
    const bool navigation = job->requestHeaders().value("Accept").contains("text/html");

    if (answer.status == 301) {
        QUrl target = url;
        target.setPath(QString::fromStdString(answer.location), QUrl::StrictMode);
        job->redirect(target);
        return;
    }
    if (answer.member.empty()) {
        // A page load gets the readable German page; a script's or an image's request fails.
        if (navigation)
            replyHtml(job, QByteArray::fromStdString(viewer::notFoundPageHtml(answer.sitePath)));
        else
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    if (answer.status == 404 && !navigation) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }

    const QByteArray type = QByteArray::fromStdString(answer.mimeType);
    // A member too large to hold is read from the program's file as the engine consumes it.
    if (source_.size(answer.member).value_or(0) > sharedLimit_) {
        if (auto stream = source_.stream(answer.member))
            job->reply(type, new MemberDevice(std::move(stream), job));
        else
            job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    // Inflating happens on a worker thread; the reply is made on this thread once the bytes
    // are there, unless the engine has given the request up meanwhile.
    QPointer<QWebEngineUrlRequestJob> pending(job);
    readers_.start([this, pending, member = answer.member, type] {
        SharedBytes bytes = reader_.read(member);
        QMetaObject::invokeMethod(
            this,
            [pending, bytes = std::move(bytes), type] {
                if (!pending)
                    return;
                if (!bytes)
                    pending->fail(QWebEngineUrlRequestJob::RequestFailed);
                else
                    pending->reply(type, new SharedBytesDevice(bytes, pending));
            },
            Qt::QueuedConnection);
    });
}

} // namespace pagolux
