#include "project/PrefFolders.h"

#include "platform/UserFile.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace pagolux {

std::vector<std::string> PrefFolders::parse(std::string_view bytes)
{
    constexpr char kCr = '\r';
    constexpr char kLf = '\n';
    constexpr char kEof = '\x1a';
    if (const auto stop = bytes.find(kEof); stop != std::string_view::npos)
        bytes = bytes.substr(0, stop);

    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t cr = bytes.find(kCr, pos);
        if (cr == std::string_view::npos) {
            lines.emplace_back(bytes.substr(pos));
            break;
        }
        lines.emplace_back(bytes.substr(pos, cr - pos));
        pos = cr + 1;
        if (pos < bytes.size() && bytes[pos] == kLf)
            ++pos;
    }
    return lines;
}

std::string PrefFolders::serialize(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> PrefFolders::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return {};
    return parse(content.str());
}

bool PrefFolders::save(const std::string& path, const std::vector<std::string>& lines)
{
    try {
        (void)saveUserFile(path, serialize(lines));
        return true;
    } catch (const UserFileError&) {
        return false;
    }
}

void PrefFolders::moveToTop(std::vector<std::string>& lines, const std::string& folder)
{
    for (std::size_t i = lines.size(); i > 0; --i) {
        if (lines[i - 1] == folder) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i - 1));
            break;
        }
    }
    lines.insert(lines.begin(), folder);
}

} // namespace pagolux
