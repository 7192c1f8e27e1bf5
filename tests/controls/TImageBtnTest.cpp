#include "controls/ImageBtnUnit.h"

#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace pagolux {
namespace {

using test::sendMouse;
using test::solidImage;

class TImageBtnTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        button.SetPicture(normal);
        button.SetPicture2(pressedLook);
        QObject::connect(&button, &TImageBtn::clicked, [this] {
            events.push_back("click");
            pictureAtClick = button.Picture();
            pressedAtClick = button.Pressed();
        });
        QObject::connect(
            &button, &TImageBtn::mouseDown,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { events.push_back("down"); });
        QObject::connect(&button, &TImageBtn::mouseUp,
                         [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { events.push_back("up"); });
    }

    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        sendMouse(&button, QEvent::MouseButtonPress, p, b, b);
    }
    void moveHeld(QPoint p, Qt::MouseButtons held = Qt::LeftButton)
    {
        sendMouse(&button, QEvent::MouseMove, p, Qt::NoButton, held);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        sendMouse(&button, QEvent::MouseButtonRelease, p, b, Qt::NoButton);
    }
    int clicks() const { return static_cast<int>(std::count(events.begin(), events.end(), "click")); }

    const QImage normal = solidImage({101, 30}, QColor(220, 220, 220));
    const QImage pressedLook = solidImage({101, 30}, QColor(90, 90, 90));
    TImageBtn button;
    std::vector<std::string> events;
    QImage pictureAtClick;
    bool pressedAtClick = false;
};

TEST_F(TImageBtnTest, StartsWithAutoSizeHandCursorAndClearMarks)
{
    TImageBtn fresh;
    EXPECT_TRUE(fresh.AutoSize());
    EXPECT_EQ(fresh.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(fresh.Swapped());
    EXPECT_FALSE(fresh.Pressed());
    EXPECT_TRUE(fresh.Picture2().isNull());
    fresh.SetPicture(solidImage({40, 12}, Qt::red));
    EXPECT_EQ(fresh.size(), QSize(40, 12));
    fresh.SetAutoSize(false);
    fresh.SetPicture(solidImage({70, 20}, Qt::red));
    EXPECT_EQ(fresh.size(), QSize(40, 12));
}

TEST_F(TImageBtnTest, PicturesAreOwnedCopies)
{
    QImage source = solidImage({10, 10}, Qt::blue);
    TImageBtn b;
    b.SetPicture2(source);
    b.SetPicture(source);
    source.fill(Qt::green);
    EXPECT_EQ(test::hex(b.Picture2().pixelColor(0, 0)), test::hex(QColor(Qt::blue)));
    EXPECT_EQ(test::hex(b.Picture().pixelColor(0, 0)), test::hex(QColor(Qt::blue)));
}

TEST_F(TImageBtnTest, ClickRunsWithNormalPictureBeforeMouseUp)
{
    press({10, 10});
    EXPECT_TRUE(button.Swapped());
    EXPECT_EQ(button.Picture(), pressedLook);
    release({10, 10});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "click", "up"}));
    EXPECT_EQ(pictureAtClick, normal);
    EXPECT_TRUE(pressedAtClick);
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(button.Picture(), normal);
}

TEST_F(TImageBtnTest, DragOutAndReleaseOutsideGivesNormalPictureAndNoClick)
{
    press({10, 10});
    moveHeld({101, 10}); // first column outside
    EXPECT_FALSE(button.Swapped());
    EXPECT_EQ(button.Picture(), normal);
    release({150, 10});
    EXPECT_EQ(clicks(), 0);
    EXPECT_EQ(button.Picture(), normal);
    EXPECT_FALSE(button.Pressed());
}

TEST_F(TImageBtnTest, DragOutAndBackInThenReleaseClicksOnce)
{
    press({50, 15});
    moveHeld({50, -1});
    EXPECT_EQ(button.Picture(), normal);
    moveHeld({50, 29}); // last row inside
    EXPECT_EQ(button.Picture(), pressedLook);
    release({50, 29});
    EXPECT_EQ(clicks(), 1);
    EXPECT_EQ(pictureAtClick, normal);
}

TEST_F(TImageBtnTest, EmptyPressedPictureShowsNothingAndKeepsSize)
{
    TImageBtn b;
    b.SetPicture(normal);
    sendMouse(&b, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(b.Picture().isNull());
    EXPECT_EQ(b.size(), QSize(101, 30));
    sendMouse(&b, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(b.Picture(), normal);
}

TEST_F(TImageBtnTest, MovingWithoutPressNeverChangesThePicture)
{
    for (QPoint p : {QPoint(1, 1), QPoint(50, 15), QPoint(200, 200), QPoint(-5, 3)}) {
        moveHeld(p, Qt::NoButton);
        EXPECT_FALSE(button.Swapped());
        EXPECT_EQ(button.Picture(), normal);
    }
}

TEST_F(TImageBtnTest, RepeatedMouseDownKeepsTheNormalPicture)
{
    press({10, 10});
    press({12, 12}, Qt::RightButton);
    press({12, 12});
    release({12, 12}, Qt::RightButton);
    EXPECT_EQ(button.Picture(), normal);
    press({10, 10});
    release({10, 10});
    EXPECT_EQ(button.Picture(), normal);
}

TEST_F(TImageBtnTest, RightButtonShowsPressedLookButDoesNotClick)
{
    press({10, 10}, Qt::RightButton);
    EXPECT_EQ(button.Picture(), pressedLook);
    release({10, 10}, Qt::RightButton);
    EXPECT_EQ(clicks(), 0);
    EXPECT_EQ(button.Picture(), normal);
}

TEST_F(TImageBtnTest, PaintsTheShownPicture)
{
    EXPECT_EQ(test::hex(test::grabImage(&button).pixelColor(50, 15)), test::hex(normal.pixelColor(50, 15)));
    press({10, 10});
    EXPECT_EQ(test::hex(test::grabImage(&button).pixelColor(50, 15)),
              test::hex(pressedLook.pixelColor(50, 15)));
}

TEST(TImageBtnArtwork, PicturesAre101By30AndThePressedLookDiffers)
{
    for (const char* name : {"ueber", "ende", "go"}) {
        const QImage up = ImageBtnPicture(QString::fromLatin1(name));
        const QImage down = ImageBtnPressedPicture(QString::fromLatin1(name));
        SCOPED_TRACE(name);
        ASSERT_EQ(up.size(), QSize(101, 30));
        ASSERT_EQ(down.size(), QSize(101, 30));
        // The bar is light when normal and darker when pressed.
        EXPECT_GT(qGray(up.pixel(8, 15)), qGray(down.pixel(8, 15)) + 60);
    }
}

} // namespace
} // namespace pagolux
