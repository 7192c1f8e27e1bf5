#pragma once
// WriteExe: joins the viewer decoded from "ProtoExe.dat", the settings block and a finished
// ZLB archive into one output executable.
//
// The viewer is stored with every byte increased by 1 (mod 256); it is decoded while it is
// copied through a 2048-byte buffer. Its marker "ORVTEXEH" receives the viewer's size N in its
// first four bytes (where the settings block begins) and zero in the four bytes 16 to 19 after
// its start. Every occurrence that starts in the same 2048-byte block as the first one is
// patched, also one that straddles into the next block.

#include "archive/TStream.h"
#include "builder/UserInteraction.h"
#include "format/BuildSettings.h"
#include "format/ExeLayout.h"

#include <cstdint>
#include <string>

namespace pagolux {

// Messages of the assembly.
inline constexpr char kMsgProtoNotOpened[] = "Konnte Datei ProtoExe.dat nicht öffnen!";
inline constexpr char kMsgProtoDamaged[] = "Datei ProtoEXE.dat ist fehlerhaft!";
inline constexpr char kMsgArchiveNotOpened[] = "Konnte ZLB-Datei nicht öffnen!";
inline constexpr char kMsgExeFailed[] = "Datei konnte nicht erstellt werden!";
inline constexpr char kMsgExeCreated[] = "EXE-Datei wurde erfolgreich erstellt!";
inline constexpr char kCaptionExeCreated[] = "EXE-Datei erstellt";

struct ExeWriteResult {
    bool ok = false;             // the output holds viewer, settings block and archive in full
    bool markerFound = false;    // the viewer's marker was found and patched
    std::int64_t viewerSize = 0; // N: the decoded viewer's size = offset of the settings block
    int systemError = 0;         // why writing the output failed (errno), 0 when not known
};

// Writes outputName (created or emptied) from the three parts. Shows the messages for a
// prototype or archive that cannot be opened and for a prototype without a marker (each as an
// information box without caption). A prototype without marker makes the result a failure:
// such an output could never find its pages. The closing message ("Datei konnte nicht erstellt
// werden!" or the success box) is left to the caller, which still has to patch the icon and
// move the file into place. The project name is written by WriteStr; its EInOutError is not
// caught here. Every file opened is closed before returning or throwing.
[[nodiscard]] ExeWriteResult WriteExe(const std::string& protoPath, const std::string& archivePath,
                                      const std::string& outputName, const std::string& startPath,
                                      const BuildSettings& settings, UserInteraction& ui);
// The same with the archive as an open file, read from its start: a scratch archive is read
// through the descriptor it was written through, never opened again by its name (which another
// user could have pointed elsewhere in the meantime). The file stays open.
[[nodiscard]] ExeWriteResult WriteExe(const std::string& protoPath, TFileStream& archive,
                                      const std::string& outputName, const std::string& startPath,
                                      const BuildSettings& settings, UserInteraction& ui);

} // namespace pagolux
