#pragma once
// The system a build is for. Each target has its own prototype viewer: the Linux one's
// "ProtoExe.dat" and "iconcomp.dat" lie in the program folder, the Windows one's in its
// sub-folder "windows/". The archive, settings block and icon patch are the same for both.

#include "project/Project.h"

#include <optional>
#include <string>
#include <string_view>

namespace pagolux {

// "linux" or "windows" (ASCII case ignored); nothing for any other name.
[[nodiscard]] std::optional<BuildTarget> parseBuildTarget(std::string_view name);
[[nodiscard]] const char* buildTargetName(BuildTarget target);

// Windows when the output's name ends in ".exe" (any case), else Linux.
[[nodiscard]] BuildTarget defaultBuildTarget(std::string_view outputName);

// The folder holding the target's "ProtoExe.dat" and "iconcomp.dat"; programFolder ends in
// the separator, so does the result.
[[nodiscard]] std::string protoFolder(const std::string& programFolder, BuildTarget target);

// The default output file name of a build for target: "ziel" or "ziel.exe".
[[nodiscard]] const char* defaultOutputFileName(BuildTarget target);

// outputName with the default name's extension made to fit target: a name that is one of the
// defaults ("ziel" or "ziel.exe" in the same folder) becomes the other target's default; every
// other name stays as the user typed it.
[[nodiscard]] std::string outputNameForTarget(const std::string& outputName, BuildTarget target);

} // namespace pagolux
