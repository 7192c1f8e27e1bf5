// Feeds arbitrary URL paths (as the viewer receives them, already decoded) to the mapping from
// URL to member key. A key, when one comes out, never steps outside the archive's names: it
// begins with "\", holds no NUL, no "/", no "." or ".." segment, and maps back to the same
// path. The start-path and MIME mappings must take any bytes. The site's address space, asked
// for the same bytes as an encoded path, answers only with members it holds, and its redirects
// and site paths stay inside the site.

#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPaths.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux::viewer_paths;
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    (void)keyFromStartPath(path);
    (void)pagolux::viewer::mimeTypeFor(path);

    static const std::vector<std::string> kKeys = {"\\w\\site\\index.html", "\\w\\site\\a\\index.htm",
                                                   "\\w\\site\\Foto.html", "\\w\\shared\\x.css",
                                                   "\\w\\site\\404.html"};
    static const pagolux::viewer::SiteAddressSpace site(kKeys, kKeys[0]);
    const pagolux::viewer::SiteAnswer answer = site.resolve(path);
    if (!answer.member.empty() && std::find(kKeys.begin(), kKeys.end(), answer.member) == kKeys.end())
        std::abort();
    if (answer.sitePath.empty() || answer.sitePath.front() != '/' ||
        answer.sitePath.find("/../") != std::string::npos)
        std::abort();
    if (answer.status == 301 &&
        (answer.location.empty() || answer.location.front() != '/' || answer.location.back() != '/'))
        std::abort();

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
