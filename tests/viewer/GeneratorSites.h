#pragma once
// A MkDocs and a Hugo site made at test time by the real generators, for the tests that pack a
// generator's output folder and check it is served as a web server would serve it.

#include "tests/builder/TestFiles.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pagolux::test {

// Runs a generator in dir; a failure carries the generator's error output.
inline ::testing::AssertionResult runGenerator(const QString& program, const QStringList& args,
                                               const std::string& dir)
{
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir));
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return ::testing::AssertionFailure()
               << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return ::testing::AssertionSuccess();
}

// A MkDocs project "Doku" with folder addresses (about/, anleitung/schritte/) made under root
// and built; output is its site folder.
inline ::testing::AssertionResult makeMkDocsSite(const std::filesystem::path& root, std::string& output)
{
    namespace fs = std::filesystem;
    fs::create_directories(root);
    const std::string project = root / "doku";
    if (auto r = runGenerator("mkdocs", {"new", QString::fromStdString(project)}, root.string()); !r)
        return r;
    fs::create_directories(project + "/docs/anleitung");
    writeFile(project + "/docs/about.md",
              "# Über uns\n\n[Start](index.md) [Anleitung](anleitung/schritte.md)\n");
    writeFile(project + "/docs/anleitung/schritte.md", "# Schritte\n\n[Über uns](../about.md)\n");
    writeFile(project + "/mkdocs.yml", "site_name: Doku\nuse_directory_urls: true\n"
                                       "nav:\n  - index.md\n  - about.md\n  - anleitung/schritte.md\n");
    if (auto r = runGenerator("mkdocs", {"build", "--quiet"}, project); !r)
        return r;
    output = project + "/site";
    if (!fs::exists(output + "/about/index.html"))
        return ::testing::AssertionFailure() << "mkdocs wrote no " << output << "/about/index.html";
    return ::testing::AssertionSuccess();
}

// A Hugo site "Blog" under root with a theme of its own whose links are root-relative ("/js/...")
// and a 404 page "404 Page not found"; output is its public folder, with a trailing "/".
inline ::testing::AssertionResult makeHugoSite(const std::filesystem::path& root, std::string& output)
{
    namespace fs = std::filesystem;
    fs::create_directories(root);
    const std::string site = root / "blog";
    const auto put = [&](const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(site + "/" + path).parent_path());
        writeFile(site + "/" + path, text);
    };
    put("config.toml", "baseURL = '/'\ntitle = 'Blog'\ntheme = 'klein'\ndisableKinds = ['taxonomy', 'term', "
                       "'RSS', 'sitemap', 'robotsTXT']\n");
    put("content/_index.md", "---\ntitle: Start\n---\nWillkommen.\n");
    put("content/ueber.md", "---\ntitle: Über\n---\nÜber uns.\n");
    put("content/artikel/_index.md", "---\ntitle: Artikel\n---\n");
    put("content/artikel/erster.md", "---\ntitle: Erster Artikel\n---\nText.\n");
    put("static/img/logo.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='8'/>");
    const std::string layouts = "themes/klein/layouts/";
    put(layouts + "_default/baseof.html",
        "<!DOCTYPE html><html><head><meta charset=utf-8><title>{{ .Title }}</title>"
        "<link rel=stylesheet href=\"{{ \"css/main.css\" | relURL }}\">"
        "<script src=\"/js/app.js\"></script></head><body><img src=\"/img/logo.svg\" alt=Logo>"
        "<nav><a href=\"/\">Start</a> {{ range .Site.RegularPages }}<a href=\"{{ .RelPermalink }}\">"
        "{{ .Title }}</a> {{ end }}<a href=\"/artikel/\">Artikel</a></nav>"
        "{{ block \"main\" . }}{{ end }}</body></html>");
    put(layouts + "_default/single.html",
        "{{ define \"main\" }}<h1>{{ .Title }}</h1>{{ .Content }}{{ end }}");
    put(layouts + "_default/list.html",
        "{{ define \"main\" }}<h1>{{ .Title }}</h1>{{ range .Pages }}<a href=\"{{ .RelPermalink }}\">"
        "{{ .Title }}</a>{{ end }}{{ end }}");
    put(layouts + "index.html", "{{ define \"main\" }}<h1>{{ .Title }}</h1>{{ .Content }}{{ end }}");
    put(layouts + "404.html", "{{ define \"main\" }}<h1>404</h1><p>Nicht gefunden.</p>{{ end }}");
    put("themes/klein/static/css/main.css", "body { color: rgb(5, 6, 7); }");
    put("themes/klein/static/js/app.js", "window.__app = 1;");
    if (auto r = runGenerator("hugo", {"--quiet", "-d", "public"}, site); !r)
        return r;
    output = site + "/public/";
    for (const char* page : {"artikel/erster/index.html", "404.html"})
        if (!fs::exists(output + page))
            return ::testing::AssertionFailure() << "hugo wrote no " << output << page;
    return ::testing::AssertionSuccess();
}

} // namespace pagolux::test
