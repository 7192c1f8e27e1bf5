// Feeds arbitrary bytes to the favourite-folders reader. The lines hold no CR and nothing of or
// after a Ctrl-Z, are no longer together than the input, and read back equal after writing;
// moving a folder to the top leaves it first, once more or once less than before at most.

#include "project/PrefFolders.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = PrefFolders::parse(bytes);
    std::size_t total = 0;
    for (const std::string& line : lines) {
        if (line.find('\r') != std::string::npos || line.find('\x1a') != std::string::npos)
            std::abort();
        total += line.size();
    }
    if (total > size)
        std::abort();
    if (PrefFolders::parse(PrefFolders::serialize(lines)) != lines)
        std::abort();

    // The first line (or an empty folder) goes to the top again.
    const std::string folder = lines.empty() ? std::string() : lines.back();
    const auto before = std::count(lines.begin(), lines.end(), folder);
    const std::size_t sizeBefore = lines.size();
    PrefFolders::moveToTop(lines, folder);
    if (lines.empty() || lines.front() != folder)
        std::abort();
    if (std::count(lines.begin(), lines.end(), folder) != std::max<std::ptrdiff_t>(before, 1))
        std::abort();
    if (lines.size() != (before > 0 ? sizeBefore : sizeBefore + 1))
        std::abort();
    return 0;
}
