#pragma once
// How the viewer names archive members: the key an archive lookup takes (folder + name with
// "\" separators, compared without regard to ASCII case), the start file path of the settings
// block, and the path part of member URLs. Qt-free.

#include <optional>
#include <string>
#include <string_view>

namespace pagolux::viewer_paths {

// The member key of the start file path as the project holds it: a leading drive ("D:") is
// dropped, any other colon is part of a name, and "/" counts as "\".
// "D:\web\index.html" -> "\web\index.html"; "/home/u/site/index.html" -> "\home\u\site\index.html";
// "/mnt/a:b/x.html" -> "\mnt\a:b\x.html".
[[nodiscard]] std::string keyFromStartPath(std::string_view startPath);

// The member key for a decoded URL path ("/web/index.html" -> "\web\index.html"). No key for
// anything that could step outside the archive's names or smuggle a separator: a path that does
// not begin with "/", a "." or ".." segment, a backslash or a NUL byte. A colon is an ordinary
// character: member names never hold a drive, so "/C:/x" only names a member "\C:\x".
[[nodiscard]] std::optional<std::string> keyFromUrlPath(std::string_view urlPath);

// The URL path of a member key: "\" becomes "/", and the path begins with "/".
[[nodiscard]] std::string urlPathFromKey(std::string_view key);

} // namespace pagolux::viewer_paths
