#pragma once
// A profile (INI) file with the reading and writing rules of the classic private-profile
// functions: "[section]" header lines and "key=value" lines; section and key names compared
// without regard to ASCII case and trimmed of blanks; a value read back trimmed and with one
// enclosing pair of matching quotes removed, cut to 2047 bytes. Writing a key replaces its
// line in place or adds it at the end of its section (a missing section is added at the end
// of the file); every other line (other sections, keys, comments) is kept as it was.
//
// The file is read once when the object is made and written back by save(), in one piece
// through a temporary file in the same folder. Qt-free.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagolux {

class ProfileFile {
  public:
    // The value buffer of a read: longer values are cut to one byte less.
    static constexpr std::size_t kValueBufferSize = 2048;

    // Reads path if it exists; a missing or unreadable file is an empty profile.
    explicit ProfileFile(std::string path);

    [[nodiscard]] const std::string& path() const { return path_; }

    // The value of key in section, or fallback when section or key is missing.
    [[nodiscard]] std::string readString(std::string_view section, std::string_view key,
                                         std::string_view fallback) const;
    [[nodiscard]] std::optional<std::string> find(std::string_view section, std::string_view key) const;
    // Sets key in section to value (line breaks in value become blanks, as a value is one line).
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    [[nodiscard]] bool modified() const { return modified_; }
    // The file text as save() would write it.
    [[nodiscard]] std::string text() const;
    // Writes the file if anything changed, creating its folder when missing. Returns false
    // when that fails; the file on disk is then unchanged.
    [[nodiscard]] bool save();

    // Parses profile text (tests and callers that hold the text already).
    void setText(std::string_view text);

    // The profile path for an executable: configFolder + base name without extension + ".INI".
    [[nodiscard]] static std::string defaultPath(const std::string& configFolder,
                                                 std::string_view executablePath);

  private:
    struct Line {
        std::string text;
    };
    // Index range [header, end) of the section's lines, header == npos when missing.
    [[nodiscard]] std::size_t findSection(std::string_view section) const;
    [[nodiscard]] std::size_t sectionEnd(std::size_t header) const;
    [[nodiscard]] std::size_t findKey(std::size_t header, std::string_view key) const;

    std::string path_;
    std::vector<std::string> lines_;
    bool modified_ = false;
};

} // namespace pagolux
