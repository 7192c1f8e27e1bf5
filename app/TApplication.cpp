#include "app/TApplication.h"
#include "viewer/qt/WebEngineSandbox.h"

#include "app/MainUnit.h"

#include <QMessageBox>

#include <exception>
#include <new>

namespace pagolux {

namespace {
QString& titleStorage()
{
    static QString title = QStringLiteral("Pagolux 2.0");
    return title;
}
} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString TApplication::title()
{
    return titleStorage();
}

void TApplication::setTitle(const QString& title)
{
    titleStorage() = title;
}

std::function<void(const std::string&)>& TApplication::errorDisplay()
{
    static std::function<void(const std::string&)> display;
    return display;
}

void TApplication::showException(const std::string& text)
{
    if (errorDisplay()) {
        errorDisplay()(text);
        return;
    }
    if (MainForm != nullptr) {
        MainForm->interaction().showError(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title(),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

namespace {
void showCurrentException()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        TApplication::showException("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& error) {
        TApplication::showException(error.what());
    } catch (...) {
        TApplication::showException("Unbekannter Fehler");
    }
}
} // namespace

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException();
    }
    return true;
}

bool runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (...) {
        showCurrentException();
    }
    return false;
}

void TApplication::prepareWebEngine()
{
    allowWebEngineForRoot();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace pagolux
