#include "viewer/core/SiteAddressSpace.h"

#include <gtest/gtest.h>

namespace pagolux::viewer {
namespace {

// A generator's output folder inside the author's home, a shared folder beside it reached by
// "../", names that differ only in case, folders with and without an index page.
const std::vector<std::string> kSite = {
    "\\home\\u\\proj\\site\\index.html",
    "\\home\\u\\proj\\site\\404.html",
    "\\home\\u\\proj\\site\\assets\\main.css",
    "\\home\\u\\proj\\site\\about\\index.html",
    "\\home\\u\\proj\\site\\old\\index.htm",
    "\\home\\u\\proj\\site\\empty\\readme.txt",
    "\\home\\u\\proj\\site\\Foto.html",
    "\\home\\u\\proj\\site\\foto.html",
    "\\home\\u\\proj\\site\\Bilder\\Logo.PNG",
    "\\home\\u\\proj\\site\\a b+c#d.html",
    "\\home\\u\\proj\\site\\\xC3\xBC"
    "ber.html",
    "\\home\\u\\proj\\site\\lib\\app.wasm",
    "\\home\\u\\proj\\shared\\x.css",
    "\\home\\u\\proj\\site\\shared\\y.css",
};
const std::string kStart = "\\home\\u\\proj\\site\\index.html";

TEST(SiteAddressSpace, AnswersLikeAWebServerWithTheStartFolderAsRoot)
{
    const SiteAddressSpace site(kSite, kStart);
    struct Row {
        const char* name;
        std::string request;
        int status;
        std::string member; // relative to the author's folder \home\u\proj\ ; "" = none
        std::string location;
    };
    const Row rows[] = {
        {"start page", "/index.html", 200, "site\\index.html", ""},
        {"root", "/", 200, "site\\index.html", ""},
        {"root-relative style sheet", "/assets/main.css", 200, "site\\assets\\main.css", ""},
        {"folder address", "/about/", 200, "site\\about\\index.html", ""},
        {"folder with index.htm", "/old/", 200, "site\\old\\index.htm", ""},
        {"folder without slash", "/about", 301, "", "/about/"},
        {"folder without slash, with query", "/about?x=1#top", 301, "", "/about/"},
        {"folder without index", "/empty/", 404, "site\\404.html", ""},
        {"exact name wins", "/Foto.html", 200, "site\\Foto.html", ""},
        {"exact name wins, lower", "/foto.html", 200, "site\\foto.html", ""},
        {"case differs only", "/FOTO.HTML", 200, "site\\Foto.html", ""},
        {"case differs in folder and name", "/bilder/logo.png", 200, "site\\Bilder\\Logo.PNG", ""},
        {"percent-encoded blank, plus, hash", "/a%20b+c%23d.html", 200, "site\\a b+c#d.html", ""},
        {"non-ASCII name", "/%C3%BCber.html", 200,
         "site\\\xC3\xBC"
         "ber.html",
         ""},
        {"query and fragment ignored", "/index.html?v=3#teil", 200, "site\\index.html", ""},
        {"member outside the root through ../", "/shared/x.css", 200, "shared\\x.css", ""},
        {"nearest folder wins", "/shared/y.css", 200, "site\\shared\\y.css", ""},
        {"../ clamps at the root", "/about/../../../shared/x.css", 200, "shared\\x.css", ""},
        {"dot segments", "/./about/./index.html", 200, "site\\about\\index.html", ""},
        {"double slash", "//assets//main.css", 200, "site\\assets\\main.css", ""},
        {"unknown address gets the site's 404", "/nope.html", 404, "site\\404.html", ""},
        {"a file named with a slash", "/index.html/", 404, "site\\404.html", ""},
        {"encoded backslash names nothing", "/assets%5Cmain.css", 404, "site\\404.html", ""},
        {"encoded NUL names nothing", "/index.html%00.png", 404, "site\\404.html", ""},
        {"author's folder is no address", "/home/u/proj/site/index.html", 404, "site\\404.html", ""},
    };
    for (const auto& row : rows) {
        const SiteAnswer answer = site.resolve(row.request);
        EXPECT_EQ(answer.status, row.status) << row.name;
        EXPECT_EQ(answer.member, row.member.empty() ? "" : "\\home\\u\\proj\\" + row.member) << row.name;
        EXPECT_EQ(answer.location, row.location) << row.name;
    }
}

TEST(SiteAddressSpace, TypesAndSitePathsOfAnswers)
{
    const SiteAddressSpace site(kSite, kStart);
    struct Row {
        std::string request;
        std::string mimeType;
        std::string sitePath;
    };
    const Row rows[] = {
        {"/assets/main.css", "text/css", "/assets/main.css"},
        {"/lib/app.wasm", "application/wasm", "/lib/app.wasm"},
        {"/about/", "text/html", "/about/"},
        {"/a%20b+c%23d.html?q", "text/html", "/a b+c#d.html"},
        {"/x/../nope.png", "text/html", "/nope.png"},
        {"/about/..", "text/html", "/"},
    };
    for (const auto& row : rows) {
        const SiteAnswer answer = site.resolve(row.request);
        EXPECT_EQ(answer.mimeType, row.mimeType) << row.request;
        EXPECT_EQ(answer.sitePath, row.sitePath) << row.request;
    }
}

TEST(SiteAddressSpace, UnknownAddressWithoutOwn404GetsTheBuiltInPage)
{
    const SiteAddressSpace site({"\\s\\index.html", "\\s\\sub\\404.html"}, "\\s\\index.html");
    const SiteAnswer answer = site.resolve("/x%3Cb%3E.html");
    EXPECT_EQ(answer.status, 404);
    EXPECT_EQ(answer.member, "");
    EXPECT_EQ(answer.sitePath, "/x<b>.html");
    const std::string page = notFoundPageHtml(answer.sitePath);
    EXPECT_NE(page.find("404 - Seite nicht gefunden"), std::string::npos);
    EXPECT_NE(page.find("/x&lt;b&gt;.html"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST(SiteAddressSpace, StartPageAndAddressesOfMembers)
{
    struct Row {
        const char* name;
        std::vector<std::string> keys;
        std::string startKey;
        std::string startUrl;
        std::string startMember;
    };
    const Row rows[] = {
        {"start file", kSite, kStart, "/index.html", kStart},
        {"start file not named index",
         {"\\w\\start.html", "\\w\\b.html"},
         "\\w\\start.html",
         "/start.html",
         "\\w\\start.html"},
        {"start folder with index", kSite, "\\home\\u\\proj\\site", "/", kStart},
        {"start folder with trailing separator", kSite, "\\home\\u\\proj\\site\\", "/", kStart},
        {"start folder with index.htm", kSite, "\\home\\u\\proj\\site\\old", "/",
         "\\home\\u\\proj\\site\\old\\index.htm"},
        {"start folder without index", kSite, "\\home\\u\\proj\\site\\empty", "/", ""},
        {"start file spelled in another case",
         {"\\w\\Start.html"},
         "\\w\\start.html",
         "/Start.html",
         "\\w\\Start.html"},
        {"keys without a leading separator",
         {"index.html", "img\\a.png"},
         "index.html",
         "/index.html",
         "index.html"},
    };
    for (const auto& row : rows) {
        const SiteAddressSpace site(row.keys, row.startKey);
        EXPECT_EQ(site.startUrlPath(), row.startUrl) << row.name;
        EXPECT_EQ(site.startMember(), row.startMember) << row.name;
        // The start address always leads back to the start page.
        if (!row.startMember.empty()) {
            EXPECT_EQ(site.resolve(site.startUrlPath()).member, row.startMember) << row.name;
        }
    }
}

TEST(SiteAddressSpace, EveryMemberIsServedAtItsOwnAddress)
{
    const SiteAddressSpace site(kSite, kStart);
    for (const auto& key : kSite) {
        const std::string path = site.urlPathOf(key);
        EXPECT_EQ(path.find("home"), std::string::npos) << key;
        EXPECT_EQ(site.resolve(percentEncodePath(path)).member, key) << key << " at " << path;
    }
    EXPECT_EQ(site.urlPathOf("\\home\\u\\proj\\shared\\x.css"), "/shared/x.css");
    EXPECT_EQ(site.urlPathOf("\\home\\u\\proj\\site\\about\\index.html"), "/about/index.html");
    EXPECT_EQ(site.urlPathOf("\\not\\a\\member.html"), "");
}

TEST(SiteAddressSpace, RootWithoutIndexServesTheStartPage)
{
    // A parent folder's index page belongs to another site and is not the root's.
    const SiteAddressSpace site({"\\p\\index.html", "\\p\\site\\start.html"}, "\\p\\site\\start.html");
    EXPECT_EQ(site.resolve("/").member, "\\p\\site\\start.html");
    EXPECT_EQ(site.resolve("/index.html").member, "\\p\\index.html");
}

TEST(SiteAddressSpace, LookupsNeverClimbAboveTheSharedFolder)
{
    // Only members are ever answered: no address reaches a name the archive does not hold.
    const SiteAddressSpace site({"\\a\\b\\index.html", "\\a\\c.css"}, "\\a\\b\\index.html");
    EXPECT_EQ(site.resolve("/c.css").member, "\\a\\c.css");
    EXPECT_EQ(site.resolve("/a/c.css").status, 404);
    EXPECT_EQ(site.resolve("/../../etc/passwd").status, 404);
}

TEST(SiteAddressSpace, PercentCoding)
{
    struct Row {
        std::string encoded;
        std::string decoded;
    };
    const Row rows[] = {
        {"/a%20b", "/a b"},   {"/a+b", "/a+b"}, {"/%c3%bc", "/\xC3\xBC"}, {"/100%", "/100%"},
        {"/%zz%4", "/%zz%4"}, {"/%2F", "//"},   {"/%25", "/%"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(percentDecode(row.encoded), row.decoded) << row.encoded;
    EXPECT_EQ(percentEncodePath("/a b#c?d%e\xC3\xBC+@"), "/a%20b%23c%3Fd%25e%C3%BC+@");
}

TEST(SiteAddressSpace, MimeTypesForTodaysSites)
{
    struct Row {
        const char* name;
        const char* type;
    };
    const Row rows[] = {
        {"\\a\\INDEX.HTM", "text/html"},
        {"app.mjs", "text/javascript"},
        {"m.wasm", "application/wasm"},
        {"d.json", "application/json"},
        {"app.js.map", "application/json"},
        {"site.webmanifest", "application/manifest+json"},
        {"i.svg", "image/svg+xml"},
        {"f.woff2", "font/woff2"},
        {"p.avif", "image/avif"},
        {"p.webp", "image/webp"},
        {"v.mp4", "video/mp4"},
        {"v.webm", "video/webm"},
        {"doc.pdf", "application/pdf"},
        {"sitemap.xml", "application/xml"},
        {"dir.d/noext", "application/octet-stream"},
        {"archive.unknownext", "application/octet-stream"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(mimeTypeFor(row.name), row.type) << row.name;
}

} // namespace
} // namespace pagolux::viewer
