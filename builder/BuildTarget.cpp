#include "builder/BuildTarget.h"

#include <algorithm>

namespace pagolux {
namespace {

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && lower(s.substr(s.size() - suffix.size())) == suffix;
}

} // namespace

std::optional<BuildTarget> parseBuildTarget(std::string_view name)
{
    const std::string n = lower(name);
    if (n == "linux")
        return BuildTarget::Linux;
    if (n == "windows")
        return BuildTarget::Windows;
    return std::nullopt;
}

const char* buildTargetName(BuildTarget target)
{
    return target == BuildTarget::Windows ? "windows" : "linux";
}

BuildTarget defaultBuildTarget(std::string_view outputName)
{
    return endsWithNoCase(outputName, ".exe") ? BuildTarget::Windows : BuildTarget::Linux;
}

std::string protoFolder(const std::string& programFolder, BuildTarget target)
{
    return target == BuildTarget::Windows ? programFolder + "windows/" : programFolder;
}

const char* defaultOutputFileName(BuildTarget target)
{
    return target == BuildTarget::Windows ? "ziel.exe" : "ziel";
}

std::string outputNameForTarget(const std::string& outputName, BuildTarget target)
{
    const auto slash = outputName.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : outputName.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? outputName : outputName.substr(slash + 1);
    if (name != "ziel" && name != "ziel.exe")
        return outputName;
    return folder + defaultOutputFileName(target);
}

} // namespace pagolux
