#pragma once
// The one place that knows how a path splits into folder part and file-name part.
// On POSIX the separator is "/"; Windows builds keep the original rule (last "\" or ":").

#include <string>
#include <string_view>

namespace pagolux {

#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
inline bool isPathDelimiter(char c)
{
    return c == '\\' || c == ':';
}
#else
inline constexpr char kPathDelim = '/';
inline bool isPathDelimiter(char c)
{
    return c == '/';
}
#endif

// Index of the last separator, or npos.
inline std::size_t lastDelimiter(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (isPathDelimiter(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

// Folder part including its trailing separator ("" when the path has none).
inline std::string ExtractFilePath(std::string_view path)
{
    const auto pos = lastDelimiter(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

// File-name part after the last separator.
inline std::string ExtractFileName(std::string_view path)
{
    const auto pos = lastDelimiter(path);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

inline std::string IncludeTrailingPathDelimiter(std::string path)
{
    if (path.empty() || path.back() != kPathDelim)
        path += kPathDelim;
    return path;
}

} // namespace pagolux
