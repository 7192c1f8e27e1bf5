// The main() of the widget tests. Widgets are drawn on Qt's offscreen platform unless the run
// names a platform of its own (the web-engine tests ask for xcb and run under Xvfb). The
// window tests (PAGOLUX_TEST_MAIN_APP) run inside the program's application object, its error
// display included; the others inside a plain QApplication. Every test starts from the Fusion
// style; tests that need another one switch for themselves.

#ifdef PAGOLUX_TEST_MAIN_APP
#include "app/TApplication.h"
#endif

#include <QApplication>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Caches that Qt and the web engine write while a test has moved HOME go to a folder of
    // their own that outlives every test and is removed at the end.
    QTemporaryDir cache;
    if (cache.isValid())
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    int result = 0;
    {
#ifdef PAGOLUX_TEST_MAIN_APP
        pagolux::TApplication::prepareWebEngine();
        pagolux::TApplication app(argc, argv);
#else
        QApplication app(argc, argv);
#endif
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        result = RUN_ALL_TESTS();
    }
    return result;
}
