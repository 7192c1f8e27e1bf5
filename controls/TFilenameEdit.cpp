#include "controls/TFilenameEdit.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

#include <filesystem>
#include <system_error>

namespace pagolux {

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

TFilenameEdit::TFilenameEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_);
    layout->addWidget(button_);
    edit_->setObjectName(QStringLiteral("EXENameEditText"));
    button_->setObjectName(QStringLiteral("EXENameEditButton"));
    button_->setText(QStringLiteral("…"));
    button_->setToolTip(QStringLiteral("Ausgabe Datei wählen..."));
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setFixedWidth(21);
    setFocusProxy(edit_);
    connect(button_, &QToolButton::clicked, this, [this] {
        if (OnButtonClick)
            OnButtonClick();
    });
}

std::string TFilenameEdit::fileNameOf(const std::string& text)
{
    const std::string name = trimmed(text);
    if (name.empty())
        return {};
    std::error_code ec;
    if (std::filesystem::is_regular_file(name, ec))
        return name;
    if (name.front() == '"') {
        const auto close = name.find('"', 1);
        return name.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return name;
}

std::string TFilenameEdit::FileName() const
{
    return fileNameOf(QFile::encodeName(edit_->text()).toStdString());
}

void TFilenameEdit::setFileName(const std::string& name)
{
    edit_->setText(QFile::decodeName(QByteArray::fromStdString(name)));
}

QString TFilenameEdit::text() const
{
    return edit_->text();
}

void TFilenameEdit::setText(const QString& text)
{
    edit_->setText(text);
}

} // namespace pagolux
