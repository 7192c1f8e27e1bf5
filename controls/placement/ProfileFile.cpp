#include "controls/placement/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"

#include <fstream>
#include <iterator>

namespace pagolux {

namespace {

constexpr std::size_t npos = std::string::npos;

std::string_view trim(std::string_view s)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

// The section name of a header line, or nullopt when the line is no header.
std::optional<std::string_view> headerName(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trim(close == npos ? line : line.substr(0, close));
}

std::string oneLine(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path))
{
    std::ifstream in(path_, std::ios::binary);
    if (in)
        setText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

void ProfileFile::setText(std::string_view text)
{
    lines_.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end == npos ? npos : end - pos);
        // Every CR before the line end belongs to the line end: a file written back reads
        // the same again, instead of losing one of several CRs at each save.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        if (end == npos)
            break;
        pos = end + 1;
    }
}

std::string ProfileFile::text() const
{
    std::string out;
    for (const std::string& line : lines_) {
        out += line;
        out += '\n';
    }
    return out;
}

std::size_t ProfileFile::findSection(std::string_view section) const
{
    const std::string_view wanted = trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (auto name = headerName(lines_[i]); name && equalsNoCase(*name, wanted))
            return i;
    return npos;
}

std::size_t ProfileFile::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < lines_.size() && !headerName(lines_[i]))
        ++i;
    return i;
}

std::size_t ProfileFile::findKey(std::size_t header, std::string_view key) const
{
    const std::string_view wanted = trim(key);
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const std::string_view line = lines_[i];
        const auto eq = line.find('=');
        if (eq == npos)
            continue;
        const std::string_view name = trim(line.substr(0, eq));
        if (!name.empty() && name.front() == ';')
            continue;
        if (equalsNoCase(name, wanted))
            return i;
    }
    return npos;
}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const
{
    const std::size_t header = findSection(section);
    if (header == npos)
        return std::nullopt;
    const std::size_t line = findKey(header, key);
    if (line == npos)
        return std::nullopt;
    const std::string_view text = lines_[line];
    std::string_view value = trim(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    if (value.size() > kValueBufferSize - 1)
        value = value.substr(0, kValueBufferSize - 1);
    return std::string(value);
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const
{
    if (auto value = find(section, key))
        return *value;
    return std::string(fallback);
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string newLine = oneLine(trim(key)) + "=" + oneLine(value);
    std::size_t header = findSection(section);
    if (header == npos) {
        lines_.push_back("[" + oneLine(trim(section)) + "]");
        lines_.push_back(newLine);
        modified_ = true;
        return;
    }
    if (const std::size_t line = findKey(header, key); line != npos) {
        // Keep the key's spelling as it stands in the file.
        const std::string_view old = lines_[line];
        const std::string replaced = std::string(old.substr(0, old.find('=') + 1)) + oneLine(value);
        if (replaced != lines_[line]) {
            lines_[line] = replaced;
            modified_ = true;
        }
        return;
    }
    // After the section's last non-empty line, so blank separator lines stay below it.
    std::size_t insertAt = sectionEnd(header);
    while (insertAt > header + 1 && trim(lines_[insertAt - 1]).empty())
        --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    modified_ = true;
}

bool ProfileFile::save()
{
    if (!modified_)
        return true;
    const std::string folder = ExtractFilePath(path_);
    if (!folder.empty() && !EnsureFolder(folder))
        return false;
    try {
        writeFileAtomically(path_, text());
    } catch (const AtomicWriteError&) {
        return false;
    }
    modified_ = false;
    return true;
}

std::string ProfileFile::defaultPath(const std::string& configFolder, std::string_view executablePath)
{
    std::string base = ExtractFileName(executablePath);
    if (const auto dot = base.rfind('.'); dot != npos && dot > 0)
        base.erase(dot);
    return IncludeTrailingPathDelimiter(configFolder) + base + ".INI";
}

} // namespace pagolux
