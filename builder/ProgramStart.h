#pragma once
// Starting the program a build has just written ("Datei nach dem Erstellen ausführen"). A Linux
// output is started as it is. A Windows output cannot run natively here: it is started through
// Wine when `wine` is on PATH, else handed to the desktop's opener (`xdg-open`), which runs
// whatever the desktop has registered for Windows programs. When neither is there, or the
// start itself fails, the user is told so; a failed start is never passed over in silence.

#include "builder/BuildTarget.h"
#include "builder/UserInteraction.h"

#include <string>
#include <string_view>
#include <vector>

namespace pagolux {

inline constexpr char kMsgStartFailed[] = "Die EXE-Datei konnte nicht gestartet werden:\n";
inline constexpr char kMsgWindowsProgramHere[] =
    "Die EXE-Datei ist ein Windows-Programm und kann auf diesem System nicht gestartet werden: "
    "Wine ist nicht installiert, und es gibt kein Programm, das Dateien mit der zuständigen "
    "Anwendung öffnet (xdg-open).\nDie Datei wurde erstellt; starten Sie sie unter Windows.";
inline constexpr char kCaptionStart[] = "Fehler";

enum class StartWay { Native, Wine, DesktopOpener, NotPossible };

struct StartPlan {
    StartWay way = StartWay::NotPossible;
    std::string program;                // absolute path; empty when NotPossible
    std::vector<std::string> arguments; // the output's name for Wine and the opener
};

// The first folder of pathVariable (colon-separated, as $PATH) holding an executable regular
// file `name`, joined with it; empty when there is none. Empty and relative folders are
// skipped, so nothing is run from the current folder.
[[nodiscard]] std::string findOnPath(std::string_view name, std::string_view pathVariable);

// How the output of a build for target is started on this system with this PATH.
[[nodiscard]] StartPlan planStart(BuildTarget target, const std::string& output,
                                  std::string_view pathVariable);

// Starts output by its plan through ui; on failure (no way, or the start refused) shows the
// German reason as an error box. Returns whether the program was started.
bool startBuiltProgram(UserInteraction& ui, BuildTarget target, const std::string& output,
                       std::string_view pathVariable);

} // namespace pagolux
