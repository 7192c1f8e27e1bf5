#include "viewer/qt/NetworkGuard.h"

#include "viewer/qt/ArchiveSchemeHandler.h"

namespace pagolux {

bool NetworkGuard::refuses(QWebEngineUrlRequestInfo::ResourceType type, const QUrl& url)
{
    if (url.scheme() == QLatin1String(ArchiveSchemeHandler::kScheme))
        return false;
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypePing:
    case QWebEngineUrlRequestInfo::ResourceTypeCspReport:
    case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
    case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
        return true;
    default:
        return false;
    }
}

void NetworkGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (refuses(info.resourceType(), info.requestUrl()))
        info.block(true);
}

} // namespace pagolux
