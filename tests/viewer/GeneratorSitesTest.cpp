// Sites as generators write them, served by a built program exactly as a web server with the
// output folder as document root would: a MkDocs and a Hugo site made at test time, each packed
// with its output folder as start file and checked inside the page by a link checker that
// follows every same-site link, style sheet, script and image; and a hand-made site with the
// edge cases (a member above the start folder, names differing only in case, a folder named
// without its "/", module scripts, WebAssembly, a PDF, storage that stays between runs).

#include "builder/BuildPipeline.h"

#include "tests/builder/TestFiles.h"
#include "tests/support/BuildFolder.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/viewer/GeneratorSites.h"
#include "tests/viewer/ProbeRun.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

namespace fs = std::filesystem;

// Follows every same-site address the pages name (links, style sheets, scripts, images),
// reading each once; records what fails. Then checks that the start page's style sheets
// apply and what an unknown address shows in a frame.
constexpr char kLinkChecker[] = R"JS(
(async () => {
  const same = u => u.protocol === location.protocol && u.host === location.host;
  const strip = u => { const x = new URL(u); x.hash = ''; return x.href; };
  const queue = [strip(location.href)], seen = new Set(queue), bad = [];
  let pages = 0;
  const get = url => new Promise(resolve => {
    const x = new XMLHttpRequest();
    x.open('GET', url);
    x.onload = () => resolve({ status: x.status, type: x.getResponseHeader('Content-Type') || '',
                               text: x.responseText, url: x.responseURL || url });
    x.onerror = () => resolve(null);
    x.send();
  });
  while (queue.length && seen.size < 2000) {
    const url = queue.shift();
    const r = await get(url);
    if (!r || r.status !== 200) { bad.push(new URL(url).pathname + ' ' + (r ? r.status : 'failed')); continue; }
    if (!r.type.startsWith('text/html'))
      continue;
    ++pages;
    const doc = new DOMParser().parseFromString(r.text, 'text/html');
    const refs = [...doc.querySelectorAll('a[href], link[href], script[src], img[src]')]
      .map(e => e.getAttribute('href') || e.getAttribute('src'));
    for (const ref of refs) {
      let u;
      try { u = new URL(ref, r.url); } catch (e) { continue; }
      if (!same(u))
        continue;
      const key = strip(u.href);
      if (!seen.has(key)) { seen.add(key); queue.push(key); }
    }
  }
  const sheets = [...document.styleSheets].filter(s => !s.href || same(new URL(s.href)));
  const styled = sheets.length > 0 && sheets.every(s => s.cssRules.length > 0);
  const unknown = await new Promise(r => {
    const f = document.createElement('iframe');
    f.onload = () => r(f.contentDocument ? f.contentDocument.title + ' @ ' + f.contentDocument.body.innerText.includes('404') : 'none');
    f.src = '/gibt/es/nicht.html';
    document.body.appendChild(f);
  });
  window.__probe = [pages > 2 ? 'pages' : 'pages ' + pages, 'checked ' + (seen.size > 5),
                    'bad ' + bad.join(','), 'styled ' + styled, 'unknown ' + unknown,
                    'path ' + location.pathname].join('|');
})();
)JS";

class GeneratorSites : public ::testing::Test {
  protected:
    void SetUp() override
    {
        binDir = test::binDir();
        ASSERT_TRUE(fs::exists(binDir + "ProtoExe.dat"));
        ::setenv("TMPDIR", tmp.folder().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (data / "").c_str(), 1);
        request.progPath = binDir;
        request.project.settings.projectName = "Generator";
        request.project.startIndex = 0;
        request.icon = &icon;
    }

    std::string build(const std::vector<std::string>& entries, const std::string& name)
    {
        request.project.entries = entries;
        return buildProgram(request, iconPos, out / name);
    }

    std::string binDir;
    test::EnvOverride tmpdir{"TMPDIR"}, dataHome{"XDG_DATA_HOME"};
    test::TempFolder tmp, root, out, data;
    BuildRequest request;
    IconBitmap icon;
    std::int32_t iconPos = 0;
};

TEST_F(GeneratorSites, MkDocsSiteWorksAsOnAWebServer)
{
    std::string output;
    ASSERT_TRUE(test::makeMkDocsSite(root.folder(), output));

    const ProbeRun r = runProbe(build({output}, "doku"), QString::fromLatin1(kLinkChecker));
    ASSERT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_EQ(r.values.value("script").toStdString(),
              "pages|checked true|bad |styled true|unknown Doku @ true|path /index.html");
}

TEST_F(GeneratorSites, HugoSiteWithRootRelativeLinksWorksAsOnAWebServer)
{
    std::string output;
    ASSERT_TRUE(test::makeHugoSite(root.folder(), output));

    const ProbeRun r =
        runProbe(build({output}, "blog"),
                 QString::fromLatin1(kLinkChecker)
                     .replace("'path ' + location.pathname",
                              "'path ' + location.pathname + ' ' + getComputedStyle(document.body).color"));
    ASSERT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_EQ(r.values.value("script").toStdString(), "pages|checked true|bad |styled true|unknown 404 Page "
                                                      "not found @ true|path /index.html rgb(5, 6, 7)");
    EXPECT_EQ(r.values.value("title").toStdString(), "Start");
}

TEST_F(GeneratorSites, HandMadeSiteWithTheEdgeCases)
{
    const std::string site = root / "projekt/site/";
    const std::string shared = root / "projekt/shared/";
    for (const std::string& d : {site + "about", site + "m", shared})
        fs::create_directories(d);
    test::writeFile(site + "index.html",
                    "<!DOCTYPE html><meta charset=utf-8><title>Kanten</title>"
                    "<link rel=stylesheet href=../shared/x.css>"
                    "<script type=module>import { wert } from './m/a.mjs'; window.__mod = wert;</script>"
                    "<a id=pdf href=doc.pdf>PDF</a>");
    test::writeFile(shared + "x.css", "body { color: rgb(9, 8, 7); }");
    test::writeFile(site + "Foto.html", "<title>Gross</title>");
    test::writeFile(site + "foto.html", "<title>klein</title>");
    test::writeFile(site + "about/index.html", "<title>Über</title><a href=team.html>Team</a>");
    test::writeFile(site + "about/team.html", "<title>Team</title>");
    test::writeFile(site + "m/a.mjs", "import { teil } from './b.mjs'; export const wert = teil + 1;");
    test::writeFile(site + "m/b.mjs", "export const teil = 41;");
    // The smallest valid WebAssembly module: magic and version.
    test::writeBytes(site + "m/leer.wasm", test::Bytes{0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00});
    test::writeFile(site + "doc.pdf", "%PDF-1.4\n%%EOF\n");
    const std::string exe = build({site + "index.html", site + "Foto.html", site + "foto.html",
                                   site + "about", site + "m", site + "doc.pdf", shared + "x.css"},
                                  "kanten");

    const QString script = QString::fromLatin1(R"JS(
      (async () => {
        const out = [];
        const frame = src => new Promise(r => {
          const f = document.createElement('iframe');
          f.onload = () => r(f.contentDocument.title + ' ' + f.contentWindow.location.pathname);
          f.src = src;
          document.body.appendChild(f);
        });
        out.push(getComputedStyle(document.body).color);
        for (let k = 0; k < 100 && window.__mod === undefined; k++)
          await new Promise(r => setTimeout(r, 20));
        out.push('module ' + window.__mod);
        out.push(await frame('Foto.html'), await frame('foto.html'), await frame('FOTO.HTML'));
        out.push(await frame('about'));
        out.push(await WebAssembly.instantiateStreaming(fetch('m/leer.wasm'))
                   .then(() => 'wasm ok', e => 'wasm ' + e));
        out.push(await fetch('doc.pdf').then(r => r.headers.get('Content-Type')));
        const n = Number(localStorage.getItem('zaehler') || 0) + 1;
        localStorage.setItem('zaehler', String(n));
        out.push('count ' + n);
        window.__probe = out.join('|');
      })();
    )JS");
    const ProbeRun first = runProbe(exe, script);
    ASSERT_EQ(first.exitCode, 0) << first.stderrText.toStdString();
    EXPECT_EQ(first.values.value("script").toStdString(),
              "rgb(9, 8, 7)|module 42|Gross /Foto.html|klein /foto.html|"
              "Gross /FOTO.HTML|Über /about/|wasm ok|application/pdf|count 1");
    const ProbeRun second = runProbe(exe, script);
    EXPECT_TRUE(second.values.value("script").endsWith("|count 2"))
        << second.values.value("script").toStdString();

    // Another program keeps its own storage.
    request.project.settings.projectName = "Anderes";
    const ProbeRun other = runProbe(build({site + "index.html", shared + "x.css"}, "anderes"),
                                    "const n = Number(localStorage.getItem('zaehler') || 0) + 1;"
                                    "window.__probe = 'count ' + n;");
    EXPECT_EQ(other.values.value("script").toStdString(), "count 1");
    EXPECT_TRUE(fs::exists(data / "pagolux/sites")) << "storage lives under the user's data folder";
}

} // namespace
} // namespace pagolux
