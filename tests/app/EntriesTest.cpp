// Adding and removing entries, the two lists that mirror them and the start file.

#include "WindowTestSupport.h"

#include "shell/TShellList.h"
#include "shell/TShellTree.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <functional>

namespace pagolux::test {
namespace {

class Entries : public WindowTest {
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        for (const char* name : {"a.html", "b.html", "c.html", "d.css"})
            writeFile(site.filePath(QString::fromLatin1(name)));
        writeFile(site.filePath(QStringLiteral("bilder/logo.png")));
    }

    std::string entry(const char* name) const { return bytes(site.filePath(QString::fromLatin1(name))); }

    void expectMirrored()
    {
        EXPECT_EQ(lines(control<QListWidget>(*form, "ImageList")), form->entries());
        EXPECT_EQ(lines(control<QListWidget>(*form, "SortBox")), form->entries());
        EXPECT_EQ(control<GlyphButton>(*form, "DelBtn")->isEnabled(), form->PicCount() > 0);
    }
};

TEST_F(Entries, AddsTheSelectedItemsInDisplayOrderAfterExistingOnes)
{
    addFromFolder(site.path(), {QStringLiteral("d.css")});
    addFromFolder(site.path(),
                  {QStringLiteral("c.html"), QStringLiteral("a.html"), QStringLiteral("bilder")});

    // The list shows folders first, then files by name.
    const std::vector<std::string> expected = {entry("d.css"), entry("bilder"), entry("a.html"),
                                               entry("c.html")};
    EXPECT_EQ(form->entries(), expected);
    expectMirrored();
    EXPECT_EQ(form->startIndex(), 0);
}

TEST_F(Entries, FolderEntryHasNoTrailingSeparator)
{
    addFromFolder(site.path(), {QStringLiteral("bilder")});
    ASSERT_EQ(form->PicCount(), 1);
    EXPECT_EQ(form->entries()[0], entry("bilder"));
    EXPECT_NE(form->entries()[0].back(), '/');
}

TEST_F(Entries, AddingMakesTheFolderTheFirstFavourite)
{
    addFromFolder(site.path(), {QStringLiteral("a.html")});
    ASSERT_GE(control<QListWidget>(*form, "PrefListBox")->count(), 1);
    EXPECT_EQ(control<QListWidget>(*form, "PrefListBox")->item(0)->text(), site.path() + QLatin1Char('/'));
}

TEST_F(Entries, AddingWithNothingSelectedRebuildsListsAndLeavesFavouritesAlone)
{
    addFromFolder(site.path(),
                  {QStringLiteral("a.html"), QStringLiteral("b.html"), QStringLiteral("c.html")});
    const int favourites = control<QListWidget>(*form, "PrefListBox")->count();
    const std::vector<std::string> before = form->entries();
    selectImageLines({1, 2});
    control<TShellList>(*form, "ShellList1")->clearSelection();

    press(control<GlyphButton>(*form, "AddBtn"));

    EXPECT_EQ(form->entries(), before);
    EXPECT_EQ(control<QListWidget>(*form, "PrefListBox")->count(), favourites);
    expectMirrored();
    const auto selected = control<QListWidget>(*form, "ImageList")->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(control<QListWidget>(*form, "ImageList")->row(selected[0]), 0);
}

TEST_F(Entries, SameFileTwiceKeepsTheLaterLineAsStartFile)
{
    addFromFolder(site.path(), {QStringLiteral("a.html"), QStringLiteral("b.html")});
    control<QListWidget>(*form, "SortBox")->setCurrentRow(1);
    addFromFolder(site.path(), {QStringLiteral("b.html")});

    const std::vector<std::string> expected = {entry("a.html"), entry("b.html"), entry("b.html")};
    EXPECT_EQ(form->entries(), expected);
    EXPECT_EQ(form->startIndex(), 2);
    expectMirrored();
}

// Clicks and keys on the page "Startdatei" move the start file but never leave none chosen.
TEST_F(Entries, UserCannotDeselectTheStartFile)
{
    addFromFolder(site.path(),
                  {QStringLiteral("a.html"), QStringLiteral("b.html"), QStringLiteral("c.html")});
    control<QTabWidget>(*form, "PageControl2")->setCurrentWidget(control<QWidget>(*form, "TabSheet3"));
    form->show();
    QListWidget* box = control<QListWidget>(*form, "SortBox");
    const auto click = [box](int row, Qt::KeyboardModifiers modifiers) {
        const QRect rect = box->visualItemRect(box->item(row));
        QTest::mouseClick(box->viewport(), Qt::LeftButton, modifiers, rect.center());
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int start;
    };
    const Step steps[] = {
        {"click on the second line", [&] { click(1, Qt::NoModifier); }, 1},
        {"Ctrl+click on the chosen line", [&] { click(1, Qt::ControlModifier); }, 1},
        {"Ctrl+click on another line", [&] { click(2, Qt::ControlModifier); }, 2},
        {"Ctrl+Space on the chosen line", [&] { QTest::keyClick(box, Qt::Key_Space, Qt::ControlModifier); },
         2},
        {"Up", [&] { QTest::keyClick(box, Qt::Key_Up); }, 1},
        {"Ctrl+Space again", [&] { QTest::keyClick(box, Qt::Key_Space, Qt::ControlModifier); }, 1},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(form->startIndex(), step.start) << step.what;
    }
}

TEST_F(Entries, StartFileFollowsItsTextThroughRemovals)
{
    struct Case {
        const char* what;
        std::vector<const char*> entries;
        int start;
        std::initializer_list<int> remove;
        int expectedStart;
    };
    const Case cases[] = {
        {"third is start, first removed: index 2 is past the new end",
         {"a.html", "b.html", "c.html"},
         2,
         {0},
         0},
        {"second is start, first removed: it stays", {"a.html", "b.html", "c.html"}, 1, {0}, 0},
        {"start removed: first remaining", {"a.html", "b.html", "c.html"}, 1, {1}, 0},
        {"start removed, equal text remains", {"a.html", "b.html", "a.html"}, 0, {0}, 1},
        {"third is start, second removed: index 2 is past the new end",
         {"a.html", "b.html", "c.html"},
         2,
         {1},
         0},
        {"two removed at once", {"a.html", "b.html", "c.html"}, 2, {0, 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        press(control<BitmapButton>(*form, "NewBtn")); // unanswered questions are answered OK
        showFolder(site.path());
        for (const char* name : c.entries) {
            ASSERT_EQ(control<TShellList>(*form, "ShellList1")->selectNames({QString::fromLatin1(name)}), 1);
            press(control<GlyphButton>(*form, "AddBtn"));
        }
        control<QListWidget>(*form, "SortBox")->setCurrentRow(c.start);
        std::vector<std::string> expected = form->entries();
        for (auto it = std::rbegin(c.remove); it != std::rend(c.remove); ++it)
            expected.erase(expected.begin() + *it);
        selectImageLines(c.remove);

        press(control<GlyphButton>(*form, "DelBtn"));

        EXPECT_EQ(form->entries(), expected);
        EXPECT_EQ(form->startIndex(), c.expectedStart);
        expectMirrored();
    }
}

TEST_F(Entries, RemovingAllEmptiesListsAndDisablesDelete)
{
    addFromFolder(site.path(), {QStringLiteral("a.html"), QStringLiteral("b.html")});
    selectImageLines({0, 1});
    control<GlyphButton>(*form, "DelBtn")->click();
    EXPECT_EQ(form->PicCount(), 0);
    EXPECT_EQ(control<QListWidget>(*form, "ImageList")->count(), 0);
    EXPECT_EQ(control<QListWidget>(*form, "SortBox")->count(), 0);
    EXPECT_EQ(form->startIndex(), -1);
    EXPECT_FALSE(control<GlyphButton>(*form, "DelBtn")->isEnabled());
}

TEST_F(Entries, DeleteKeyInTheListRemovesTheSelectedEntries)
{
    addFromFolder(site.path(),
                  {QStringLiteral("a.html"), QStringLiteral("b.html"), QStringLiteral("c.html")});
    selectImageLines({1});
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), Qt::Key_Delete);
    const std::vector<std::string> expected = {entry("a.html"), entry("c.html")};
    EXPECT_EQ(form->entries(), expected);
    EXPECT_TRUE(script.messages.empty()); // no question asked
    // Other keys remove nothing.
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), Qt::Key_Backspace);
    EXPECT_EQ(form->PicCount(), 2);
}

class EscapeKey : public Entries {
  protected:
    void SetUp() override
    {
        Entries::SetUp();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        addFromFolder(site.path(), {QStringLiteral("a.html"), QStringLiteral("b.html")});
        selectImageLines({0});
        control<QListWidget>(*form, "ImageList")->setFocus();
    }
};

TEST_F(EscapeKey, RemovesSelectionWhileFilesPageShows)
{
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), Qt::Key_Escape);
    const std::vector<std::string> expected = {entry("b.html")};
    EXPECT_EQ(form->entries(), expected);
}

TEST_F(EscapeKey, DoesNothingWithAModifierOrOnAnotherPage)
{
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), Qt::Key_Escape, Qt::ShiftModifier);
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_EQ(form->PicCount(), 2);
    control<QTabWidget>(*form, "PageControl2")->setCurrentWidget(control<QWidget>(*form, "TabSheet3"));
    QTest::keyClick(control<QListWidget>(*form, "SortBox"), Qt::Key_Escape);
    EXPECT_EQ(form->PicCount(), 2);
}

TEST_F(EscapeKey, DoesNothingWhileDeleteIsDisabled)
{
    selectImageLines({0, 1});
    press(control<GlyphButton>(*form, "DelBtn"));
    ASSERT_FALSE(control<GlyphButton>(*form, "DelBtn")->isEnabled());
    control<QListWidget>(*form, "ImageList")->setFocus();
    QTest::keyClick(control<QListWidget>(*form, "ImageList"), Qt::Key_Escape);
    EXPECT_EQ(form->PicCount(), 0);
    EXPECT_TRUE(form->isVisible());
}

} // namespace
} // namespace pagolux::test
