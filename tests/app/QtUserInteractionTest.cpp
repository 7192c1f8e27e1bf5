// The message boxes of the real interaction: German button texts, the answer of each button,
// and the application title on a box without a caption of its own.

#include "app/QtUserInteraction.h"
#include "app/TApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
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

// "Öffnen..." with a name typed without extension: the default extension is added when no
// file of exactly that name exists, as the save dialog does.
TEST(QtUserInteraction, OpenDialogAddsTheDefaultExtensionToATypedName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"test.pgx", "plain", "plain.pgx"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Row {
        const char* typed;
        const char* expected;
    };
    const Row rows[] = {
        {"test", "test.pgx"},     // only test.pgx exists
        {"test.pgx", "test.pgx"}, // typed in full
        {"plain", "plain"},       // a file of exactly that name wins
        {"neu", "neu.pgx"},       // neither exists: opening reports the .pgx name
    };
    QtUserInteraction ui(nullptr);
    FileDialogRequest request;
    request.filter = "Pagolux-Projekt (*.pgx)|*.pgx";
    request.defaultExt = "pgx";
    request.initialDir = QFile::encodeName(dir.path()).toStdString();
    for (const Row& row : rows) {
        bool typed = false;
        std::function<void(int)> type = [&](int triesLeft) {
            QTimer::singleShot(10, [&, triesLeft] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
                if (!edit) {
                    if (triesLeft > 0)
                        type(triesLeft - 1);
                    return;
                }
                typed = true;
                edit->clear();
                QTest::keyClicks(edit, QString::fromLatin1(row.typed));
                QTest::keyClick(edit, Qt::Key_Return);
            });
        };
        type(500);
        const std::optional<std::string> chosen = ui.chooseOpenFile(request);
        ASSERT_TRUE(typed) << row.typed;
        ASSERT_TRUE(chosen.has_value()) << row.typed;
        EXPECT_EQ(QDir(dir.path()).relativeFilePath(QFile::decodeName(QByteArray::fromStdString(*chosen))),
                  QString::fromLatin1(row.expected))
            << row.typed;
    }
}

} // namespace
} // namespace pagolux
