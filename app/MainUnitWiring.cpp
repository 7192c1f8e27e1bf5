// Connecting the controls, keys and pages of the main window to its handlers.

#include "app/MainUnit.h"

#include "app/TApplication.h"
#include "controls/TFilenameEdit.h"
#include "controls/TPaintBox.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>

namespace pagolux {

void TMainForm::connectHandlers()
{
    connectSettings();
    // The start file is the selected line of SortBox.
    connect(SortBox->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { project_.startIndex = startIndex(); });
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

    // The default output name follows the target system ("ziel" / "ziel.exe"); a name the
    // user typed stays.
    connect(TargetCombo, &QComboBox::currentIndexChanged, this, [this] {
        EXENameEdit->setFileName(outputNameForTarget(EXENameEdit->FileName(), buildTarget()));
    });

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
    connect(PageControl2, &QTabWidget::currentChanged, this, [this] {
        updateCancelShortcut();
        if (PageControl2->currentWidget() == TabSheet5)
            webBrowser(); // the browser comes to life when its page is first shown
    });
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
