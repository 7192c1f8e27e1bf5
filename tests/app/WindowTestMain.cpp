// Runs the window tests inside the application object of the program (its error display
// included) on Qt's offscreen platform.

#include "app/TApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    pagolux::TApplication::prepareWebEngine();
    pagolux::TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
