#pragma once
// Reading and writing project files (".pgx").
//
// Layout, all integers 32-bit signed little-endian, text as raw bytes:
//   "EXE-HTML 1.0" | start index | entry count N | N length-prefixed entries |
//   10 element bytes | width | height | defined-size byte | fixed-size byte | name |
//   ["PGXO" | block size | output name | target byte | auto-start byte]
// A file that ends right after the entries is a valid project without settings. The output
// block comes after everything older readers read, so they open such files unchanged; it is
// written only for a project that has an output choice.
//
// Entries in the project's own folder are stored by their file name alone (folder parts
// compared exactly, or with a-z folded to A-Z where the file system ignores case) and joined to the folder
// the file is read from, so a project copied together with its files keeps pointing at them.

#include "project/Project.h"
#include "project/ProjectFileError.h"

#include <string>
#include <string_view>

namespace pagolux {

class ProjectFile {
  public:
    static constexpr std::string_view kMagic = "EXE-HTML 1.0";
    static constexpr std::string_view kDefaultExtension = "pgx";
    static constexpr std::string_view kDialogFilter = "EXE-HTML-Dateien|*.pgx";

    // Reads the project at path. Settings that the file does not hold are taken from
    // current; widths and heights are clamped to 64..1280. Throws ProjectFileError with
    // Kind CannotOpen, NotAProject or Damaged; nothing is returned half-read.
    [[nodiscard]] static Project read(const std::string& path, const BuildSettings& current = {});

    // Writes project to path as saveUserFile does (a write-protected file is refused, links,
    // owner and group are kept, a file in a read-only folder is written in place). Throws
    // ProjectFileError: CannotCreate (nothing was written) or WriteFailed (its text says
    // whether the old file is unchanged).
    static void write(const std::string& path, const Project& project);

    // The same on bytes in memory. projectPath is where the file lives (or will live): its
    // folder part decides the short entry names.
    [[nodiscard]] static Project parse(std::string_view bytes, std::string_view projectPath,
                                       const BuildSettings& current = {});
    [[nodiscard]] static std::string serialize(const Project& project, std::string_view projectPath);

    // How an entry is stored in a project file at projectPath.
    [[nodiscard]] static std::string storedEntry(std::string_view entry, std::string_view projectPath);
    // How a stored entry is read back from a project file at projectPath. A full Windows path
    // (drive or server at its start) is taken as written.
    [[nodiscard]] static std::string loadedEntry(std::string_view stored, std::string_view projectPath);
    // A stored entry that is a full Windows path: a drive ("C:\...") or a server
    // ("\\server\...") at its start.
    [[nodiscard]] static bool isForeignPath(std::string_view stored);
    // Folder parts equal when only the letters a-z are folded to A-Z, where the file system
    // ignores case: on Windows always, elsewhere only when both spellings name one folder.
    [[nodiscard]] static bool sameFolder(std::string_view a, std::string_view b);

    // The user-facing texts of the window's three project-file errors.
    [[nodiscard]] static std::string cannotCreateMessage(std::string_view path);
    [[nodiscard]] static std::string cannotOpenMessage(std::string_view path);
    [[nodiscard]] static std::string notAProjectMessage();
};

} // namespace pagolux
