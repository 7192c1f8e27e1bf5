#pragma once
// What a Windows program gets after its assembly and icon patch, before it is moved into
// place: its true-colour icon images, the project's name and the file's name in its version
// information, and a correct image checksum. Everything is written in place into fields the
// viewer reserves, so no byte moves and the archive's offsets stay valid.

#include "icon/TrueColourIcons.h"

#include <string>

namespace pagolux {

struct WindowsIdentity {
    std::string projectName;    // 8-bit, as the project stores it
    std::string outputFileName; // the output's file name without its folder
};

// Writes the identity and, when images is not null, every image whose side the viewer reserves
// into file, then its checksum. Returns false when the file is not such a program or cannot be
// written; the file may then be partly patched (it is a temporary file the caller discards).
bool FinishWindowsProgram(const std::string& file, const WindowsIdentity& identity,
                          const TrueColourIcons* images);

} // namespace pagolux
