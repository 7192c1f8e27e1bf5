#pragma once
// The build behind "Go!": checks, the overwrite question, packing the entries into a temporary
// ZLB archive, assembling the output executable, patching its icon, cleaning up and starting
// the result. Qt-free: the window and the command-line builder drive it through a
// UserInteraction and a few hooks.
//
// The output is assembled in a temporary file in the output's folder and renamed over the
// output name only when it is complete and icon-patched, so a failed build never leaves an
// empty or half-written file where the user's executable was. The temporary archive is
// removed on every path, an escaping error included.

#include "builder/BuildTarget.h"
#include "builder/UserInteraction.h"
#include "format/BuildSettings.h"
#include "icon/IconBitmap.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pagolux {

inline constexpr char kMsgNoStartFile[] = "Sie müssen zunächst eine Startdatei auswählen!";
// The chosen start file cannot be read (it is gone, or a path of another system); its name
// follows. A program without its start page would be of no use, so nothing is built.
inline constexpr char kMsgStartFileMissing[] = "Die Startdatei fehlt oder kann nicht gelesen werden: ";
inline constexpr char kMsgNoOutputName[] = "Sie müssen einen Namen für die Exe-Datei festlegen!";
inline constexpr char kMsgOverwrite[] =
    "Die EXE-Datei existiert bereits! Wollen Sie die Datei überschreiben?";
inline constexpr char kCaptionOverwrite[] = "Datei überschreiben?";
inline constexpr char kMsgNotPacked[] = "Nicht alle Dateien konnten wie vorgesehen gepackt werden:";
inline constexpr char kCaptionNotPacked[] = "Warnung";
// The files could not be packed because the archive could not be written; the reason follows.
inline constexpr char kMsgPackFailed[] = "Die Dateien konnten nicht gepackt werden: ";

// The German reason for a failure to write a file, by the errno value the system reported.
std::string WriteFailureReason(int systemError);

struct BuildRequest {
    std::vector<std::string> entries; // the project's entries in list order (full paths)
    int startIndex = -1;              // the selected start-file line, -1 for none
    std::string outputField;          // the output name as typed in its field
    BuildSettings settings;
    bool autoStart = false;                  // start the result after a successful build
    BuildTarget target = BuildTarget::Linux; // the system the output runs on (how it is started)
    std::string progPath;                    // folder of "ProtoExe.dat" / "iconcomp.dat", ending in "/"
    const IconBitmap* icon = nullptr;        // null: the output keeps the viewer's own icon
};

struct BuildHooks {
    std::function<void(std::int32_t percent)> progress; // packing progress
    std::function<void()> updateListBox;                // rebuild the project lists after packing
};

enum class BuildStatus { NoStartFile, NoOutputName, Declined, Failed, Succeeded };

struct BuildOutcome {
    BuildStatus status = BuildStatus::Failed;
    std::string outputName;             // the name the output was (to be) written under
    std::string tempArchive;            // the temporary archive used (already removed)
    std::vector<std::string> notPacked; // notices of members the archive could not take
    bool started = false;               // the result was started after the build
};

class BuildPipeline {
  public:
    explicit BuildPipeline(UserInteraction& ui) : ui_(ui) {}

    // Runs one build. iconPos is searched first while it is 0 (and kept by the caller).
    // Errors of the archive writer and of WriteStr propagate after the temporary files have
    // been removed; every other outcome is reported to the user and returned.
    BuildOutcome run(const BuildRequest& request, std::int32_t& iconPos, const BuildHooks& hooks = {});

    // The output name from its field: a quoted name loses its quotes and whatever follows;
    // otherwise the text without surrounding blanks (paths with blanks are common). The text
    // as typed wins when a file of exactly that name exists.
    [[nodiscard]] static std::string ReadOutputName(const std::string& fieldText);

  private:
    UserInteraction& ui_;
};

} // namespace pagolux
