// The message boxes of the real interaction: German button texts, the answer of each button,
// and the application title on a box without a caption of its own.

#include "app/QtUserInteraction.h"
#include "app/TApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace pagolux {
namespace {

// Runs `act` on the message box as soon as it is the active modal window.
void whenBoxShows(std::function<void(QMessageBox*)> act, int triesLeft = 500)
{
    QTimer::singleShot(triesLeft == 500 ? 0 : 10, [act = std::move(act), triesLeft]() mutable {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            act(box);
            return;
        }
        if (triesLeft > 0)
            whenBoxShows(std::move(act), triesLeft - 1);
    });
}

struct SeenBox {
    QString title;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Shows a box and presses the button with caption `press` (empty: closes it with Escape).
MsgResult answer(QtUserInteraction& ui, MsgButtons buttons, const QString& press, SeenBox& seen,
                 const std::string& caption = "Titel", MsgIcon icon = MsgIcon::Information)
{
    whenBoxShows([&](QMessageBox* box) {
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == press) {
                button->click();
                return;
            }
        box->reject();
    });
    return ui.showMessage("Text", caption, icon, buttons);
}

TEST(QtUserInteraction, ButtonsAreGermanAndAnswerAsPressed)
{
    QtUserInteraction ui;
    const struct {
        MsgButtons buttons;
        QStringList captions;
        QString press;
        MsgResult expected;
    } cases[] = {
        {MsgButtons::Ok, {QStringLiteral("OK")}, QStringLiteral("OK"), MsgResult::Ok},
        {MsgButtons::OkCancel,
         {QStringLiteral("OK"), QStringLiteral("Abbrechen")},
         QStringLiteral("OK"),
         MsgResult::Ok},
        {MsgButtons::OkCancel,
         {QStringLiteral("OK"), QStringLiteral("Abbrechen")},
         QStringLiteral("Abbrechen"),
         MsgResult::Cancel},
        {MsgButtons::OkCancel,
         {QStringLiteral("OK"), QStringLiteral("Abbrechen")},
         QString(),
         MsgResult::Cancel},
        {MsgButtons::YesNo,
         {QStringLiteral("Ja"), QStringLiteral("Nein")},
         QStringLiteral("Nein"),
         MsgResult::No},
        {MsgButtons::YesNoCancel,
         {QStringLiteral("Ja"), QStringLiteral("Nein"), QStringLiteral("Abbrechen")},
         QStringLiteral("Ja"),
         MsgResult::Yes},
        {MsgButtons::YesNoCancel,
         {QStringLiteral("Ja"), QStringLiteral("Nein"), QStringLiteral("Abbrechen")},
         QString(),
         MsgResult::Cancel},
    };
    for (const auto& c : cases) {
        SeenBox seen;
        EXPECT_EQ(answer(ui, c.buttons, c.press, seen), c.expected) << c.press.toStdString();
        QStringList shown = seen.buttons;
        QStringList expected = c.captions;
        shown.sort();
        expected.sort();
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(seen.title, QStringLiteral("Titel"));
    }
}

TEST(QtUserInteraction, EmptyCaptionShowsTheApplicationTitleAndIconsMap)
{
    QtUserInteraction ui;
    SeenBox seen;
    (void)answer(ui, MsgButtons::Ok, QStringLiteral("OK"), seen, std::string(), MsgIcon::Error);
    EXPECT_EQ(seen.title, QStringLiteral("Pagolux 2.0"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    SeenBox question;
    (void)answer(ui, MsgButtons::Ok, QStringLiteral("OK"), question, "Frage", MsgIcon::Information);
    EXPECT_EQ(question.icon, QMessageBox::Information);
}

TEST(QtUserInteraction, ErrorDisplayIsACriticalBoxTitledWithTheApplication)
{
    QtUserInteraction ui;
    SeenBox seen;
    whenBoxShows([&](QMessageBox* box) {
        seen.title = box->windowTitle();
        seen.icon = box->icon();
        box->accept();
    });
    ui.showError("Stream-Read-Fehler");
    EXPECT_EQ(seen.title, TApplication::title());
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

} // namespace
} // namespace pagolux
