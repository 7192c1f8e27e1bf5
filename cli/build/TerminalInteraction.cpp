#include "cli/build/TerminalInteraction.h"

namespace pagolux {

MsgResult TerminalInteraction::showMessage(const std::string& text, const std::string&, MsgIcon,
                                           MsgButtons buttons)
{
    if (buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel) {
        messages_.push_back(text);
        return MsgResult::Ok;
    }
    if (answerYes_)
        return MsgResult::Yes;
    messages_.push_back(text + " Nein (mit --yes wird überschrieben).");
    return MsgResult::No;
}

std::string TerminalInteraction::joined() const
{
    std::string line;
    for (const auto& m : messages_) {
        if (!line.empty())
            line += ' ';
        for (const char c : m)
            line += c == '\n' ? ' ' : c;
    }
    return line;
}

} // namespace pagolux
