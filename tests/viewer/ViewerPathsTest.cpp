#include "viewer/core/ViewerPaths.h"

#include <gtest/gtest.h>

namespace pagolux::viewer_paths {
namespace {

TEST(ViewerPaths, StartPathBecomesMemberKey)
{
    struct Row {
        std::string startPath;
        std::string key;
    };
    const Row rows[] = {
        {"D:\\web\\index.html", "\\web\\index.html"},
        {"/home/u/site/index.html", "\\home\\u\\site\\index.html"},
        {"C:/mixed\\seps/a.htm", "\\mixed\\seps\\a.htm"},
        {"C:index.html", "index.html"},
        {"index.html", "index.html"},
        {"\\\\server\\share\\a.html", "\\\\server\\share\\a.html"},
        // A colon that is no drive belongs to a folder's name (GVFS network mounts).
        {"/run/user/1000/gvfs/smb-share:server=nas,share=docs/site/index.html",
         "\\run\\user\\1000\\gvfs\\smb-share:server=nas,share=docs\\site\\index.html"},
        {"/a:b/c:d.html", "\\a:b\\c:d.html"},
        {"1:\\x.html", "1:\\x.html"},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(keyFromStartPath(row.startPath), row.key) << row.startPath;
}

TEST(ViewerPaths, UrlPathBecomesMemberKeyOrNothing)
{
    struct Row {
        std::string urlPath;
        std::optional<std::string> key;
    };
    const Row rows[] = {
        {"/web/index.html", "\\web\\index.html"},
        {"/a b/ü.html", "\\a b\\ü.html"},
        {"/x/..a/b..", "\\x\\..a\\b.."},
        {"/", "\\"},
        {"web/index.html", std::nullopt},
        {"", std::nullopt},
        {"/web/../etc/passwd", std::nullopt},
        {"/..", std::nullopt},
        {"/web/./index.html", std::nullopt},
        {"/web/..", std::nullopt},
        {"/web\\..\\etc", std::nullopt},
        {"/C:/boot.ini", "\\C:\\boot.ini"},
        {"/smb-share:server=nas,share=docs/site/index.html",
         "\\smb-share:server=nas,share=docs\\site\\index.html"},
        {std::string("/a\0b", 4), std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(keyFromUrlPath(row.urlPath), row.key) << row.urlPath;
}

TEST(ViewerPaths, KeyBecomesUrlPath)
{
    EXPECT_EQ(urlPathFromKey("\\web\\index.html"), "/web/index.html");
    EXPECT_EQ(urlPathFromKey("index.html"), "/index.html");
    EXPECT_EQ(*keyFromUrlPath(urlPathFromKey("\\home\\u\\x.css")), "\\home\\u\\x.css");
}

} // namespace
} // namespace pagolux::viewer_paths
