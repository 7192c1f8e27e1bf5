#include "project/ProjectFile.h"

#include "archive/TStream.h"
#include "format/orvanto.h"
#include "platform/FileNameUtils.h"
#include "platform/UserFile.h"

#include <array>
#include <cstring>
#include <limits>
#include <memory>

namespace pagolux {

namespace {

constexpr std::int64_t kHeaderSize = 20;        // magic, start index, entry count
constexpr std::int64_t kSettingsFixedSize = 24; // elements, width, height, two flags, name length

char foldAsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

ProjectFileError damaged(std::string_view projectPath, const std::string& detail)
{
    return ProjectFileError(ProjectFileError::Kind::Damaged, "Die Projektdatei " +
                                                                 ExtractFileName(projectPath) +
                                                                 " ist beschädigt: " + detail);
}

// Reads the fields of a project file from a stream whose size bounds every count and
// length: nothing is allocated that the remaining bytes could not fill.
class FieldReader {
  public:
    FieldReader(TStream& stream, std::string_view projectPath)
        : stream_(stream), path_(projectPath), size_(stream.Size()), pos_(stream.Position())
    {
    }

    [[nodiscard]] std::int64_t remaining() const { return size_ - pos_; }

    bool tryBytes(void* out, std::int64_t count)
    {
        if (remaining() < count)
            return false;
        auto* dest = static_cast<char*>(out);
        std::int64_t done = 0;
        while (done < count) {
            const std::int64_t n = stream_.Read(dest + done, count - done);
            if (n <= 0)
                return false;
            done += n;
        }
        pos_ += count;
        return true;
    }

    void bytes(void* out, std::int64_t count, const std::string& what)
    {
        if (!tryBytes(out, count))
            throw damaged(path_, what);
    }

    std::int32_t int32(const std::string& what)
    {
        unsigned char b[4];
        bytes(b, 4, what);
        const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                (static_cast<std::uint32_t>(b[2]) << 16) |
                                (static_cast<std::uint32_t>(b[3]) << 24);
        return static_cast<std::int32_t>(u);
    }

    std::uint8_t byte(const std::string& what)
    {
        std::uint8_t b = 0;
        bytes(&b, 1, what);
        return b;
    }

    // ReadStr checks the length against what is left before it allocates anything.
    std::string lengthPrefixed(const std::string& what)
    {
        // Checked here as well, so that no length the file cannot hold gets near ReadStr.
        const std::int32_t length = int32(what);
        if (length < 0 || length > remaining())
            throw damaged(path_, what);
        stream_.Seek(-4, TSeekOrigin::soCurrent);
        pos_ -= 4;
        std::string text;
        try {
            ReadStr(stream_, text);
        } catch (const EInOutError&) {
            throw damaged(path_, what);
        }
        pos_ += 4 + static_cast<std::int64_t>(text.size());
        return text;
    }

  private:
    TStream& stream_;
    std::string_view path_;
    std::int64_t size_;
    std::int64_t pos_;
};

Project parseStream(TStream& stream, std::string_view projectPath, const BuildSettings& current)
{
    FieldReader in(stream, projectPath);

    std::array<char, ProjectFile::kMagic.size()> magic{};
    if (!in.tryBytes(magic.data(), static_cast<std::int64_t>(magic.size())) ||
        std::string_view(magic.data(), magic.size()) != ProjectFile::kMagic)
        throw ProjectFileError(ProjectFileError::Kind::NotAProject, ProjectFile::notAProjectMessage());

    Project project;
    project.settings = current;
    project.startIndex = in.int32("der Dateikopf ist unvollständig.");
    const std::int32_t count = in.int32("der Dateikopf ist unvollständig.");
    // Every entry takes at least its 4-byte length.
    if (count < 0 || static_cast<std::int64_t>(count) * 4 > in.remaining())
        throw damaged(projectPath, "die Zahl der Einträge (" + std::to_string(count) + ") ist ungültig.");

    project.entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string stored =
            in.lengthPrefixed("Eintrag " + std::to_string(i + 1) + " ist unvollständig.");
        project.entries.push_back(ProjectFile::loadedEntry(stored, projectPath));
    }

    if (in.remaining() <= 0)
        return project; // a project without settings: they stay as they were

    if (in.remaining() < kSettingsFixedSize)
        throw damaged(projectPath, "die Einstellungen sind unvollständig.");
    BuildSettings& s = project.settings;
    for (bool& element : s.elements)
        element = in.byte("die Einstellungen sind unvollständig.") != 0;
    s.width = BuildSettings::clampExtent(in.int32("die Einstellungen sind unvollständig."));
    s.height = BuildSettings::clampExtent(in.int32("die Einstellungen sind unvollständig."));
    s.definedSize = in.byte("die Einstellungen sind unvollständig.") != 0;
    s.fixedSize = in.byte("die Einstellungen sind unvollständig.") != 0;
    s.projectName = in.lengthPrefixed("der Projektname ist unvollständig.");
    // Bytes after the name are not part of the format and are ignored.
    return project;
}

void writeInt32(TStream& out, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    const unsigned char b[4] = {
        static_cast<unsigned char>(u & 0xFF), static_cast<unsigned char>((u >> 8) & 0xFF),
        static_cast<unsigned char>((u >> 16) & 0xFF), static_cast<unsigned char>((u >> 24) & 0xFF)};
    out.WriteBuffer(b, 4);
}

void writeByte(TStream& out, bool value)
{
    const unsigned char b = value ? 1 : 0;
    out.WriteBuffer(&b, 1);
}

void writeText(TStream& out, const std::string& text)
{
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ProjectFileError(ProjectFileError::Kind::WriteFailed,
                               "Projekt speichern: ein Text ist zu lang für eine Projektdatei.");
    WriteStr(out, text);
}

} // namespace

bool ProjectFile::sameFolder(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAsciiUpper(a[i]) != foldAsciiUpper(b[i]))
            return false;
    return true;
}

std::string ProjectFile::storedEntry(std::string_view entry, std::string_view projectPath)
{
    std::string name = ExtractFileName(entry);
    // An entry naming the project's folder itself has no file-name part; storing it as an
    // empty text would lose it, so it keeps its full path.
    if (!name.empty() && sameFolder(ExtractFilePath(entry), ExtractFilePath(projectPath)))
        return name;
    return std::string(entry);
}

bool ProjectFile::isForeignPath(std::string_view stored)
{
    // Windows writes full paths with a drive ("C:\web\seite.html") or a server
    // ("\\nas\web\..."); the bare names this program stores practically never start so.
    const bool drive = stored.size() >= 2 && stored[1] == ':' &&
                       ((stored[0] >= 'A' && stored[0] <= 'Z') || (stored[0] >= 'a' && stored[0] <= 'z'));
    return drive || (!stored.empty() && stored[0] == '\\');
}

std::string ProjectFile::loadedEntry(std::string_view stored, std::string_view projectPath)
{
    // A path from another system names no file here: it is kept as written (so that it
    // reads as what it is and saves back unchanged), never joined to the project's folder.
    if (stored.empty() || !ExtractFilePath(stored).empty() || isForeignPath(stored))
        return std::string(stored);
    // A project path without a folder (relative to the working folder) leaves the name
    // relative to the same folder.
    const std::string folder = ExtractFilePath(projectPath);
    if (folder.empty())
        return std::string(stored);
    return IncludeTrailingPathDelimiter(folder) + std::string(stored);
}

Project ProjectFile::parse(std::string_view bytes, std::string_view projectPath, const BuildSettings& current)
{
    TReadOnlyMemoryStream stream(bytes.data(), bytes.size());
    return parseStream(stream, projectPath, current);
}

std::string ProjectFile::serialize(const Project& project, std::string_view projectPath)
{
    TMemoryStream out;
    out.WriteBuffer(kMagic.data(), static_cast<std::int64_t>(kMagic.size()));
    writeInt32(out, project.startIndex);
    if (project.entries.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ProjectFileError(ProjectFileError::Kind::WriteFailed, "Projekt speichern: zu viele Einträge.");
    writeInt32(out, static_cast<std::int32_t>(project.entries.size()));
    for (const std::string& entry : project.entries)
        writeText(out, storedEntry(entry, projectPath));
    const BuildSettings& s = project.settings;
    for (bool element : s.elements)
        writeByte(out, element);
    writeInt32(out, s.width);
    writeInt32(out, s.height);
    writeByte(out, s.definedSize);
    writeByte(out, s.fixedSize);
    writeText(out, s.projectName);
    const auto& bytes = out.Bytes();
    return std::string(bytes.begin(), bytes.end());
}

Project ProjectFile::read(const std::string& path, const BuildSettings& current)
{
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(path, TFileMode::fmOpenRead);
    } catch (const EStreamError&) {
        throw ProjectFileError(ProjectFileError::Kind::CannotOpen, cannotOpenMessage(path));
    }
    try {
        return parseStream(*file, path, current);
    } catch (const EStreamError& e) {
        throw damaged(path, std::string("Lesefehler (") + e.what() + ").");
    }
}

void ProjectFile::write(const std::string& path, const Project& project)
{
    const std::string bytes = serialize(project, path);
    try {
        (void)saveUserFile(path, bytes);
    } catch (const UserFileError& e) {
        // A write-protected file, or one whose folder and file both refuse new bytes.
        if (e.stage() == AtomicWriteError::Stage::Create)
            throw ProjectFileError(ProjectFileError::Kind::CannotCreate, cannotCreateMessage(path));
        const char* reason = WriteErrorText(e.error());
        std::string text =
            "Projekt speichern: Die Datei " + ExtractFileName(path) + " konnte nicht geschrieben werden. " +
            (reason != nullptr ? reason : "Schreibfehler " + std::to_string(e.error()) + ".") + " ";
        if (e.oldFileIntact())
            text += "Die bisherige Datei ist unverändert.";
        else if (!e.backupName().empty())
            text += "Die Datei ist unvollständig; ihr bisheriger Inhalt liegt in " + e.backupName() + ".";
        else
            text += "Die Datei ist unvollständig.";
        throw ProjectFileError(ProjectFileError::Kind::WriteFailed, text);
    }
}

std::string ProjectFile::cannotCreateMessage(std::string_view path)
{
    return "Projekt speichern: Konnte die Datei " + ExtractFileName(path) + " nicht erstellen!";
}

std::string ProjectFile::cannotOpenMessage(std::string_view path)
{
    return "Projekt öffnen: Konnte die Datei " + ExtractFileName(path) + " nicht öffnen!";
}

std::string ProjectFile::notAProjectMessage()
{
    return "Die Datei ist keine gültige \"Pagolux 1.0\"-Datei!";
}

} // namespace pagolux
