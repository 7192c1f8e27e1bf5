#include "app/TApplication.h"

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
    QMessageBox box(QMessageBox::Critical, title(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        showException("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& error) {
        showException(error.what());
    } catch (...) {
        showException("Unbekannter Fehler");
    }
    return true;
}

void TApplication::prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace pagolux
