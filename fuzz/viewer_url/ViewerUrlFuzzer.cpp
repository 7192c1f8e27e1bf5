// Feeds arbitrary URL paths (as the viewer receives them, already decoded) to the mapping from
// URL to member key. A key, when one comes out, never steps outside the archive's names: it
// begins with "\", holds no NUL, no "/", no "." or ".." segment, and maps back to the same
// path. The start-path and MIME mappings must take any bytes.

#include "viewer/core/ViewerPaths.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux::viewer_paths;
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    (void)keyFromStartPath(path);
    (void)mimeTypeFor(path);
    const auto key = keyFromUrlPath(path);
    if (!key)
        return 0;
    if (key->empty() || key->front() != '\\' || key->find('/') != std::string::npos ||
        key->find('\0') != std::string::npos)
        std::abort();
    const std::string wrapped = *key + "\\";
    for (const char* step : {"\\.\\", "\\..\\"})
        if (wrapped.find(step) != std::string::npos)
            std::abort();
    if (urlPathFromKey(*key) != path)
        std::abort();
    return 0;
}
