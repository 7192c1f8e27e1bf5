#pragma once
// File helpers for the builder tests: a private temporary folder, whole-file reads and writes.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pagolux::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text)
{
    writeFile(path, Bytes(text.begin(), text.end()));
}

inline Bytes bytesOf(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// A fresh folder below the system's temporary folder, removed with the object. Its path ends
// in "/".
class TempDir {
  public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pagolux-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern + "/";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

inline void putLE32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint32_t getLE32(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The stored form of a prototype: every byte increased by 1.
inline Bytes encodeProto(const Bytes& decoded)
{
    Bytes out(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i)
        out[i] = static_cast<std::uint8_t>(decoded[i] + 1);
    return out;
}

} // namespace pagolux::test
