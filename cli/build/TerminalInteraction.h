#pragma once
// The UserInteraction of pagolux-build: messages are collected and printed, the overwrite
// question is answered from the command line (--yes), nothing is ever started or opened.

#include "builder/UserInteraction.h"

#include <string>
#include <vector>

namespace pagolux {

class TerminalInteraction : public UserInteraction {
  public:
    explicit TerminalInteraction(bool answerYes) : answerYes_(answerYes) {}

    MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon icon,
                          MsgButtons buttons) override;
    void showError(const std::string& text) override { messages_.push_back(text); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void openUrl(const std::string&) override {}
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }

    // Every message shown so far, in order, as one line.
    [[nodiscard]] std::string joined() const;
    [[nodiscard]] const std::vector<std::string>& messages() const { return messages_; }

  private:
    bool answerYes_;
    std::vector<std::string> messages_;
};

} // namespace pagolux
