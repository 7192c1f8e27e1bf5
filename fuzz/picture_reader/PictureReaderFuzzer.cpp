// Feeds arbitrary bytes to the picture reader as a file: the first byte picks the extension
// (bmp, ico, jpg, gif, png, svg), the rest is the file. Every input ends in a picture of at most
// PictureReader::WorkSide on its longer side or in EPictureError; nothing else may escape.
// Small files declaring huge pictures are in the corpus, so a reader that decodes them at full
// size shows up as a slow, memory-hungry input.

#include "icon/IconError.h"
#include "picture/PictureReader.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    // SVG text needs the font database, which needs an application object.
    static int argc = 1;
    static char name[] = "picture_reader";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    if (size < 1) {
        return 0;
    }
    static const char* const extensions[] = {"bmp", "ico", "jpg", "gif", "png", "svg"};
    const std::string extension = extensions[data[0] % 6];
    char path[] = "/tmp/pagolux-picture-fuzz-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        std::abort();
    }
    const std::string file = std::string(path) + "." + extension;
    const bool written = ::write(fd, data + 1, size - 1) == static_cast<ssize_t>(size - 1);
    ::close(fd);
    if (!written || std::rename(path, file.c_str()) != 0) {
        std::abort();
    }
    try {
        const QImage picture = PictureReader::read(file);
        if (picture.format() != QImage::Format_ARGB32 || picture.width() > PictureReader::WorkSide ||
            picture.height() > PictureReader::WorkSide) {
            std::abort();
        }
    } catch (const EPictureError&) {
    }
    ::unlink(file.c_str());
    return 0;
}
