// "Go!": builds the project with the output name and the icon of the page "EXE erstellen".

#include "app/MainUnit.h"

#include "builder/BuildPipeline.h"
#include "controls/TFilenameEdit.h"
#include "icon/IconBitmap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
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

BuildTarget TMainForm::buildTarget() const
{
    return TargetCombo && TargetCombo->currentIndex() == 1 ? BuildTarget::Windows : BuildTarget::Linux;
}

void TMainForm::GoBtn1Click()
{
    BuildRequest request;
    request.entries = Pics;
    request.startIndex = startIndex();
    request.outputField = EXENameEdit->FileName();
    request.settings = project_.settings;
    request.autoStart = AutoStartCheck->isChecked();
    // Each target system has its own prototype viewer, and so its own icon offset.
    const BuildTarget target = buildTarget();
    request.target = target;
    request.progPath = protoFolder(ProgPath, target);
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
    BuildPipeline(interaction())
        .run(request, target == BuildTarget::Windows ? IconPosWindows : IconPos, hooks);
}

} // namespace pagolux
