// Runs the window tests inside the application object of the program (its error display
// included) on Qt's offscreen platform.

#include "app/TApplication.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Caches that Qt and the web engine write while a test has moved HOME go to a folder of
    // their own that outlives every test and is removed at the end.
    QTemporaryDir cache;
    if (cache.isValid())
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    int result = 0;
    {
        pagolux::TApplication::prepareWebEngine();
        pagolux::TApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
