#include "builder/ProgramStart.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {

std::string findOnPath(std::string_view name, std::string_view pathVariable)
{
    if (name.empty() || name.find('/') != std::string_view::npos)
        return {};
    std::size_t at = 0;
    while (at <= pathVariable.size()) {
        const std::size_t colon = std::min(pathVariable.find(':', at), pathVariable.size());
        std::string folder(pathVariable.substr(at, colon - at));
        at = colon + 1;
        if (folder.empty() || folder.front() != '/')
            continue;
        if (folder.back() != '/')
            folder += '/';
        const std::string candidate = folder + std::string(name);
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

StartPlan planStart(BuildTarget target, const std::string& output, std::string_view pathVariable)
{
    if (target == BuildTarget::Linux)
        return {StartWay::Native, output, {}};
    if (std::string wine = findOnPath("wine", pathVariable); !wine.empty())
        return {StartWay::Wine, std::move(wine), {output}};
    if (std::string opener = findOnPath("xdg-open", pathVariable); !opener.empty())
        return {StartWay::DesktopOpener, std::move(opener), {output}};
    return {};
}

bool startBuiltProgram(UserInteraction& ui, BuildTarget target, const std::string& output,
                       std::string_view pathVariable)
{
    const StartPlan plan = planStart(target, output, pathVariable);
    if (plan.way == StartWay::NotPossible) {
        (void)ui.showMessage(kMsgWindowsProgramHere, kCaptionStart, MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    if (ui.startProgram(plan.program, plan.arguments))
        return true;
    std::string command = plan.program;
    for (const std::string& argument : plan.arguments)
        command += " " + argument;
    (void)ui.showMessage(kMsgStartFailed + command, kCaptionStart, MsgIcon::Error, MsgButtons::Ok);
    return false;
}

} // namespace pagolux
