#include "controls/ButtonsXP.h"

#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

// Runs each test against a library loader of its own, with no user counted at the start,
// and leaves the Qt loader in place again afterwards.
class ThemeLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { drain(); }
    void TearDown() override
    {
        drain();
        SetThemeLibraryLoader({});
        (void)AcquireThemeLibrary(); // the buttons' own users, as at program start
    }
    static void drain()
    {
        while (ThemeLibraryUsers() > 0)
            ReleaseThemeLibrary();
    }

    ThemeEntryPoints fake(int appThemed, int themeActive)
    {
        ThemeEntryPoints e;
        e.OpenThemeData = [](QWidget*, const std::string&) -> HTHEME { return reinterpret_cast<HTHEME>(1); };
        e.CloseThemeData = [](HTHEME) -> long { return 0; };
        e.DrawThemeBackground = [](HTHEME, QPainter&, int, int, const QRect&, const QWidget*) -> long {
            return 0;
        };
        e.IsAppThemed = [this, appThemed] {
            ++appThemedCalls;
            return appThemed;
        };
        e.IsThemeActive = [this, themeActive] {
            ++themeActiveCalls;
            return themeActive;
        };
        return e;
    }

    int loads = 0;
    int appThemedCalls = 0;
    int themeActiveCalls = 0;
};

TEST_F(ThemeLibraryTest, MissingLibraryGivesClassicButtons)
{
    SetThemeLibraryLoader([this]() -> std::optional<ThemeEntryPoints> {
        ++loads;
        return std::nullopt;
    });
    EXPECT_FALSE(AcquireThemeLibrary());
    EXPECT_FALSE(ThemesInUse());
    TBitBtnXP b(QStringLiteral("x"));
    EXPECT_EQ(b.ThemeHandle(), nullptr);
    b.resize(60, 30);
    EXPECT_EQ(test::hex(test::grabImage(&b).pixelColor(59, 29)),
              test::hex(b.palette().color(QPalette::Active, QPalette::Shadow)));
    EXPECT_EQ(loads, 2); // every acquire tries again while the library is missing
}

TEST_F(ThemeLibraryTest, ThemeActiveIsNotAskedWhenTheAppIsNotThemed)
{
    SetThemeLibraryLoader([this] { return std::optional(fake(0, 1)); });
    ASSERT_TRUE(AcquireThemeLibrary());
    EXPECT_FALSE(ThemesInUse());
    EXPECT_EQ(appThemedCalls, 1);
    EXPECT_EQ(themeActiveCalls, 0);
}

TEST_F(ThemeLibraryTest, ThemesInUseNeedsBothAnswers)
{
    struct Row {
        int appThemed;
        int active;
        bool inUse;
    };
    for (const Row& r : {Row{1, 1, true}, Row{1, 0, false}, Row{0, 0, false}, Row{7, 3, true}}) {
        drain();
        SetThemeLibraryLoader([this, r] { return std::optional(fake(r.appThemed, r.active)); });
        ASSERT_TRUE(AcquireThemeLibrary());
        EXPECT_EQ(ThemesInUse(), r.inUse) << r.appThemed << "/" << r.active;
    }
}

// A button on the screen follows a style change while it is shown: under the classic
// "Windows" style it looks as it does without the theme library, and themed again after.
TEST_F(ThemeLibraryTest, AButtonFollowsAStyleChange)
{
    SetThemeLibraryLoader([] { return std::optional<ThemeEntryPoints>(); });
    QImage classicLook;
    {
        TBitBtnXP reference(QStringLiteral("OK"));
        reference.resize(60, 30);
        classicLook = test::grabImage(&reference);
    }
    drain();
    SetThemeLibraryLoader({});
    ASSERT_TRUE(AcquireThemeLibrary());
    TBitBtnXP button(QStringLiteral("OK"));
    button.resize(60, 30);
    const QImage themedLook = test::grabImage(&button);
    ASSERT_NE(themedLook, classicLook) << "the themed look differs from the classic one";
    {
        test::StyleScope classic(QStringLiteral("Windows"));
        EXPECT_EQ(test::grabImage(&button), classicLook);
    }
    EXPECT_EQ(test::grabImage(&button), themedLook);
}

TEST_F(ThemeLibraryTest, LibraryLackingAnEntryPointCountsAsMissing)
{
    SetThemeLibraryLoader([this] {
        ThemeEntryPoints e = fake(1, 1);
        e.DrawThemeBackground = nullptr;
        return std::optional(e);
    });
    EXPECT_FALSE(AcquireThemeLibrary());
    EXPECT_FALSE(ThemeLibraryLoaded());
    EXPECT_FALSE(ThemesInUse());
    EXPECT_EQ(appThemedCalls, 0);
}

TEST_F(ThemeLibraryTest, QtLoaderFollowsTheApplicationStyle)
{
    ASSERT_TRUE(AcquireThemeLibrary());
    EXPECT_TRUE(ThemesInUse());
    {
        test::StyleScope classic(QStringLiteral("Windows"));
        EXPECT_FALSE(ThemesInUse());
    }
    EXPECT_TRUE(ThemesInUse());
    const ThemeEntryPoints e = ThemeFunctions();
    EXPECT_NE(e.OpenThemeData(nullptr, "BUTTON"), nullptr);
    EXPECT_EQ(e.OpenThemeData(nullptr, "SCROLLBAR"), nullptr);
}

} // namespace
} // namespace pagolux
