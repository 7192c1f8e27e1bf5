// The build settings and the output choice of the project and the controls of the page
// "EXE erstellen" that show them: CheckBox1 to CheckBox10, WidthEd, HeightEd, DefSizeCheck /
// FullScreenCheck, FixedSizeCheck and NameED; EXENameEdit, TargetCombo and AutoStartCheck.
// Every change of a control goes to the editor at once, so the project always holds what the
// page shows.
//
// The project name is kept as the bytes it was read as: NameED shows their display text (a
// name from a Windows-made project file is Windows-1252), and only a text the user changed is
// stored anew, as UTF-8.

#include "app/MainUnit.h"
#include "controls/TFilenameEdit.h"
#include "format/TextEncoding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace pagolux {

QString TMainForm::projectNameText(const std::string& bytes)
{
    const std::string shown = DisplayText(bytes);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

BuildSettings TMainForm::shownSettings() const
{
    BuildSettings s = editor_.settings();
    const auto& boxes = CheckBoxes;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        s.elements[i] = boxes[i]->isChecked();
    s.width = WidthEd->value();
    s.height = HeightEd->value();
    s.definedSize = DefSizeCheck->isChecked();
    s.fixedSize = FixedSizeCheck->isChecked();
    // Showing the stored name must not replace its bytes by their display text.
    if (NameED->text() != projectNameText(s.projectName))
        s.projectName = NameED->text().toUtf8().toStdString();
    return s;
}

OutputChoice TMainForm::shownOutput() const
{
    OutputChoice output;
    output.name = QFile::encodeName(EXENameEdit->text()).toStdString();
    output.target = buildTarget();
    output.autoStart = AutoStartCheck->isChecked();
    return output;
}

void TMainForm::showSettings()
{
    const bool wasRendering = std::exchange(rendering_, true);
    const BuildSettings& shown = editor_.settings();
    const auto& boxes = CheckBoxes;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(shown.elements[i]);
    WidthEd->setValue(shown.width);
    HeightEd->setValue(shown.height);
    if (shown.definedSize)
        DefSizeCheck->setChecked(true);
    else
        FullScreenCheck->setChecked(true);
    FixedSizeCheck->setChecked(shown.fixedSize);
    if (NameED->text() != projectNameText(shown.projectName))
        NameED->setText(projectNameText(shown.projectName));
    rendering_ = wasRendering;
}

void TMainForm::showOutput()
{
    const bool wasRendering = std::exchange(rendering_, true);
    const OutputChoice& output = editor_.output();
    // The text is set only when it differs, so that typing keeps the cursor where it is.
    if (QFile::encodeName(EXENameEdit->text()).toStdString() != output.name)
        EXENameEdit->setFileName(output.name);
    TargetCombo->setCurrentIndex(output.target == BuildTarget::Windows ? 1 : 0);
    AutoStartCheck->setChecked(output.autoStart);
    rendering_ = wasRendering;
}

void TMainForm::connectSettings()
{
    // Every change of a control the user makes goes to the editor; changes made while the
    // editor's state is shown are not the user's.
    const auto settingsChanged = [this] {
        if (!rendering_)
            editor_.setSettings(shownSettings());
    };
    const auto outputChanged = [this] {
        if (!rendering_)
            editor_.setOutput(shownOutput());
    };
    for (QCheckBox* box : CheckBoxes)
        connect(box, &QCheckBox::toggled, this, settingsChanged);
    connect(WidthEd, &QSpinBox::valueChanged, this, settingsChanged);
    connect(HeightEd, &QSpinBox::valueChanged, this, settingsChanged);
    connect(DefSizeCheck, &QRadioButton::toggled, this, settingsChanged);
    connect(FixedSizeCheck, &QCheckBox::toggled, this, settingsChanged);
    connect(NameED, &QLineEdit::textChanged, this, settingsChanged);
    connect(EXENameEdit->lineEdit(), &QLineEdit::textChanged, this, outputChanged);
    connect(AutoStartCheck, &QCheckBox::toggled, this, outputChanged);
    // The default output name follows the target system ("ziel" / "ziel.exe"); a name the
    // user typed stays.
    connect(TargetCombo, &QComboBox::currentIndexChanged, this, [this] {
        if (rendering_)
            return;
        OutputChoice output = shownOutput();
        output.name = outputNameForTarget(output.name, output.target);
        editor_.setOutput(output);
    });
}

} // namespace pagolux
