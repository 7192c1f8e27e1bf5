#pragma once
// A scripted user for tests: records every message box, error, dialog, address and program
// start, and answers from queues the test fills. A question (a box with more than an OK button)
// that finds its queue empty gets the answer the test named at construction, so every test says
// what an unexpected question gets; a box with only an OK button is answered OK. An answer the
// box has no button for fails the test. An empty file queue cancels the dialog.

#include "builder/UserInteraction.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
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
    explicit ScriptedInteraction(MsgResult whenEmpty) : whenEmpty(whenEmpty) {}

    // An interaction for a window to own that passes every call on to this one: the test keeps
    // this object, so what it recorded outlives the window.
    [[nodiscard]] std::unique_ptr<UserInteraction> forWindow();

    MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        messages.push_back({text, caption, icon, buttons});
        if (buttons == MsgButtons::Ok)
            return MsgResult::Ok;
        MsgResult answer = whenEmpty;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        EXPECT_TRUE(hasButton(buttons, answer)) << "the box has no button for the answer: " << text;
        return answer;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return take(openFiles);
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return take(saveFiles);
    }
    void openUrl(const std::string& url) override { urls.push_back(url); }
    // Records the command (program, then its arguments); succeeds unless startFails.
    bool startProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        std::vector<std::string> command{program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        started.push_back(command);
        return !startFails;
    }

    // The texts of the message boxes shown so far.
    [[nodiscard]] std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const auto& m : messages)
            t.push_back(m.text);
        return t;
    }

    // The script.
    MsgResult whenEmpty;
    std::deque<MsgResult> answers;
    std::deque<std::optional<std::string>> openFiles;
    std::deque<std::optional<std::string>> saveFiles;
    bool startFails = false;
    // The record.
    std::vector<ShownMessage> messages;
    std::vector<std::string> errors;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<std::string> urls;
    std::vector<std::vector<std::string>> started; // program, then its arguments

  private:
    static bool hasButton(MsgButtons buttons, MsgResult answer)
    {
        switch (buttons) {
        case MsgButtons::Ok:
            return answer == MsgResult::Ok;
        case MsgButtons::OkCancel:
            return answer == MsgResult::Ok || answer == MsgResult::Cancel;
        case MsgButtons::YesNo:
            return answer == MsgResult::Yes || answer == MsgResult::No;
        case MsgButtons::YesNoCancel:
            return answer == MsgResult::Yes || answer == MsgResult::No || answer == MsgResult::Cancel;
        }
        return false;
    }
    static std::optional<std::string> take(std::deque<std::optional<std::string>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        auto value = queue.front();
        queue.pop_front();
        return value;
    }
};

namespace detail {
class ForwardingInteraction : public UserInteraction {
  public:
    explicit ForwardingInteraction(UserInteraction& target) : target_(target) {}
    MsgResult showMessage(const std::string& text, const std::string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        return target_.showMessage(text, caption, icon, buttons);
    }
    void showError(const std::string& text) override { target_.showError(text); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override
    {
        return target_.chooseOpenFile(request);
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override
    {
        return target_.chooseSaveFile(request);
    }
    void openUrl(const std::string& url) override { target_.openUrl(url); }
    bool startProgram(const std::string& program, const std::vector<std::string>& arguments) override
    {
        return target_.startProgram(program, arguments);
    }

  private:
    UserInteraction& target_;
};
} // namespace detail

inline std::unique_ptr<UserInteraction> ScriptedInteraction::forWindow()
{
    return std::make_unique<detail::ForwardingInteraction>(*this);
}

} // namespace pagolux::test
