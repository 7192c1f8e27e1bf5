// The build settings of the project and the controls of the page "EXE erstellen" that show
// them: CheckBox1 to CheckBox10, WidthEd, HeightEd, DefSizeCheck / FullScreenCheck,
// FixedSizeCheck and NameED. Every change of a control is written back at once, so the
// project always holds what the page shows.
//
// The project name is kept as the bytes it was read as: NameED shows their display text (a
// name from a Windows-made project file is Windows-1252), and only a text the user changed is
// stored anew, as UTF-8.

#include "app/MainUnit.h"
#include "format/TextEncoding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace pagolux {

namespace {

std::array<QCheckBox*, BuildSettings::kElementCount> elementBoxes(const TMainForm& f)
{
    return {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4, f.CheckBox5,
            f.CheckBox6, f.CheckBox7, f.CheckBox8, f.CheckBox9, f.CheckBox10};
}

} // namespace

QString TMainForm::projectNameText(const std::string& bytes)
{
    const std::string shown = DisplayText(bytes);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

void TMainForm::showSettings(const BuildSettings& settings)
{
    project_.settings = settings;
    BuildSettings& s = project_.settings;
    s.width = BuildSettings::clampExtent(s.width); // the spin edits keep 64..1280
    s.height = BuildSettings::clampExtent(s.height);
    const BuildSettings shown = s; // the controls' signals write back while they change
    const auto boxes = elementBoxes(*this);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(shown.elements[i]);
    WidthEd->setValue(shown.width);
    HeightEd->setValue(shown.height);
    if (shown.definedSize)
        DefSizeCheck->setChecked(true);
    else
        FullScreenCheck->setChecked(true);
    FixedSizeCheck->setChecked(shown.fixedSize);
    NameED->setText(projectNameText(shown.projectName));
}

void TMainForm::connectSettings()
{
    const auto boxes = elementBoxes(*this);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        connect(boxes[i], &QCheckBox::toggled, this,
                [this, i](bool on) { project_.settings.elements[i] = on; });
    connect(WidthEd, &QSpinBox::valueChanged, this, [this](int value) { project_.settings.width = value; });
    connect(HeightEd, &QSpinBox::valueChanged, this, [this](int value) { project_.settings.height = value; });
    connect(DefSizeCheck, &QRadioButton::toggled, this,
            [this](bool on) { project_.settings.definedSize = on; });
    connect(FixedSizeCheck, &QCheckBox::toggled, this, [this](bool on) { project_.settings.fixedSize = on; });
    connect(NameED, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Showing the stored name must not replace its bytes by their display text.
        if (text != projectNameText(project_.settings.projectName))
            project_.settings.projectName = text.toUtf8().toStdString();
    });
}

} // namespace pagolux
