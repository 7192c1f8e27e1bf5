#pragma once
// Whole-file reads and writes for tests, as text (std::string) or as bytes, and little-endian
// fields in bytes. A failure throws, so a test cannot go on with bytes it never read or wrote;
// writing creates the folders on the way.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace pagolux::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes readBytes(const std::string& path)
{
    return bytesOf(readFile(path));
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline void writeBytes(const std::string& path, const Bytes& bytes)
{
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

inline std::uint32_t getLE32(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b.at(at)) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
           static_cast<std::uint32_t>(b.at(at + 2)) << 16 | static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

inline void putLE32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

// The names in a folder, in the order the file system lists them.
inline std::vector<std::string> folderEntries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

} // namespace pagolux::test
