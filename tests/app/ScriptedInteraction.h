#pragma once
// A scripted stand-in for the window's message boxes and dialogs: it records every request
// and answers from queues the test fills (an empty queue answers like a user pressing OK or
// cancelling a dialog).

#include "builder/UserInteraction.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pagolux::test {

struct RecordedMessage {
    std::string text;
    std::string caption;
    MsgIcon icon;
    MsgButtons buttons;
};

struct Script {
    std::deque<MsgResult> answers;
    std::deque<std::optional<std::string>> openFiles;
    std::deque<std::optional<std::string>> saveFiles;
    std::vector<RecordedMessage> messages;
    std::vector<std::string> errors;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<std::string> urls;
    std::vector<std::vector<std::string>> programs; // program, then its arguments
};

class ScriptedInteraction : public UserInteraction {
  public:
    // The script outlives the interaction (the window owns the interaction).
    explicit ScriptedInteraction(Script& script) : script_(script) {}

    MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        script_.messages.push_back({text, caption, icon, buttons});
        if (script_.answers.empty())
            return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes
                                                                                      : MsgResult::Ok;
        const MsgResult answer = script_.answers.front();
        script_.answers.pop_front();
        return answer;
    }
    void showError(const std::string& text) override { script_.errors.push_back(text); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override
    {
        script_.openRequests.push_back(request);
        return take(script_.openFiles);
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override
    {
        script_.saveRequests.push_back(request);
        return take(script_.saveFiles);
    }
    void openUrl(const std::string& url) override { script_.urls.push_back(url); }
    bool startProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        std::vector<std::string> command{program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        script_.programs.push_back(command);
        return true;
    }

  private:
    static std::optional<std::string> take(std::deque<std::optional<std::string>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        auto value = queue.front();
        queue.pop_front();
        return value;
    }
    Script& script_;
};

} // namespace pagolux::test
