// bench-minimal-webview PAGE.html [STORAGE-DIR]
//
// The reference for the viewer's start time: the least a Qt WebEngine window needs to show a
// page from memory (a scheme handler over bytes read at start). Prints "loaded=1" when the page
// has loaded and quits. With STORAGE-DIR the profile keeps its storage there, as the viewer's
// does, so that the cost of keeping storage can be told apart from the viewer's own.

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <cstdio>

namespace {

class MemoryHandler : public QWebEngineUrlSchemeHandler {
  public:
    explicit MemoryHandler(QByteArray page) : page_(std::move(page)) {}
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        auto* buffer = new QBuffer(job);
        buffer->setData(page_);
        job->reply("text/html", buffer);
    }

  private:
    QByteArray page_;
};

} // namespace

int main(int argc, char** argv)
{
    QWebEngineUrlScheme scheme("mem");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3)
        return 1;
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    auto* profile =
        argc == 3 ? new QWebEngineProfile(QStringLiteral("minimal"), &app) : new QWebEngineProfile(&app);
    if (argc == 3) {
        profile->setPersistentStoragePath(QString::fromLocal8Bit(argv[2]));
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    }
    auto* handler = new MemoryHandler(file.readAll());
    profile->installUrlSchemeHandler("mem", handler);
    int rc = 0;
    {
        QWebEngineView view;
        view.setPage(new QWebEnginePage(profile, &view));
        QObject::connect(&view, &QWebEngineView::loadFinished, [](bool ok) {
            std::printf("loaded=%d\n", ok ? 1 : 0);
            std::fflush(stdout);
            QApplication::exit(0);
        });
        view.resize(600, 440);
        view.show();
        view.load(QUrl("mem://page/index.html"));
        rc = QApplication::exec();
    }
    delete handler;
    delete profile;
    return rc;
}
