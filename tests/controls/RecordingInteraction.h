#pragma once
// A user interaction that records opened addresses and fails the test on anything else.

#include "builder/UserInteraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagolux::test {

class RecordingInteraction : public UserInteraction {
  public:
    explicit RecordingInteraction(bool strict = true) : strict(strict) {}

    MsgResult showMessage(const std::string& text, const std::string&, MsgIcon, MsgButtons) override
    {
        if (strict)
            ADD_FAILURE() << "unexpected message box: " << text;
        messages.push_back(text);
        return MsgResult::Ok;
    }
    void showError(const std::string& text) override { ADD_FAILURE() << "unexpected error: " << text; }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void openUrl(const std::string& url) override { urls.push_back(url); }
    bool startProgram(const std::string&, const std::vector<std::string>&) override
    {
        ADD_FAILURE() << "no program is started here";
        return false;
    }

    bool strict;
    std::vector<std::string> urls;
    std::vector<std::string> messages;
};

} // namespace pagolux::test
