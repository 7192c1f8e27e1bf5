#pragma once
// QtUserInteraction: the interaction interface on real widgets. Message boxes are
// QMessageBox with German button texts, file dialogs are QFileDialog, web addresses go to the
// desktop's browser and programs are started detached.

#include "builder/UserInteraction.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace pagolux {

class QtUserInteraction : public UserInteraction {
  public:
    // `parent`: the window the boxes and dialogs belong to (may be null).
    explicit QtUserInteraction(QWidget* parent = nullptr) : parent_(parent) {}

    [[nodiscard]] MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon icon,
                                        MsgButtons buttons) override;
    void showError(const std::string& text) override;
    [[nodiscard]] std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    [[nodiscard]] std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    void openUrl(const std::string& url) override;
    [[nodiscard]] bool startProgram(const std::string& program,
                                    const std::vector<std::string>& arguments) override;

    // "Beschreibung|*.a;*.b|..." → the name filters of QFileDialog ("Beschreibung (*.a *.b)").
    [[nodiscard]] static QStringList nameFilters(const std::string& filter);

  private:
    QWidget* parent_;
};

} // namespace pagolux
