#pragma once
// TApplication: the application object of Pagolux. It carries the application title and is
// the default error display: an exception that escapes an event handler is shown as a
// critical message box titled with the application title, and the program goes on.

#include <QApplication>
#include <QString>

#include <functional>
#include <string>

namespace pagolux {

class TApplication : public QApplication {
    Q_OBJECT

  public:
    TApplication(int& argc, char** argv);

    // The application title ("Pagolux 2.0"): caption of the error display and of message
    // boxes without a caption of their own.
    [[nodiscard]] static QString title();
    static void setTitle(const QString& title);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an escaped error: through the main window's interaction interface when a main
    // window exists, else through a plain critical box. Replaceable for tests.
    static void showException(const std::string& text);
    static std::function<void(const std::string&)>& errorDisplay();

    // Settings the web engine needs before the application object exists.
    static void prepareWebEngine();
};

// Runs a handler and shows an error that escapes it with the default error display, so that
// no exception ever travels through Qt's own frames. Returns false when the handler failed.
bool runGuarded(const std::function<void()>& handler);

} // namespace pagolux
