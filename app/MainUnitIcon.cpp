// The icon of the output executable: loading a picture as the icon, going back to the
// default icon, showing the icon, and setting it up when the window is created.
//
// The icon is kept in "theicon.bmp" in the per-user data folder. A picture that cannot be
// read raises EPictureError before anything changes; the application's default error display
// shows it.

#include "app/MainUnit.h"
#include "controls/TPaintBox.h"
#include "icon/IconBitmap.h"
#include "icon/IconBmpFile.h"
#include "icon/IconError.h"
#include "icon/RenderIcon.h"
#include "icon/StandardIcon.h"
#include "picture/PictureReader.h"
#include "platform/Paths.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace pagolux {

namespace {

std::string iconFileName()
{
    return UserDataFolder(true) + "theicon.bmp";
}

QImage toImage(const DecodedPicture& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            line[x] = picture.pixels[static_cast<std::size_t>(y * picture.width + x)];
        }
    }
    return image;
}

QImage toImage(const IconBitmap& icon)
{
    QImage image(IconBitmap::Width, IconBitmap::Height, QImage::Format_RGB32);
    for (int y = 0; y < IconBitmap::Height; ++y) {
        for (int x = 0; x < IconBitmap::Width; ++x) {
            const PaletteColor& c = IconBitmap::Palette[icon.pixel(x, y)];
            image.setPixel(x, y, qRgb(c.red, c.green, c.blue));
        }
    }
    return image;
}

// Renders a picture into the icon and saves "theicon.bmp". When only the save fails, the
// icon already holds the new picture and the file error propagates.
void renderIcon(IconBitmap& iconBmp, const QImage& picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    RenderIcon(iconBmp, PictureReader::view(argb), iconFileName());
}

} // namespace

void TMainForm::OpenIconBtnClick()
{
    FileDialogRequest request = OpenPictureDialog1;
    request.filter = PictureReader::dialogFilter();
    request.picturePreview = true;
    const std::optional<std::string> chosen = interaction().chooseOpenFile(request);
    if (!chosen) {
        return;
    }
    // Reading throws for anything that cannot become the icon; nothing has changed then.
    const QImage picture = PictureReader::read(*chosen);
    try {
        renderIcon(*IconBmp, picture);
    } catch (...) {
        PaintBox1->update(); // the icon may be new even though the file could not be written
        throw;
    }
    PaintBox1->update();
}

void TMainForm::StdIconBtnClick()
{
    const QPixmap standard = Image3->pixmap();
    try {
        renderIcon(*IconBmp, standard.toImage());
    } catch (...) {
        PaintBox1->update();
        throw;
    }
    PaintBox1->update();
}

void TMainForm::PaintBox1Paint(QPainter& canvas)
{
    if (IconBmp) {
        canvas.drawImage(0, 0, toImage(*IconBmp));
    }
}

void TMainForm::LoadIconAtStart()
{
    Image3->setPixmap(QPixmap::fromImage(toImage(StandardIcon::picture())));
    IconBmp = std::make_unique<IconBitmap>();
    try {
        *IconBmp = IconBmpFile::load(iconFileName());
        return;
    } catch (const std::exception&) {
        // Missing, unreadable, or not a 32 x 32 bitmap with 16 colours: the default icon
        // takes its place without a message.
    }
    try {
        StdIconBtnClick();
    } catch (const Exception& e) {
        // The window opens all the same; the error is shown as any escaped error would be.
        interaction().showError(e.what());
    }
}

} // namespace pagolux
