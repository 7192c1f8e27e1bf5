// Sites as generators write them, served by the Windows program under Wine: a MkDocs and a Hugo
// site made at test time, each packed with pagolux-build --target windows from its output
// folder. Every same-site address the generated pages name (href and src attributes) goes
// through one self-test run per site and must answer 200 with the file's bytes; an unknown
// address answers the site's own 404.html with status 404.

#include "tests/viewer/GeneratorSites.h"
#include "tests/viewer/windows/WineFixture.h"

#include <QUrl>

#include <regex>

namespace pagolux {
namespace {

const QUrl kSiteRoot("pagolux://site/");

// The site's address of a file below the site folder.
QUrl addressOf(const fs::path& relative)
{
    QUrl u = kSiteRoot;
    u.setPath("/" + QString::fromStdString(relative.generic_string()));
    return u;
}

// The few entities generators write inside attribute values.
std::string unescapeHtml(std::string text)
{
    // "&amp;" last, so "&amp;lt;" stays the text "&lt;".
    for (const auto& [entity, plain] : {std::pair<std::string, std::string>{"&#39;", "'"},
                                        {"&quot;", "\""},
                                        {"&lt;", "<"},
                                        {"&gt;", ">"},
                                        {"&amp;", "&"}})
        for (std::size_t at = 0; (at = text.find(entity, at)) != std::string::npos; at += plain.size())
            text.replace(at, entity.size(), plain);
    return text;
}

// Every same-site address the site's HTML files name in href and src attributes, fully
// encoded, without query and fragment.
std::set<std::string> linkedAddresses(const fs::path& siteFolder)
{
    static const std::regex attribute(R"re([\s"'](?:href|src)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>"']+)))re",
                                      std::regex::icase);
    std::set<std::string> urls;
    for (const auto& entry : fs::recursive_directory_iterator(siteFolder)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".html")
            continue;
        const QUrl page = addressOf(fs::relative(entry.path(), siteFolder));
        const std::string html = test::readFile(entry.path());
        for (std::sregex_iterator m(html.begin(), html.end(), attribute), end; m != end; ++m) {
            const std::string ref = unescapeHtml((*m)[1].matched   ? (*m)[1].str()
                                                 : (*m)[2].matched ? (*m)[2].str()
                                                                   : (*m)[3].str());
            if (ref.empty() || ref[0] == '#')
                continue;
            QUrl u = page.resolved(QUrl(QString::fromStdString(ref)));
            if (u.scheme() != kSiteRoot.scheme() || u.host() != kSiteRoot.host())
                continue; // another site, a mailto: or javascript: address
            u.setQuery(QString());
            u.setFragment(QString());
            urls.insert(u.toString(QUrl::FullyEncoded).toStdString());
        }
    }
    return urls;
}

// The file a web server with the site folder as document root answers an address with.
fs::path fileFor(const fs::path& siteFolder, const std::string& url)
{
    const std::string path = QUrl(QString::fromStdString(url)).path(QUrl::FullyDecoded).toStdString();
    fs::path file = siteFolder / path.substr(1);
    if (path.back() == '/' || fs::is_directory(file))
        file /= "index.html";
    return file;
}

struct GeneratorCase {
    const char* name;
    ::testing::AssertionResult (*make)(const fs::path&, std::string&);
    std::vector<std::string> mustLink; // addresses the scan must find, so it cannot pass empty
};

TEST_F(WineViewerTest, GeneratorSitesAnswerEveryLinkedAddress)
{
    const std::string base = kSiteRoot.toString().toStdString();
    const std::vector<GeneratorCase> cases = {
        {"mkdocs",
         test::makeMkDocsSite,
         {base + "about/", base + "anleitung/schritte/", base + "css/base.css"}},
        {"hugo",
         test::makeHugoSite,
         {base, base + "js/app.js", base + "img/logo.svg", base + "artikel/erster/"}},
    };
    for (const GeneratorCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string output;
        ASSERT_TRUE(c.make(work / c.name, output));
        const fs::path siteFolder = fs::canonical(output);

        Project p;
        p.entries = {output};
        p.startIndex = 0;
        p.settings.projectName = c.name;
        ProjectFile::write(work / "p.pgx", p);
        const std::string exe = work / (std::string(c.name) + ".exe");
        const Shell b = build(exe);
        ASSERT_EQ(b.exitCode, 0) << b.output;

        const std::set<std::string> linked = linkedAddresses(siteFolder);
        for (const std::string& u : c.mustLink)
            EXPECT_TRUE(linked.count(u)) << u << " not found among the pages' links";
        const std::string unknown = base + "gibt/es/nicht.html";
        std::string fetch = unknown;
        for (const std::string& u : linked)
            fetch += " " + u;

        const std::string report = work / (std::string(c.name) + ".txt");
        const Shell r = selfTest(exe, report, fetch);
        ASSERT_TRUE(fs::exists(report)) << r.output;
        const std::string text = test::readFile(report);
        const Report rep = parseReport(text);
        EXPECT_EQ(rep.values.at("result"), "ok") << text;
        EXPECT_EQ(rep.values.at("startUrl"), base + "index.html");

        for (const std::string& u : linked) {
            ASSERT_TRUE(rep.fetches.count(u)) << u << "\n" << text;
            const auto& f = rep.fetches.at(u);
            const fs::path file = fileFor(siteFolder, u);
            ASSERT_TRUE(fs::is_regular_file(file))
                << u << " links " << file << ", which the generator did not write";
            const Bytes bytes = test::readBytes(file);
            EXPECT_EQ(f.at("status"), "200") << u;
            EXPECT_EQ(f.at("bytes"), std::to_string(bytes.size())) << u;
            EXPECT_EQ(f.at("crc"), crcHex(bytes)) << u;
        }
        ASSERT_TRUE(rep.fetches.count(unknown)) << text;
        EXPECT_EQ(rep.fetches.at(unknown).at("status"), "404");
        EXPECT_EQ(rep.fetches.at(unknown).at("mime"), "text/html");
        EXPECT_EQ(rep.fetches.at(unknown).at("crc"), crcHex(test::readBytes(siteFolder / "404.html")));
    }
}

} // namespace
} // namespace pagolux
