// Pagolux 2.0: the program entry. Creates the application object with its title, the main
// window, and runs the message loop until the window has closed.
//
// `pagolux FILE.pgx` opens that project once the window is up, through the same OpenFile that
// "Öffnen..." calls after its dialog, so a file that cannot be read shows the same message and
// leaves an untitled project. The desktop entry starts it so for a double-clicked project.
//
// `PAGOLUX_PROBE=1` (for tests): message boxes print "message=CAPTION|TEXT" instead of showing,
// and after the start the window title, the entries and the start index are printed and the
// program ends without entering the message loop.
//
// Developer option: `pagolux --screenshot DIR [FOLDER]` shows the window, adds every item of
// FOLDER to the project when given (the start file is its "index.html" when there is one),
// saves a picture of each page as DIR/page-N.png and ends. Used to look at the layout under
// Xvfb.

#include "app/MainUnit.h"
#include "app/TApplication.h"
#include "builder/UserInteraction.h"
#include "platform/FileSizeSignal.h"
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

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr char kHelp[] =
    "usage: pagolux [FILE.pgx]\n"
    "       pagolux --screenshot DIR [FOLDER]\n"
    "       pagolux --help\n"
    "\n"
    "Opens the Pagolux window. With FILE.pgx that project is opened at start, as\n"
    "\"Öffnen...\" opens it.\n"
    "\n"
    "  --screenshot DIR [FOLDER]  show the window, add every item of FOLDER to the project,\n"
    "                             save a picture of each page as DIR/page-N.png and end\n"
    "  -h, --help                 show this help and end\n";

// Message boxes of the probe: printed, answered with the first button.
class ProbeInteraction : public pagolux::UserInteraction {
  public:
    pagolux::MsgResult showMessage(const std::string& text, const std::string& caption, pagolux::MsgIcon,
                                   pagolux::MsgButtons buttons) override
    {
        std::printf("message=%s|%s\n", caption.c_str(), text.c_str());
        return buttons == pagolux::MsgButtons::Ok || buttons == pagolux::MsgButtons::OkCancel
                   ? pagolux::MsgResult::Ok
                   : pagolux::MsgResult::Yes;
    }
    void showError(const std::string& text) override
    {
        std::printf("message=Pagolux 2.0|%s\n", text.c_str());
    }
    std::optional<std::string> chooseOpenFile(const pagolux::FileDialogRequest&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseSaveFile(const pagolux::FileDialogRequest&) override
    {
        return std::nullopt;
    }
    void openUrl(const std::string&) override {}
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }
};

void printProbe(const pagolux::TMainForm& form)
{
    std::printf("windowTitle=%s\n", form.windowTitle().toUtf8().constData());
    for (int i = 0; i < form.SortBox->count(); ++i)
        std::printf("entry=%s\n", form.SortBox->item(i)->text().toUtf8().constData());
    std::printf("start=%d\n", form.SortBox->currentRow());
    std::fflush(stdout);
}

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
    pagolux::IgnoreFileSizeSignal();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    pagolux::TApplication::prepareWebEngine();
    pagolux::TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("pagolux"));
    // The desktop matches the window to pagolux.desktop (its name and icon in the task bar).
    app.setDesktopFileName(QStringLiteral("pagolux"));
    pagolux::TApplication::setTitle(QStringLiteral("Pagolux 2.0"));
    // Qt's own texts, dates and numbers (file dialog, context menus of edits) in German like
    // the rest of the window.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    // The application object has taken its own options (-platform and the like) out of argv.
    const bool screenshot = (argc == 3 || argc == 4) && std::strcmp(argv[1], "--screenshot") == 0;
    std::string projectFile;
    if (argc == 2 && argv[1][0] != '-')
        projectFile = argv[1];
    else if (argc == 3 && std::strcmp(argv[1], "--") == 0)
        projectFile = argv[2];
    else if (argc != 1 && !screenshot) {
        std::fprintf(stderr, "pagolux: unknown arguments\n%s", kHelp);
        return 2;
    }

    const char* probeVariable = std::getenv("PAGOLUX_PROBE");
    const bool probe = probeVariable != nullptr && std::strcmp(probeVariable, "1") == 0;
    pagolux::TMainForm form(nullptr, probe ? std::make_unique<ProbeInteraction>() : nullptr);
    form.show();

    if (screenshot) {
        takeScreenshots(form, QString::fromLocal8Bit(argv[2]),
                        argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString());
        return 0;
    }
    if (!projectFile.empty()) {
        // An absolute name: the project's short entries are joined to its folder, and
        // "Speichern" writes back to the same file whatever the working folder is later.
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(projectFile, ec);
        pagolux::runGuarded([&] { form.OpenFile(ec ? projectFile : absolute.lexically_normal().string()); });
    }
    if (probe) {
        printProbe(form);
        return 0;
    }
    return app.exec();
}
