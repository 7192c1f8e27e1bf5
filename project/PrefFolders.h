#pragma once
// The favourite folders: the folders files were last added from, most recent first, kept in
// the text file "folders.dat" (one folder per line, each line ended by CR LF).

#include <string>
#include <string_view>
#include <vector>

namespace pagolux {

class PrefFolders {
  public:
    static constexpr std::string_view kFileName = "folders.dat";

    // Splits the file's bytes into lines: a line ends at CR, and one LF right after that CR
    // belongs to the line end; a LF without CR is part of the text; byte 26 (Ctrl-Z) ends the
    // file; empty lines are kept.
    [[nodiscard]] static std::vector<std::string> parse(std::string_view bytes);
    // Every line followed by CR LF.
    [[nodiscard]] static std::string serialize(const std::vector<std::string>& lines);

    // The lines of the file at path; empty when it is missing or unreadable.
    [[nodiscard]] static std::vector<std::string> load(const std::string& path);
    // Saves the file at path as saveUserFile does; returns false when that fails (a
    // write-protected file among the reasons).
    [[nodiscard]] static bool save(const std::string& path, const std::vector<std::string>& lines);

    // Moves folder to the top: the last line equal to it (byte for byte) is removed, then
    // folder is inserted as the first line.
    static void moveToTop(std::vector<std::string>& lines, const std::string& folder);
};

} // namespace pagolux
