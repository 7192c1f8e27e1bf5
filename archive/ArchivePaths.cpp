#include "archive/ArchivePaths_p.h"

#include "archive/TStream.h"
#include "platform/FileNameUtils.h"

#include <sys/stat.h>

namespace pagolux::archive_detail {

std::string formatMessage(const char* pattern, const std::string& value)
{
    std::string text = pattern;
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

std::string asciiLower(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string toArchiveSeparators(std::string s)
{
#ifndef _WIN32
    for (auto& c : s)
        if (c == '/')
            c = '\\';
#endif
    return s;
}

namespace {

#ifdef _WIN32
std::string dropThroughFirstColon(std::string s)
{
    const auto colon = s.find(':');
    return colon == std::string::npos ? s : s.substr(colon + 1);
}
#else
// POSIX paths have no drive names, and a colon is an ordinary character there.
std::string dropThroughFirstColon(std::string s)
{
    return s;
}
#endif

} // namespace

std::string storedFilePath(const std::string& sourcePath, bool savePaths)
{
    if (!savePaths)
        return {};
    return dropThroughFirstColon(toArchiveSeparators(ExtractFilePath(sourcePath)));
}

std::string storedFileName(const std::string& sourcePath)
{
    return ExtractFileName(sourcePath);
}

std::string lookupKey(const std::string& name, bool savePaths)
{
    const std::string n = toArchiveSeparators(name);
    // Folder part: through the last "\" or ":" (the archive's own rule).
    const auto pos = n.find_last_of("\\:");
    std::string folder = pos == std::string::npos ? std::string() : n.substr(0, pos + 1);
    const std::string file = pos == std::string::npos ? n : n.substr(pos + 1);
    if (savePaths)
        folder = dropThroughFirstColon(folder);
    return folder + file;
}

namespace {

// Characters a stored folder segment or file name may not hold when it becomes a name on this
// system: the separators and, on Windows, the drive and stream colon. On POSIX "\" and ":"
// are ordinary characters of a name, and the writer stores such names as they are.
#ifdef _WIN32
const std::string kBadInSegment(":/\0", 3);
const std::string kBadInName("\\/:\0", 4);
#else
const std::string kBadInSegment("/\0", 2);
const std::string kBadInName("/\0", 2);
#endif

} // namespace

bool safeFolderSegments(const std::string& filePath, std::vector<std::string>& segments)
{
    segments.clear();
    std::size_t begin = 0;
    const std::size_t n = filePath.size();
    while (begin <= n) {
        auto end = filePath.find('\\', begin);
        if (end == std::string::npos)
            end = n;
        const std::string seg = filePath.substr(begin, end - begin);
        const bool first = begin == 0;
        const bool last = end == n;
        if (seg.empty()) {
            // Only the leading "\\" (root) and the end after the trailing "\\" may be empty.
            if (!first && !last)
                return false;
        } else {
            if (seg == "." || seg == ".." || seg.find_first_of(kBadInSegment) != std::string::npos)
                return false;
            segments.push_back(seg);
        }
        begin = end + 1;
    }
    return true;
}

bool safeFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(kBadInName) == std::string::npos;
}

bool statFolder(const std::string& path, FolderId& id)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

std::int64_t regularFileSize(const std::string& path, FolderId* id)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    if (id)
        *id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    if (!S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool sameFile(const FolderId& a, const FolderId& b)
{
    return a.dev == b.dev && a.ino == b.ino;
}

} // namespace pagolux::archive_detail
