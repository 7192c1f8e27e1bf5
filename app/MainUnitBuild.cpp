// "Go!": collects the build settings from the page "EXE erstellen" and runs the build pipeline.

#include "app/MainUnit.h"

#include "builder/BuildPipeline.h"
#include "builder/icon/IconBitmap.h"
#include "controls/TFilenameEdit.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>

namespace pagolux {
namespace {

// Keeps the build button disabled while a build runs, so the repaints a long build lets
// through never start a second one.
class DisabledWhileBuilding {
  public:
    explicit DisabledWhileBuilding(QWidget* w) : w_(w) { w_->setEnabled(false); }
    ~DisabledWhileBuilding() { w_->setEnabled(true); }
    DisabledWhileBuilding(const DisabledWhileBuilding&) = delete;
    DisabledWhileBuilding& operator=(const DisabledWhileBuilding&) = delete;

  private:
    QWidget* w_;
};

} // namespace

void TMainForm::GoBtn1Click()
{
    BuildRequest request;
    request.entries = Pics;
    request.startIndex = startIndex();
    request.outputField = EXENameEdit->FileName();
    const QCheckBox* elements[BuildSettings::kElementCount] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4,
                                                               CheckBox5, CheckBox6, CheckBox7, CheckBox8,
                                                               CheckBox9, CheckBox10};
    for (int i = 0; i < BuildSettings::kElementCount; ++i)
        request.settings.elements[static_cast<std::size_t>(i)] = elements[i]->isChecked();
    request.settings.width = WidthEd->value();
    request.settings.height = HeightEd->value();
    request.settings.definedSize = DefSizeCheck->isChecked();
    request.settings.fixedSize = FixedSizeCheck->isChecked();
    request.settings.projectName = NameED->text().toStdString();
    request.autoStart = AutoStartCheck->isChecked();
    request.progPath = ProgPath;
    request.icon = IconBmp.get();

    BuildHooks hooks;
    // The archive's progress reaches the status bar as the window's progress event; the
    // window repaints meanwhile but takes no input.
    hooks.progress = [this](std::int32_t percent) {
        if (QThread::currentThread() != thread()) {
            QCoreApplication::postEvent(this, new TProgressEvent(percent));
            return;
        }
        TProgressEvent event(percent);
        QCoreApplication::sendEvent(this, &event);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const int remembered = request.startIndex;
    hooks.updateListBox = [this, remembered] {
        SortBox->setCurrentRow(remembered);
        UpdateListBox();
    };

    DisabledWhileBuilding guard(GoBtn1);
    BuildPipeline(interaction()).run(request, IconPos, hooks);
}

} // namespace pagolux
