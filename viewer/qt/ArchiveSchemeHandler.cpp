#include "viewer/qt/ArchiveSchemeHandler.h"

#include "archive/TStream.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/core/ViewerPaths.h"
#include "viewer/qt/MemberDevice.h"

#include <QBuffer>
#include <QFile>
#include <QMap>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace pagolux {

void ArchiveSchemeHandler::registerScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl ArchiveSchemeHandler::urlForKey(const std::string& key)
{
    QUrl url;
    url.setScheme(kScheme);
    url.setHost(kHost);
    url.setPath(QFile::decodeName(QByteArray::fromStdString(viewer_paths::urlPathFromKey(key))),
                QUrl::DecodedMode);
    return url;
}

QByteArray ArchiveSchemeHandler::notFoundPage(const QString& path)
{
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>404 - Seite nicht gefunden</title>"
               "</head><body><h1>404 - Seite nicht gefunden</h1><p>Diese Seite ist nicht in "
               "diesem Programm enthalten:</p><p><code>%1</code></p></body></html>")
        .arg(path.toHtmlEscaped())
        .toUtf8();
}

ArchiveSchemeHandler::ArchiveSchemeHandler(MemberSource& source, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), source_(source)
{
}

void ArchiveSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QByteArray method = job->requestMethod();
    if (method != "GET" && method != "HEAD") {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QUrl url = job->requestUrl();
    std::optional<std::vector<std::uint8_t>> bytes;
    std::string key;
    if (url.host() == QLatin1String(kHost)) {
        const QByteArray path = QFile::encodeName(url.path(QUrl::FullyDecoded));
        if (auto k = viewer_paths::keyFromUrlPath(path.toStdString())) {
            key = *k;
            // A large member is read from the program's file as the engine consumes it.
            if (source_.size(key).value_or(0) >= kStreamedMemberSize) {
                if (auto stream = source_.stream(key)) {
                    job->reply(QByteArray::fromStdString(viewer_paths::mimeTypeFor(key)),
                               new MemberDevice(std::move(stream), job));
                    return;
                }
            }
            bytes = source_.read(key);
        }
    }
    if (!bytes) {
        // A page load gets a readable 404 page; a script's or an image's request fails.
        const QByteArray accept = job->requestHeaders().value("Accept");
        if (accept.contains("text/html")) {
            auto* buffer = new QBuffer(job);
            buffer->setData(notFoundPage(url.path(QUrl::FullyDecoded)));
            job->reply("text/html", buffer);
        } else {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        }
        return;
    }
    auto* buffer = new QBuffer(job);
    buffer->setData(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
    job->reply(QByteArray::fromStdString(viewer_paths::mimeTypeFor(key)), buffer);
}

} // namespace pagolux
