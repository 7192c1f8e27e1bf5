// The Windows viewer's URL logic, which runs the same on Linux: which member a URL names,
// member URLs, relative references and the 404 answer.

#include "viewer/windows/ProtocolRequest.h"
#include "archive/TStream.h"
#include "tests/viewer/windows/MapMemberSource.h"
#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace pagolux::win_protocol {
namespace {

TEST(ProtocolRequest, KeyFromUrl)
{
    struct Row {
        const char* url;
        std::optional<std::string> key;
    };
    const Row rows[] = {
        {"pagolux://site/index.html", "\\index.html"},
        {"PAGOLUX://SITE/web/a.html", "\\web\\a.html"},
        {"pagolux://site/web/a.html?x=1#top", "\\web\\a.html"},
        {"pagolux://site/mein%20bild.png", "\\mein bild.png"},
        {"pagolux://site/%C3%BCber.html", "\\\xC3\xBC"
                                          "ber.html"},
        {"pagolux://site/../etc/passwd", std::nullopt},
        {"pagolux://site/a/%2e%2e/b", std::nullopt},
        {"pagolux://site/a/%2E/b", std::nullopt},
        {"pagolux://site/a%5cb", std::nullopt},
        {"pagolux://site/a%00.html", std::nullopt},
        // A colon is only part of a member name; it never reaches a drive.
        {"pagolux://site/C:%2fx", "\\C:\\x"},
        {"pagolux://site/bad%zz", std::nullopt},
        {"pagolux://site/cut%4", std::nullopt},
        {"pagolux://other/index.html", std::nullopt},
        {"http://site/index.html", std::nullopt},
        {"pagolux:index.html", std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(keyFromUrl(r.url), r.key) << r.url;
}

TEST(ProtocolRequest, UrlForPathRoundTrips)
{
    const std::map<std::string, std::string> rows = {
        {"/index.html", "pagolux://site/index.html"},
        {"/web/mein bild.png", "pagolux://site/web/mein%20bild.png"},
        {"/a#b?c%d.html", "pagolux://site/a%23b%3Fc%25d.html"},
        {"/\xC3\xBC"
         "ber.html",
         "pagolux://site/%C3%BCber.html"},
    };
    for (const auto& [path, url] : rows) {
        EXPECT_EQ(urlForPath(path), url) << path;
        std::string key = path;
        std::replace(key.begin(), key.end(), '/', '\\');
        EXPECT_EQ(keyFromUrl(url), key) << url;
    }
}

TEST(ProtocolRequest, CombineUrl)
{
    const std::string base = "pagolux://site/web/pages/a.html?q#f";
    const std::map<std::string, std::string> rows = {
        {"b.html", "pagolux://site/web/pages/b.html"},
        {"../css/s.css", "pagolux://site/web/css/s.css"},
        {"../../../../x.html", "pagolux://site/x.html"},
        {"./img/./p.png", "pagolux://site/web/pages/img/p.png"},
        {"/top.html", "pagolux://site/top.html"},
        {"?other", "pagolux://site/web/pages/a.html?other"},
        {"#part", "pagolux://site/web/pages/a.html?q#part"},
        {"", "pagolux://site/web/pages/a.html?q"},
        {"sub/", "pagolux://site/web/pages/sub/"},
        {"..", "pagolux://site/web/"},
        {"https://example.org/x", "https://example.org/x"},
        {"//site/z.html", "pagolux://site/z.html"},
    };
    for (const auto& [ref, expected] : rows)
        EXPECT_EQ(combineUrl(base, ref), expected) << ref;
    EXPECT_EQ(combineUrl("not a url", "b.html"), std::nullopt);
}

TEST(ProtocolRequest, RespondFollowsTheSiteAddressRules)
{
    test::MapMemberSource source;
    source.members["\\home\\u\\site\\index.html"] = "<title>Start</title>";
    source.members["\\home\\u\\site\\web\\a.css"] = "body{}";
    source.members["\\home\\u\\site\\web\\x.bin"] = std::string("\0\1\2", 3);
    source.members["\\home\\u\\site\\about\\index.html"] = "<title>Über</title>";
    source.members["\\home\\u\\shared\\s.css"] = "p{}";
    std::vector<std::string> keys;
    for (const auto& [key, bytes] : source.members)
        keys.push_back(key);
    viewer::SiteAddressSpace site(keys, "\\home\\u\\site\\index.html");

    struct Row {
        const char* url;
        int status;
        std::string mimeType;
        std::string body; // the start of it
        std::string location;
    };
    const Row rows[] = {
        {"pagolux://site/index.html", 200, "text/html", "<title>Start</title>", ""},
        {"pagolux://site/web/a.css?v=2", 200, "text/css", "body{}", ""},
        {"pagolux://site/web/x.bin", 200, "application/octet-stream", std::string("\0\1\2", 3), ""},
        {"pagolux://site/about/", 200, "text/html", "<title>Über</title>", ""},
        {"pagolux://site/about", 200, "text/html", "<title>Über</title>", "pagolux://site/about/"},
        {"pagolux://site/shared/s.css", 200, "text/css", "p{}", ""},
        {"pagolux://site/web/none.html", 404, "text/html", "<!DOCTYPE html>", ""},
        {"pagolux://site/home/u/site/index.html", 404, "text/html", "<!DOCTYPE html>", ""},
        {"pagolux://elsewhere/web/a.css", 404, "text/html", "<!DOCTYPE html>", ""},
    };
    for (const auto& row : rows) {
        const Response r = respond(source, site, row.url);
        EXPECT_EQ(r.status, row.status) << row.url;
        EXPECT_EQ(r.mimeType, row.mimeType) << row.url;
        EXPECT_EQ(r.body.substr(0, row.body.size()), row.body) << row.url;
        EXPECT_EQ(r.location, row.location) << row.url;
    }
    // The name shown is escaped, so a crafted URL cannot put markup into the page, and it is
    // the site path, never the author's folder.
    const Response r = respond(source, site, "pagolux://site/%3Cscript%3E.html");
    EXPECT_NE(r.body.find("/&lt;script&gt;.html"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<script>"), std::string::npos);
    EXPECT_EQ(r.body.find("home"), std::string::npos);

    // The site's own 404 page, with status 404.
    source.members["\\home\\u\\site\\404.html"] = "<title>Eigene 404</title>";
    keys.push_back("\\home\\u\\site\\404.html");
    const viewer::SiteAddressSpace withOwn(keys, "\\home\\u\\site\\index.html");
    const Response own = respond(source, withOwn, "pagolux://site/nope/");
    EXPECT_EQ(own.status, 404);
    EXPECT_EQ(own.body, "<title>Eigene 404</title>");
}

TEST(ProtocolRequest, OnlyTheUsersActOpensANewWindow)
{
    struct Row {
        unsigned long flags;
        bool user;
    };
    const Row rows[] = {
        {0x2 | 0x4, true},        // user-initiated, first of the act
        {0x2 | 0x4 | 0x80, true}, // ... also user-requested
        {0x2, false},             // a second window of the same act
        {0x4, false},             // a script's own window
        {0x0, false},
        {0x1 | 0x4, false}, // unloading page
    };
    for (const auto& row : rows)
        EXPECT_EQ(userStartedNewWindow(row.flags), row.user) << std::hex << row.flags;
}

TEST(ProtocolRequest, PagesGetNoActiveXAndNoClipboard)
{
    struct Row {
        unsigned long action;
        bool denied;
    };
    const Row rows[] = {
        {0x1200, true},                  // run ActiveX controls
        {0x1201, true},                  // script ActiveX marked safe... and the rest of the ActiveX range
        {0x13FF, true},  {0x1001, true}, // download signed ActiveX
        {0x1004, true},                  // download unsigned ActiveX
        {0x1405, true},                  // script ActiveX controls marked safe
        {0x1401, true},                  // initialise ActiveX not marked safe
        {0x1407, true},                  // script access to the clipboard
        {0x1400, false},                 // run scripts
        {0x1402, false},                 // scripting of Java applets
        {0x1406, false},                 // data sources across domains follow the zone
    };
    for (const auto& row : rows)
        EXPECT_EQ(deniedUrlAction(row.action), row.denied) << std::hex << row.action;
}

} // namespace
} // namespace pagolux::win_protocol
