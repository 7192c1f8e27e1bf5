#pragma once
// TFilenameEdit: a one-line edit for a file name with a browse button beside it. The button
// runs OnButtonClick (the owner shows its save dialog and sets the chosen name).

#include <QString>
#include <QWidget>

#include <functional>
#include <string>

class QLineEdit;
class QToolButton;

namespace pagolux {

class TFilenameEdit : public QWidget {
    Q_OBJECT

  public:
    explicit TFilenameEdit(QWidget* parent = nullptr);

    // The file name the field stands for (file system bytes):
    //  - the text as typed (without surrounding blanks) when a file of that name exists;
    //  - otherwise, when the text starts with a double quote, what lies between it and the
    //    next double quote;
    //  - otherwise the text without surrounding blanks. A name with blanks inside is kept
    //    whole: cutting it at the first blank would write the output somewhere else.
    [[nodiscard]] std::string FileName() const;
    // Shows `name` in the field (its text becomes the name as it is).
    void setFileName(const std::string& name);

    [[nodiscard]] QString text() const;
    void setText(const QString& text);

    [[nodiscard]] QLineEdit* lineEdit() const { return edit_; }
    [[nodiscard]] QToolButton* button() const { return button_; }

    std::function<void()> OnButtonClick;

    // The rule of FileName() on a given text, for tests and for the command-line builder.
    [[nodiscard]] static std::string fileNameOf(const std::string& text);

  private:
    QLineEdit* edit_;
    QToolButton* button_;
};

} // namespace pagolux
