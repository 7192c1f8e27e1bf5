// Pagolux 2.0: the program entry. Creates the application object with its title, the main
// window, and runs the message loop until the window has closed.
//
// Developer option: `pagolux --screenshot DIR` shows the window, saves a picture of each page
// as DIR/page-N.png and ends (used to look at the layout under Xvfb).

#include "app/MainUnit.h"
#include "app/TApplication.h"

#include <QDir>
#include <QTabWidget>
#include <QTimer>

#include <cstring>

namespace {

void takeScreenshots(pagolux::TMainForm& form, const QString& folder)
{
    QDir().mkpath(folder);
    for (int page = 0; page < form.PageControl2->count(); ++page) {
        form.PageControl2->setCurrentIndex(page);
        // Let the page lay itself out and the file list and browser fill.
        QEventLoop wait;
        QTimer::singleShot(page == 2 ? 2500 : 800, &wait, &QEventLoop::quit);
        wait.exec();
        form.grab().save(QDir(folder).filePath(QStringLiteral("page-%1.png").arg(page + 1)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    pagolux::TApplication::prepareWebEngine();
    pagolux::TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("pagolux"));
    pagolux::TApplication::setTitle(QStringLiteral("Pagolux 2.0"));

    pagolux::TMainForm form;
    form.show();

    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        takeScreenshots(form, QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    return app.exec();
}
