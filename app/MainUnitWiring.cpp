// Connecting the controls, keys and pages of the main window to its handlers.

#include "app/MainUnit.h"

#include "app/TApplication.h"
#include "controls/TFilenameEdit.h"
#include "controls/TPaintBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>

namespace pagolux {

void TMainForm::connectHandlers()
{
    connectSettings();
    // Choosing a line of SortBox makes it the start file.
    connect(SortBox->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = SortBox->selectionModel()->selectedRows();
        if (!rendering_ && !rows.isEmpty())
            editor_.setStart(rows.constFirst().row());
    });
    const auto onClick = [this](QAbstractButton* button, void (TMainForm::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
    };
    const auto onPictureClick = [this](TImageBtn* button, void (TMainForm::*handler)()) {
        connect(button, &TImageBtn::clicked, this,
                [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
    };
    onClick(NewBtn, &TMainForm::NewBtnClick);
    onClick(OpenBtn, &TMainForm::OpenBtnClick);
    onClick(SaveBtn, &TMainForm::SaveBtnClick);
    onClick(SaveAsBtn, &TMainForm::SaveAsBtnClick);
    onClick(AddBtn, &TMainForm::AddBtnClick);
    onClick(DelBtn, &TMainForm::DelBtnClick);
    onClick(LoadBtn, &TMainForm::LoadBtnClick);
    onClick(HomeBtn, &TMainForm::LoadBtnClick);
    onClick(BackButton, &TMainForm::BackBtnClick);
    onClick(FwdButton, &TMainForm::FwdBtnClick);
    onClick(ReloadButton, &TMainForm::ReloadButtonClick);
    onClick(OpenIconBtn, &TMainForm::OpenIconBtnClick);
    onClick(StdIconBtn, &TMainForm::StdIconBtnClick);
    onPictureClick(GoBtn1, &TMainForm::GoBtn1Click);
    onClick(wwwBtn, &TMainForm::wwwBtnClick);
    onPictureClick(ueberbtn, &TMainForm::ueberbtnClick);
    onPictureClick(endebtn, &TMainForm::EndeBtnClick);

    connect(PrefListBox, &QListWidget::itemDoubleClicked, this,
            [this] { runGuarded([this] { PrefListBoxDblClick(); }); });
    PrefListBox->installEventFilter(this);
    ImageList->installEventFilter(this);
    PaintBox1->OnPaint = [this](QPainter& canvas) {
        runGuarded([this, &canvas] { PaintBox1Paint(canvas); });
    };

    EXENameEdit->OnButtonClick = [this] {
        runGuarded([this] {
            FileDialogRequest request = EXENameDialog;
            request.fileName = EXENameEdit->FileName();
            if (const auto chosen = interaction().chooseSaveFile(request))
                EXENameEdit->setFileName(*chosen);
        });
    };

    // Escape presses DelBtn, the window's cancel button, while it can be seen and used.
    connect(cancelShortcut_, &QShortcut::activated, this, [this] {
        if (PageControl2->currentWidget() == TabSheet1 && DelBtn->isEnabled())
            runGuarded([this] { DelBtnClick(); });
    });
    connectKeys();
    connect(PageControl2, &QTabWidget::currentChanged, this, [this] {
        updateCancelShortcut();
        updateEnterShortcut();
        if (PageControl2->currentWidget() == TabSheet5)
            webBrowser(); // the browser comes to life when its page is first shown
    });
}

void TMainForm::connectKeys()
{
    // The picture buttons take no focus; their keys work from anywhere in the window.
    const auto shortcut = [this](const QKeySequence& keys, auto action) {
        auto* key = new QShortcut(keys, this);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this, action);
        return key;
    };
    const auto press = [this](TImageBtn* button, void (TMainForm::*handler)()) {
        return [this, button, handler] {
            if (button->isEnabled())
                runGuarded([this, handler] { (this->*handler)(); });
        };
    };
    for (const auto& [button, keys, handler] : {std::tuple{GoBtn1, kGoKeys, &TMainForm::GoBtn1Click},
                                                std::tuple{ueberbtn, kAboutKeys, &TMainForm::ueberbtnClick},
                                                std::tuple{endebtn, kEndKeys, &TMainForm::EndeBtnClick}}) {
        shortcut(QKeySequence(keys), press(button, handler));
        button->setToolTip(button->toolTip() + QStringLiteral(" (") +
                           QKeySequence(keys).toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }

    // Enter on the page "EXE erstellen" presses Go!, unless a button of the page has the focus:
    // Enter then presses that button. The focus may still be on a button of the project row
    // (where it starts): that one is not pressed by Enter here.
    const auto enter = [this, press] {
        if (PageControl2->currentWidget() != TabSheet6)
            return;
        auto* focused = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (focused != nullptr && TabSheet6->isAncestorOf(focused) &&
            qobject_cast<QCheckBox*>(focused) == nullptr && qobject_cast<QRadioButton*>(focused) == nullptr) {
            focused->click();
            return;
        }
        press(GoBtn1, &TMainForm::GoBtn1Click)();
    };
    enterShortcuts_ = {shortcut(QKeySequence(Qt::Key_Return), enter),
                       shortcut(QKeySequence(Qt::Key_Enter), enter)};

    // Ctrl+Tab and Ctrl+PgDn show the next page, with Shift or PgUp the previous one.
    const auto step = [this](int by) {
        return [this, by] {
            const int count = PageControl2->count();
            PageControl2->setCurrentIndex((PageControl2->currentIndex() + by + count) % count);
        };
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), step(1));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), step(1));
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), step(-1));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Backtab), step(-1));
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), step(-1));
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), step(-1));
    updateEnterShortcut();
}

void TMainForm::updateEnterShortcut()
{
    // Elsewhere Enter keeps its meaning (the favourite folders open on it, for one).
    for (QShortcut* key : enterShortcuts_)
        key->setEnabled(PageControl2->currentWidget() == TabSheet6);
}

void TMainForm::updateCancelShortcut()
{
    cancelShortcut_->setEnabled(PageControl2->currentWidget() == TabSheet1 && DelBtn->isEnabled());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (watched == ImageList) {
            const int code = key->key();
            runGuarded([this, code] { ImageListKeyDown(code); });
            return false; // the list handles the key as usual afterwards
        }
        if (watched == PrefListBox) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                runGuarded([this] { PrefListBoxKeyPress('\r'); });
            } else if (const QString text = key->text(); text.size() == 1 && text[0].unicode() < 0x80) {
                const auto c = static_cast<char>(text[0].unicode());
                runGuarded([this, c] { PrefListBoxKeyPress(c); });
            }
            return false;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace pagolux
