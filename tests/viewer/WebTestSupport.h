#pragma once
// Helpers for tests that drive a web view: waiting for a condition while the event loop runs,
// and running a script that reports its (possibly asynchronous) result in window.__probe.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QThread>
#include <QVariant>
#include <QWebEnginePage>

#include <functional>

namespace pagolux::test {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

inline QVariant evaluate(QWebEnginePage& page, const QString& expression)
{
    bool done = false;
    QVariant result;
    page.runJavaScript(expression, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    waitUntil([&] { return done; });
    return result;
}

// Runs script, which must eventually set window.__probe to a string; returns that string or
// "<timeout>".
inline QString probe(QWebEnginePage& page, const QString& script)
{
    evaluate(page, "window.__probe = undefined;");
    page.runJavaScript(script);
    QString out = "<timeout>";
    waitUntil([&] {
        const QVariant v = evaluate(page, "typeof window.__probe === 'string' ? window.__probe : null");
        if (v.typeId() != QMetaType::QString)
            return false;
        out = v.toString();
        return true;
    });
    return out;
}

} // namespace pagolux::test
