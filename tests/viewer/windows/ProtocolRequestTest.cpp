// The Windows viewer's URL logic, which runs the same on Linux: which member a URL names,
// member URLs, relative references and the 404 answer.

#include "viewer/windows/ProtocolRequest.h"
#include "archive/TStream.h"
#include "viewer/core/ViewerPackage.h"

#include <gtest/gtest.h>

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

TEST(ProtocolRequest, UrlForKeyRoundTrips)
{
    const std::map<std::string, std::string> rows = {
        {"\\index.html", "pagolux://site/index.html"},
        {"\\web\\mein bild.png", "pagolux://site/web/mein%20bild.png"},
        {"\\a#b?c%d.html", "pagolux://site/a%23b%3Fc%25d.html"},
        {"plain.txt", "pagolux://site/plain.txt"},
    };
    for (const auto& [key, url] : rows) {
        EXPECT_EQ(urlForKey(key), url) << key;
        const std::string back = key.front() == '\\' ? key : "\\" + key;
        EXPECT_EQ(keyFromUrl(url), back) << url;
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

class MapSource : public MemberSource {
  public:
    std::map<std::string, std::string> members;
    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override
    {
        const auto it = members.find(key);
        if (it == members.end())
            return std::nullopt;
        return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
    }
    std::optional<std::int64_t> size(const std::string& key) override
    {
        const auto it = members.find(key);
        if (it == members.end())
            return std::nullopt;
        return static_cast<std::int64_t>(it->second.size());
    }
    std::unique_ptr<TStream> stream(const std::string&) override { return nullptr; }
};

TEST(ProtocolRequest, RespondServesMembersAnd404)
{
    MapSource source;
    source.members["\\web\\a.css"] = "body{}";
    source.members["\\web\\x.bin"] = std::string("\0\1\2", 3);

    Response r = respond(source, "pagolux://site/web/a.css");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.mimeType, "text/css");
    EXPECT_EQ(r.body, "body{}");

    r = respond(source, "pagolux://site/web/x.bin");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.mimeType, "application/octet-stream");
    EXPECT_EQ(r.body, std::string("\0\1\2", 3));

    for (const char* url : {"pagolux://site/web/none.html", "pagolux://site/web/%2e%2e/web/a.css",
                            "pagolux://elsewhere/web/a.css"}) {
        r = respond(source, url);
        EXPECT_EQ(r.status, 404) << url;
        EXPECT_EQ(r.mimeType, "text/html") << url;
        EXPECT_NE(r.body.find("404 - Seite nicht gefunden"), std::string::npos) << url;
    }
    // The name shown is escaped, so a crafted URL cannot put markup into the page.
    r = respond(source, "pagolux://site/%3Cscript%3E.html");
    EXPECT_NE(r.body.find("/&lt;script&gt;.html"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<script>"), std::string::npos);
}

} // namespace
} // namespace pagolux::win_protocol
