#pragma once
// TAboutBox: the information dialog. The program's picture, a few lines about the maker, the
// current year, a button that opens the maker's web site and OK. It keeps no state between
// openings: the caller creates it, runs exec() and deletes it.

#include "app/Maker.h"

#include <QDialog>
#include <QString>

class QLabel;

namespace pagolux {

class TBitBtnXP;
class UserInteraction;

class TAboutBox : public QDialog {
    Q_OBJECT

  public:
    // interaction opens the web site; without one the desktop's browser is asked directly.
    explicit TAboutBox(QWidget* owner = nullptr, UserInteraction* interaction = nullptr);

    // Puts the year where the text says "XXXX" (the first occurrence), or in front of the
    // text when it has no placeholder.
    [[nodiscard]] static QString InsertYear(const QString& text, int year);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* YearLabel = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TBitBtnXP* BitBtnXP1 = nullptr;
    TBitBtnXP* BitBtn1 = nullptr;

    void FormCreate();
    void BitBtnXP1Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    UserInteraction* interaction;
};

} // namespace pagolux
