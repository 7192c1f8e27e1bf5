// Pagolux 2.0: the program entry. Creates the application object with its title, the main
// window, and runs the message loop until the window has closed.
//
// Developer option: `pagolux --screenshot DIR [FOLDER]` shows the window, adds every item of
// FOLDER to the project when given (the start file is its "index.html" when there is one),
// saves a picture of each page as DIR/page-N.png and ends. Used to look at the layout under
// Xvfb.

#include "app/MainUnit.h"
#include "app/TApplication.h"
#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QListWidget>
#include <QLocale>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>

#include <cstring>

namespace {

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void addFolderContents(pagolux::TMainForm& form, const QString& folder)
{
    if (!form.ShellTree1->selectFolder(folder))
        return;
    QElapsedTimer clock;
    clock.start();
    while (!form.ShellList1->isLoaded() && clock.elapsed() < 10000)
        wait(50);
    form.ShellList1->selectNames(form.ShellList1->itemNames());
    form.AddBtnClick();
    for (int i = 0; i < form.SortBox->count(); ++i)
        if (form.SortBox->item(i)->text().endsWith(QStringLiteral("/index.html")))
            form.SortBox->setCurrentRow(i);
}

void takeScreenshots(pagolux::TMainForm& form, const QString& folder, const QString& site)
{
    QDir().mkpath(folder);
    wait(500);
    if (!site.isEmpty())
        addFolderContents(form, QDir(site).absolutePath());
    for (int page = 0; page < form.PageControl2->count(); ++page) {
        form.PageControl2->setCurrentIndex(page);
        if (form.PageControl2->currentWidget() == form.TabSheet5 && form.startIndex() >= 0)
            form.LoadBtnClick();
        // Let the page lay itself out and the file list and browser fill.
        wait(form.PageControl2->currentWidget() == form.TabSheet5 ? 3000 : 800);
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
    // Qt's own texts, dates and numbers (file dialog, context menus of edits) in German like
    // the rest of the window.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    pagolux::TMainForm form;
    form.show();

    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--screenshot") == 0) {
        takeScreenshots(form, QString::fromLocal8Bit(argv[2]),
                        argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString());
        return 0;
    }
    return app.exec();
}
