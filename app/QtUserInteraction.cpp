#include "app/QtUserInteraction.h"

#include "app/TApplication.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace pagolux {

namespace {

QString fromBytes(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QMessageBox::Icon boxIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString caption(const std::string& text)
{
    // A box without a caption of its own carries the application title.
    return text.empty() ? TApplication::title() : fromBytes(text);
}

QFileDialog::Options dialogOptions()
{
    // The test and CI environments have no desktop portal; Qt's own dialog looks the same
    // everywhere and honours the German texts set below.
    return QFileDialog::DontUseNativeDialog;
}

void germanLabels(QFileDialog& dialog, bool save)
{
    dialog.resize(640, 420); // room for the long names of web projects
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    dialog.setLabelText(QFileDialog::Accept, save ? QStringLiteral("Speichern") : QStringLiteral("Öffnen"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
}

// A picture preview beside the file list: the selected picture scaled into 128 × 128.
void addPicturePreview(QFileDialog& dialog)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr)
        return;
    auto* preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("PicturePreview"));
    preview->setFixedSize(140, 140);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        QPixmap picture;
        if (QFileInfo(path).isFile() && picture.load(path) && !picture.isNull())
            preview->setPixmap(picture.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        else
            preview->clear();
    });
}

} // namespace

MsgResult QtUserInteraction::showMessage(const std::string& text, const std::string& title, MsgIcon icon,
                                         MsgButtons buttons)
{
    QMessageBox box(boxIcon(icon), caption(title), fromBytes(text), QMessageBox::NoButton, parent_);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    switch (buttons) {
    case MsgButtons::Ok:
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        break;
    case MsgButtons::OkCancel:
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        break;
    case MsgButtons::YesNo:
        yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        break;
    case MsgButtons::YesNoCancel:
        yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        break;
    }
    box.setDefaultButton(ok != nullptr ? ok : yes);
    if (cancel != nullptr)
        box.setEscapeButton(cancel);
    else if (buttons == MsgButtons::Ok)
        box.setEscapeButton(ok);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked != nullptr && clicked == ok)
        return MsgResult::Ok;
    if (clicked != nullptr && clicked == yes)
        return MsgResult::Yes;
    if (clicked != nullptr && clicked == no)
        return MsgResult::No;
    // Closed by the title bar or Escape: the safe answer.
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    if (buttons == MsgButtons::YesNo)
        return MsgResult::No;
    return MsgResult::Cancel;
}

void QtUserInteraction::showError(const std::string& text)
{
    QMessageBox box(QMessageBox::Critical, TApplication::title(), fromBytes(text), QMessageBox::NoButton,
                    parent_);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

QStringList QtUserInteraction::nameFilters(const std::string& filter)
{
    QStringList result;
    const QStringList parts = fromBytes(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns =
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        // QFileDialog reads the patterns from the last parentheses of a filter's text; a
        // description that already shows its patterns keeps them once.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            description = description.left(open).trimmed();
        result << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result;
}

std::optional<std::string> QtUserInteraction::chooseOpenFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_, caption(request.title.empty() ? std::string("Öffnen") : request.title),
                       fromBytes(request.initialDir));
    dialog.setOptions(dialogOptions());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist is accepted: opening it then reports the error itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(request.filter));
    germanLabels(dialog, false);
    if (request.picturePreview)
        addPicturePreview(dialog);
    if (!request.fileName.empty())
        dialog.selectFile(fromBytes(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QString chosen = dialog.selectedFiles().constFirst();
    // A name typed without an extension means the file with the default extension, as in the
    // save dialog, unless a file of exactly that name exists.
    if (!request.defaultExt.empty() && QFileInfo(chosen).suffix().isEmpty() && !QFileInfo::exists(chosen))
        chosen += QLatin1Char('.') + fromBytes(request.defaultExt);
    return toBytes(chosen);
}

std::optional<std::string> QtUserInteraction::chooseSaveFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_,
                       caption(request.title.empty() ? std::string("Speichern unter") : request.title),
                       fromBytes(request.initialDir));
    QFileDialog::Options options = dialogOptions();
    if (!request.overwritePrompt)
        options |= QFileDialog::DontConfirmOverwrite;
    dialog.setOptions(options);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(request.filter));
    dialog.setDefaultSuffix(fromBytes(request.defaultExt));
    germanLabels(dialog, true);
    if (!request.fileName.empty())
        dialog.selectFile(fromBytes(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return toBytes(dialog.selectedFiles().constFirst());
}

void QtUserInteraction::openUrl(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(fromBytes(url)));
}

bool QtUserInteraction::startProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    QStringList args;
    for (const std::string& a : arguments)
        args << QFile::decodeName(QByteArray::fromStdString(a));
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(program)), args);
}

} // namespace pagolux
