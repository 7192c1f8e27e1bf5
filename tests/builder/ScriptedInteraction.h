#pragma once
// A UserInteraction for tests: records every message box and answers questions from a queue.

#include "builder/UserInteraction.h"

#include <deque>
#include <string>
#include <vector>

namespace pagolux::test {

struct ShownMessage {
    std::string text;
    std::string caption;
    MsgIcon icon;
    MsgButtons buttons;
};

class ScriptedInteraction : public UserInteraction {
  public:
    MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        messages.push_back({text, caption, icon, buttons});
        if (answers.empty())
            return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
        const MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void openUrl(const std::string& url) override { urls.push_back(url); }
    // Records the command (program, then its arguments); succeeds unless startFails.
    bool startProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        std::vector<std::string> command{program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        started.push_back(command);
        return !startFails;
    }

    [[nodiscard]] std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const auto& m : messages)
            t.push_back(m.text);
        return t;
    }

    std::deque<MsgResult> answers;
    std::vector<ShownMessage> messages;
    std::vector<std::string> errors;
    std::vector<std::string> urls;
    std::vector<std::vector<std::string>> started;
    bool startFails = false;
};

} // namespace pagolux::test
