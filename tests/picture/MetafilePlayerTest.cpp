// Metafiles drawn by the test's own writer, each compared pixel by pixel with the bitmap of the
// same drawing, in both formats.
#include "picture/MetafilePlayer.h"
#include "icon/IconError.h"
#include "icon/RenderIcon.h"
#include "picture/PictureReader.h"
#include "picture/RenderIconFromFile.h"
#include "tests/picture/MetafileDrawings.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <sstream>

namespace pagolux {
namespace {

using namespace testfiles;
using Format = MetafileWriter::Format;

const char* nameOf(Format f)
{
    return f == Format::Wmf ? "WMF" : "EMF";
}

// Number of differing pixels; `first` describes the first of them.
int differences(const QImage& got, const QImage& want, std::string& first)
{
    int count = 0;
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            const QRgb g = got.pixel(x, y);
            const QRgb w = want.pixel(x, y);
            if (g != w) {
                if (count == 0) {
                    std::ostringstream text;
                    text << "(" << x << ", " << y << ") is " << std::hex << g << " instead of " << w;
                    first = text.str();
                }
                ++count;
            }
        }
    }
    return count;
}

class MetafilePlayerTest : public ::testing::Test {
  protected:
    test::TempFolder dir;
    std::string file(const std::string& name) const { return dir / name; }
    void write(const std::string& path, const QByteArray& bytes) const
    {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
};

TEST_F(MetafilePlayerTest, DrawingsGiveExactlyThePixelsOfTheirBitmap)
{
    for (const DrawingCase& c : drawingCases()) {
        for (const Format format : {Format::Wmf, Format::Emf}) {
            if ((c.only == Only::Emf && format == Format::Wmf) ||
                (c.only == Only::Wmf && format == Format::Emf)) {
                continue;
            }
            SCOPED_TRACE(std::string(nameOf(format)) + ": " + c.name);
            MetafileWriter writer(format, c.width, c.height);
            c.draw(writer);
            Expected expected(c.width, c.height);
            c.expect(expected);
            const std::string path = file(format == Format::Wmf ? "d.wmf" : "d.emf");
            write(path, writer.bytes());

            const QImage image = PictureReader::read(path);
            ASSERT_EQ(image.size(), QSize(c.width, c.height));
            ASSERT_EQ(image.format(), QImage::Format_ARGB32);
            std::string first;
            EXPECT_EQ(differences(image, expected.image(), first), 0) << first;

            // And so the icon is the icon of the bitmap.
            const QImage& want = expected.image();
            const PictureView view{want.width(), want.height(),
                                   reinterpret_cast<const std::uint32_t*>(want.constBits()),
                                   static_cast<std::size_t>(want.bytesPerLine() / 4)};
            const IconBitmap icon = renderIconFromFile(path);
            const IconBitmap wantIcon = renderIconPixels(view);
            int iconDifferences = 0;
            for (int y = 0; y < IconBitmap::Height; ++y) {
                for (int x = 0; x < IconBitmap::Width; ++x) {
                    iconDifferences += icon.pixel(x, y) != wantIcon.pixel(x, y) ? 1 : 0;
                }
            }
            EXPECT_EQ(iconDifferences, 0) << "of 1024 icon pixels";
        }
    }
}

TEST_F(MetafilePlayerTest, EllipsesFillTheirBoxSymmetrically)
{
    for (const Format format : {Format::Wmf, Format::Emf}) {
        for (const bool withPen : {false, true}) {
            SCOPED_TRACE(std::string(nameOf(format)) + (withPen ? " with a pen" : " without a pen"));
            MetafileWriter m(format, 40, 30);
            if (withPen) {
                m.pen(Black);
            } else {
                m.nullPen();
            }
            m.brush(Yellow);
            // With a pen the box is [4, 24) x [4, 20); without one, a pixel less each way.
            m.ellipse(4, 4, withPen ? 24 : 25, withPen ? 20 : 21);
            const MetafilePlayback played = format == Format::Wmf ? MetafilePlayer::playWmf(m.bytes(), "e")
                                                                  : MetafilePlayer::playEmf(m.bytes(), "e");
            ASSERT_FALSE(played.image.isNull()) << played.unsupported;
            const QImage& image = played.image;
            QRect drawn;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qAlpha(p) == 0) {
                        continue;
                    }
                    drawn |= QRect(x, y, 1, 1);
                    EXPECT_EQ(qAlpha(p), 255) << "no blending at " << x << ", " << y;
                    EXPECT_TRUE(p == Yellow.rgba() || (withPen && p == Black.rgba())) << x << ", " << y;
                    EXPECT_NE(qAlpha(image.pixel(27 - x, y)), 0) << "mirror of " << x << ", " << y;
                    EXPECT_NE(qAlpha(image.pixel(x, 23 - y)), 0) << "mirror of " << x << ", " << y;
                }
            }
            EXPECT_EQ(drawn, QRect(QPoint(4, 4), QPoint(23, 19)));
            EXPECT_EQ(image.pixel(14, 12), Yellow.rgba());
            EXPECT_EQ(qAlpha(image.pixel(4, 4)), 0);
            EXPECT_EQ(qAlpha(image.pixel(23, 19)), 0);
            if (withPen) {
                EXPECT_EQ(image.pixel(4, 12), Black.rgba());
                EXPECT_EQ(image.pixel(14, 4), Black.rgba());
            }
        }
    }
}

TEST_F(MetafilePlayerTest, RecordsItDoesNotDrawGoToTheConverters)
{
    struct Case {
        Format format;
        std::function<void(MetafileWriter&)> draw;
        const char* unsupported;
    };
    const std::vector<Case> cases = {
        {Format::Wmf,
         [](MetafileWriter& m) {
             m.record(0x061C, {20, 20, 30, 30, 2, 2});
         },
         "WMF 0x061C"}, // RoundRect
        {Format::Wmf,
         [](MetafileWriter& m) {
             m.record(0x0521, {1, 'A', 5, 5});
         },
         "WMF 0x0521"}, // TextOut
        {Format::Wmf,
         [](MetafileWriter& m) {
             m.record(0x02FA, {1, 1, 0, 0, 0}); // a dashed pen
             m.record(0x012D, {2});
             m.rectangle(1, 1, 5, 5);
         },
         "Stiftart 0x0001"},
        {Format::Wmf, [](MetafileWriter& m) { m.record(0x0104, {6}); }, "ROP2 0x0006"}, // SetROP2(R2_XORPEN)
        {Format::Emf,
         [](MetafileWriter& m) {
             m.record(45, {2, 2, 30, 30, 2, 2, 30, 2}); // Arc
         },
         "EMF 0x002D"},
        {Format::Emf,
         [](MetafileWriter& m) {
             m.record(39, {5, 2, 0, 3}); // a hatched brush, used
             m.record(37, {5});
             m.rectangle(1, 1, 5, 5);
         },
         "Pinselart 0x0002"},
        {Format::Emf,
         [](MetafileWriter& m) {
             m.record(35, {0, 0x3F800000, 0xBF800000, 0, 0, 0}); // a rotation
         },
         "gedrehte Welttransformation"},
        {Format::Emf, [](MetafileWriter& m) { m.patBlt(0, 0, 5, 5, 0x00550009); }, "Rasteroperation 0x0055"},
        {Format::Emf,
         [](MetafileWriter& m) {
             // GdiComment holding an EMF+ header (type 0x4001) whose flags lack "dual".
             m.record(70, {32, 0x2B464D45, 0x4001, 28, 16, 0xDBC01002, 1, 96, 96});
         },
         "EMF+ ohne EMF-Zeichnung"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unsupported);
        MetafileWriter m(c.format, 32, 32);
        m.nullPen();
        m.brush(Blue);
        m.rectangle(0, 0, 33, 33);
        c.draw(m);
        const MetafilePlayback played = c.format == Format::Wmf ? MetafilePlayer::playWmf(m.bytes(), "x")
                                                                : MetafilePlayer::playEmf(m.bytes(), "x");
        EXPECT_TRUE(played.image.isNull());
        EXPECT_EQ(played.unsupported, c.unsupported);
    }

    // Such a file is still read, by the converter: the blue background shows.
    for (const Format format : {Format::Wmf, Format::Emf}) {
        SCOPED_TRACE(nameOf(format));
        MetafileWriter m(format, 32, 32);
        m.nullPen();
        m.brush(Blue);
        m.rectangle(0, 0, 33, 33);
        cases[format == Format::Wmf ? 0 : 4].draw(m);
        const std::string path = file(format == Format::Wmf ? "f.wmf" : "f.emf");
        write(path, m.bytes());
        const IconBitmap icon = renderIconFromFile(path);
        EXPECT_EQ(icon.pixel(16, 4), 12);
    }
}

// Bytes of a small valid file with one field changed.
QByteArray patched(QByteArray bytes, int at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

TEST_F(MetafilePlayerTest, DamagedAndHostileFilesAreRefusedNamingTheFile)
{
    // A WMF: 22 placeable + 18 header bytes, then SetWindowOrg (10) and SetWindowExt (10) from
    // the writer, then the records drawn here.
    MetafileWriter wmf(Format::Wmf, 32, 32);
    wmf.polygon({{0, 0}, {10, 0}, {10, 10}});
    const QByteArray w = wmf.bytes();
    constexpr int WmfPolygon = 22 + 18 + 20;
    MetafileWriter wmfDib(Format::Wmf, 32, 32);
    wmfDib.stretchDib(0, 0, 4, 3, bitmapOf(4, 3, {Red}), 0, 0, 4, 3);
    const QByteArray wd = wmfDib.bytes();
    constexpr int WmfDibHeader = 22 + 18 + 20 + 6 + 22; // the DIB after the StretchDIB fields

    // An EMF: 88 header bytes, then the records drawn here.
    MetafileWriter emf(Format::Emf, 32, 32);
    emf.polygon({{0, 0}, {10, 0}, {10, 10}});
    const QByteArray e = emf.bytes();
    MetafileWriter emfDib(Format::Emf, 32, 32);
    emfDib.stretchDib(0, 0, 4, 3, bitmapOf(4, 3, {Red}), 0, 0, 4, 3);
    const QByteArray ed = emfDib.bytes();

    // 5,000 rectangles over the whole of a 64 x 64 picture: far more work than its size.
    MetafileWriter busy(Format::Emf, 64, 64);
    busy.nullPen();
    busy.brush(Blue);
    for (int i = 0; i < 5000; ++i) {
        busy.rectangle(0, 0, 65, 65);
    }

    const std::vector<std::pair<const char*, QByteArray>> files = {
        {"record-past-end.wmf", patched(w, WmfPolygon, 0x7FFF, 4)},
        {"record-too-short.wmf", patched(w, WmfPolygon, 2, 4)},
        {"points-past-record.wmf", patched(w, WmfPolygon + 6, 1000, 2)},
        {"no-units.wmf", patched(w, 14, 0, 2)},
        {"too-large.wmf", patched(patched(w, 10, 30000, 2), 12, 30000, 2)},
        {"bad-header.wmf", patched(w, 22 + 2, 7, 2)},
        {"dib-too-large.wmf", patched(patched(wd, WmfDibHeader + 4, 30000, 4), WmfDibHeader + 8, 30000, 4)},
        {"dib-colours.wmf", patched(patched(wd, WmfDibHeader + 14, 8, 2), WmfDibHeader + 32, 100000, 4)},
        {"dib-short.wmf", patched(wd, WmfDibHeader + 8, 300, 4)},
        {"header-past-end.emf", patched(e, 4, 4000, 4)},
        {"record-size-zero.emf", patched(e, 88 + 4, 0, 4)},
        {"record-size-odd.emf", patched(e, 88 + 4, 30, 4)},
        {"points-past-record.emf", patched(e, 88 + 24, 0x40000000, 4)},
        {"too-large.emf", patched(patched(e, 32, 2000000000, 4), 36, 2000000000, 4)},
        {"not-emf.emf", patched(e, 40, 0x12345678, 4)},
        {"dib-outside-record.emf", patched(ed, 88 + 48, 4000, 4)},
        {"dib-too-large.emf", patched(patched(ed, 88 + 80 + 4, 30000, 4), 88 + 80 + 8, 30000, 4)},
        {"busy.emf", busy.bytes()},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = file(name);
        write(path, bytes);
        try {
            (void)PictureReader::read(path);
            ADD_FAILURE() << "was read";
        } catch (const EPictureError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
    // The unchanged files are fine.
    for (const QByteArray* bytes : {&w, &wd}) {
        EXPECT_FALSE(MetafilePlayer::playWmf(*bytes, "ok").image.isNull());
    }
    for (const QByteArray* bytes : {&e, &ed}) {
        EXPECT_FALSE(MetafilePlayer::playEmf(*bytes, "ok").image.isNull());
    }
}

} // namespace
} // namespace pagolux
