#pragma once
// The engine's download object: Qt 5 names it differently, and the Qt 5 front is built from the
// same sources.

#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
class QWebEngineDownloadRequest;
#else
class QWebEngineDownloadItem;
using QWebEngineDownloadRequest = QWebEngineDownloadItem;
#endif
