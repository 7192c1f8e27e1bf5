// The portable rules of the Windows viewer's WebView2 engine, which run the same on Linux:
// which engine the environment asks for, the runtime version guard, where the runtime's DLL
// lies, the user data folder's name, the routes of navigations and the answers on the origin,
// the status bar's texts, and which keys the window takes from the page.

#include "archive/TStream.h"
#include "tests/viewer/windows/MapMemberSource.h"
#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/windows/EngineChoice.h"
#include "viewer/windows/NavigationStatus.h"
#include "viewer/windows/WebView2Request.h"
#include "viewer/windows/WindowKeys.h"

#include <gtest/gtest.h>

#include <map>

namespace pagolux {
namespace {

using namespace win_engine;

TEST(EngineChoice, EngineRequestFromTheEnvironment)
{
    struct Row {
        const char* value;
        EngineRequest want;
    };
    const Row rows[] = {
        {nullptr, EngineRequest::Automatic},   {"", EngineRequest::Automatic},
        {"webview2", EngineRequest::WebView2}, {"ie", EngineRequest::InternetExplorer},
        {"IE", EngineRequest::Automatic},      {"webview", EngineRequest::Automatic},
        {"ie ", EngineRequest::Automatic},
    };
    for (const Row& row : rows)
        EXPECT_EQ(engineRequest(row.value), row.want) << (row.value ? row.value : "(unset)");
}

TEST(EngineChoice, VersionsAndTheMinimum)
{
    struct Row {
        const char* text;
        std::optional<RuntimeVersion> version;
        bool supported;
    };
    const Row rows[] = {
        {"120.0.2210.91", RuntimeVersion{120, 0, 2210, 91}, true},
        {"86.0.616.0", RuntimeVersion{86, 0, 616, 0}, true},
        {"86.0.615.99", RuntimeVersion{86, 0, 615, 99}, false},
        {"85.9.9999.9999", RuntimeVersion{85, 9, 9999, 9999}, false},
        // Numbers compare as numbers, not as text.
        {"100.0.1185.39", RuntimeVersion{100, 0, 1185, 39}, true},
        {"86.0.1000.0", RuntimeVersion{86, 0, 1000, 0}, true},
        {"120.0.2210", std::nullopt, false},
        {"120.0.2210.91.1", std::nullopt, false},
        {"120..2210.91", std::nullopt, false},
        {"120.0.2210.91 ", std::nullopt, false},
        {"v120.0.2210.91", std::nullopt, false},
        {"", std::nullopt, false},
        {"1234567890.0.0.0", std::nullopt, false},
    };
    for (const Row& row : rows) {
        const auto v = parseVersion(row.text);
        EXPECT_EQ(v, row.version) << row.text;
        EXPECT_EQ(v && supported(*v), row.supported) << row.text;
    }
}

TEST(EngineChoice, RuntimeFoldersAndUserData)
{
    EXPECT_EQ(runtimeDll(L"C:\\rt\\120.0.2210.91"),
              L"C:\\rt\\120.0.2210.91\\EBWebView\\x64\\EmbeddedBrowserWebView.dll");
    EXPECT_EQ(runtimeDll(L"Z:\\fake\\"), L"Z:\\fake\\EBWebView\\x64\\EmbeddedBrowserWebView.dll");
    EXPECT_EQ(lastComponent(L"C:\\Program Files (x86)\\Microsoft\\EdgeWebView\\Application\\120.0.2210.91\\"),
              L"120.0.2210.91");
    EXPECT_EQ(lastComponent(L"120.0.2210.91"), L"120.0.2210.91");

    // One program keeps its folder between runs (whatever the case of its path); another
    // program of the same name elsewhere gets a folder of its own.
    const std::wstring a = userDataName(L"C:\\Users\\u\\Desktop\\Handbuch.exe");
    EXPECT_EQ(a.rfind(L"Handbuch-", 0), 0u) << std::string(a.begin(), a.end());
    EXPECT_EQ(a.size(), std::wstring(L"Handbuch-").size() + 8);
    EXPECT_EQ(userDataName(L"C:\\Users\\u\\Desktop\\Handbuch.exe"), a);
    EXPECT_EQ(userDataName(L"c:\\users\\U\\desktop\\HANDBUCH.EXE").substr(9), a.substr(9));
    EXPECT_NE(userDataName(L"D:\\Kopie\\Handbuch.exe"), a);
    EXPECT_EQ(userDataName(L"C:\\x\\Ohne Endung").rfind(L"Ohne Endung-", 0), 0u);
}

TEST(WebView2Request, RoutesOfNavigations)
{
    using win_webview2::Route;
    struct Row {
        const char* url;
        Route want;
    };
    const Row rows[] = {
        {"https://pagolux.localhost/index.html", Route::Load},
        {"HTTPS://Pagolux.LocalHost/a?b#c", Route::Load},
        {"https://pagolux.localhost", Route::Load},
        {"about:blank", Route::Load},
        {"blob:https://pagolux.localhost/0f1e2d3c", Route::Load},
        {"blob:https://example.org/0f1e2d3c", Route::Refuse},
        {"https://pagolux.localhost.example.org/", Route::External},
        {"https://pagolux.localhost@evil.example/", Route::External},
        {"http://pagolux.localhost/", Route::External},
        {"https://example.org/", Route::External},
        {"HTTP://example.org/", Route::External},
        {"file:///C:/windows/win.ini", Route::Refuse},
        {"javascript:alert(1)", Route::Refuse},
        {"data:text/html,x", Route::Refuse},
        {"pagolux://site/index.html", Route::Refuse},
        {"about:srcdoc", Route::Refuse},
    };
    for (const Row& row : rows)
        EXPECT_EQ(win_webview2::routeOf(row.url), row.want) << row.url;
}

std::string bodyOf(win_webview2::Answer& a)
{
    std::string out;
    char buffer[4096];
    for (;;) {
        const std::int64_t n = a.body->Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

TEST(WebView2Request, AnswersOnTheOrigin)
{
    test::MapMemberSource source;
    source.members = {
        {"\\s\\site\\index.html", "<p>Start</p>"},
        {"\\s\\site\\css\\a.css", "body{}"},
        {"\\s\\site\\docs\\index.html", "<p>Docs</p>"},
        {"\\s\\site\\404.html", "<p>Eigene 404</p>"},
        {"\\s\\site\\mein bild.png", std::string("\x89PNG\0\1", 6)},
    };
    std::vector<std::string> keys;
    for (const auto& [key, bytes] : source.members)
        keys.push_back(key);
    const viewer::SiteAddressSpace site(keys, "\\s\\site\\index.html");
    EXPECT_EQ(win_webview2::urlForKey(site, "\\s\\site\\index.html"), "https://pagolux.localhost/index.html");
    EXPECT_EQ(win_webview2::urlForKey(site, "\\s\\site\\mein bild.png"),
              "https://pagolux.localhost/mein%20bild.png");

    struct Row {
        const char* url;
        int status;
        const char* reason;
        std::string headers;
        std::string body; // "*": the built-in German page
    };
    const Row rows[] = {
        {"https://pagolux.localhost/index.html", 200, "OK", "Content-Type: text/html\nContent-Length: 12",
         "<p>Start</p>"},
        {"https://pagolux.localhost/css/a.css?v=2#x", 200, "OK", "Content-Type: text/css\nContent-Length: 6",
         "body{}"},
        {"https://pagolux.localhost/mein%20bild.png", 200, "OK", "Content-Type: image/png\nContent-Length: 6",
         std::string("\x89PNG\0\1", 6)},
        {"https://pagolux.localhost/docs/", 200, "OK", "Content-Type: text/html\nContent-Length: 11",
         "<p>Docs</p>"},
        {"https://pagolux.localhost/docs", 301, "Moved Permanently",
         "Location: https://pagolux.localhost/docs/\nContent-Type: text/html\nContent-Length: 0", ""},
        {"https://pagolux.localhost/fehlt.html", 404, "Not Found",
         "Content-Type: text/html\nContent-Length: 17", "<p>Eigene 404</p>"},
        {"https://pagolux.localhost/../../etc/passwd", 404, "Not Found",
         "Content-Type: text/html\nContent-Length: 17", "<p>Eigene 404</p>"},
        {"https://pagolux.localhost", 200, "OK", "Content-Type: text/html\nContent-Length: 12",
         "<p>Start</p>"},
        {"https://example.org/index.html", 404, "Not Found", "", "*"},
    };
    for (const Row& row : rows) {
        win_webview2::Answer a = win_webview2::answer(site, source, row.url);
        EXPECT_EQ(a.status, row.status) << row.url;
        EXPECT_EQ(a.reason, row.reason) << row.url;
        ASSERT_TRUE(a.body) << row.url;
        const std::string body = bodyOf(a);
        if (row.body == "*") {
            EXPECT_NE(body.find("<html"), std::string::npos) << row.url << ": " << body;
            EXPECT_NE(a.headers.find("Content-Length: " + std::to_string(body.size())), std::string::npos);
        } else {
            EXPECT_EQ(a.headers, row.headers) << row.url;
            EXPECT_EQ(body, row.body) << row.url;
        }
    }
    EXPECT_EQ(source.wholeReads, 0) << "a member was read whole instead of streamed";
}

TEST(WebView2Status, TextsOfNavigations)
{
    using win_webview2::Route;
    struct Row {
        const char* url;
        Route route;
        bool opened;
        const char* want;
    };
    const Row rows[] = {
        {"https://pagolux.localhost/index.html", Route::Load, false, "Lädt /index.html …"},
        {"https://pagolux.localhost", Route::Load, false, "Lädt / …"},
        {"https://pagolux.localhost/img/mein%20bild.png?v=1#oben", Route::Load, false,
         "Lädt /img/mein bild.png …"},
        {"https://pagolux.localhost/%C3%BCber/", Route::Load, false, "Lädt /über/ …"},
        // An escaped line break would break the status line.
        {"https://pagolux.localhost/a%0Ab%7F.html", Route::Load, false, "Lädt /a?b?.html …"},
        {"about:blank", Route::Load, false, "Lädt …"},
        {"https://example.org/klick", Route::External, true,
         "Im Standardbrowser geöffnet: https://example.org/klick"},
        {"https://example.org/skript", Route::External, false, "Die Adresse wird nicht geöffnet."},
        // A refused address may name a file of the machine: it is never shown.
        {"file:///C:/Users/autor/site/index.html", Route::Refuse, false, "Die Adresse wird nicht geöffnet."},
    };
    for (const Row& row : rows)
        EXPECT_EQ(win_webview2::navigationText(row.url, row.route, row.opened), row.want) << row.url;
}

TEST(WebView2Status, TextsOfEndedNavigations)
{
    struct Row {
        bool success;
        int error;
        int http;
        const char* want;
    };
    const Row rows[] = {
        {true, 0, 200, "Fertig"},
        {true, 0, 0, "Fertig"}, // a runtime that does not tell the status
        {false, 0, 404, "Seite nicht gefunden"},
        {true, 0, 404, "Seite nicht gefunden"},
        {false, win_webview2::kWebErrorOperationCanceled, 0, "Abgebrochen"},
        {false, 13, 0, "Die Seite konnte nicht geladen werden (Fehler 13)."},
        {false, 0, 0, "Die Seite konnte nicht geladen werden (Fehler 0)."},
    };
    for (const Row& row : rows)
        EXPECT_EQ(win_webview2::completedText(row.success, row.error, row.http), row.want)
            << row.success << " " << row.error << " " << row.http;
}

TEST(WindowKeys, CommandsOfKeys)
{
    using namespace win_keys;
    struct Row {
        const char* name;
        unsigned vk;
        Modifiers mods;
        KeyCommand want;
    };
    const Modifiers none{};
    const Modifiers ctrl{true, false};
    const Modifiers alt{false, true};
    const Modifiers altGr{true, true};
    const Row rows[] = {
        {"F1", kVkF1, none, KeyCommand::About},
        {"Ctrl+F1", kVkF1, ctrl, KeyCommand::None},
        {"Alt+F1", kVkF1, alt, KeyCommand::None},
        {"Ctrl+Q", kVkQ, ctrl, KeyCommand::Exit},
        {"Q", kVkQ, none, KeyCommand::None},
        {"Alt+Q", kVkQ, alt, KeyCommand::None},
        {"AltGr+Q (@ on a German keyboard)", kVkQ, altGr, KeyCommand::None},
        {"Ctrl+P", kVkP, ctrl, KeyCommand::Print},
        {"AltGr+P", kVkP, altGr, KeyCommand::None},
        {"Alt+Left", kVkLeft, alt, KeyCommand::Back},
        {"Left", kVkLeft, none, KeyCommand::None},
        {"Ctrl+Alt+Left", kVkLeft, altGr, KeyCommand::None},
        {"Alt+Right", kVkRight, alt, KeyCommand::Forward},
        {"Alt+Home", kVkHome, alt, KeyCommand::Home},
        {"Home", kVkHome, none, KeyCommand::None},
        {"F5", kVkF5, none, KeyCommand::Reload},
        {"Ctrl+F5", kVkF5, ctrl, KeyCommand::Reload},
        {"a", 'A', none, KeyCommand::None},
        {"Ctrl+A", 'A', ctrl, KeyCommand::None},
        {"Tab", 0x09, none, KeyCommand::None},
    };
    for (const Row& row : rows)
        EXPECT_EQ(commandForKey(row.vk, row.mods), row.want) << row.name;
}

TEST(WindowKeys, TheHookTakesOnlyTheWindowsOwnEnabledCommands)
{
    using namespace win_keys;
    EnabledCommands all;
    for (KeyCommand c : {KeyCommand::Print, KeyCommand::Exit, KeyCommand::About, KeyCommand::Back,
                         KeyCommand::Forward, KeyCommand::Home, KeyCommand::Reload})
        all.set(c);
    const EnabledCommands noAbout = EnabledCommands(all).set(KeyCommand::About, false);
    const EnabledCommands noExit = EnabledCommands(all).set(KeyCommand::Exit, false);
    const EnabledCommands noHome = EnabledCommands(all).set(KeyCommand::Home, false);
    struct Row {
        const char* name;
        unsigned vk;
        Modifiers mods;
        EnabledCommands enabled;
        KeyCommand want;
    };
    const Modifiers none{};
    const Modifiers ctrl{true, false};
    const Modifiers alt{false, true};
    const Row rows[] = {
        {"F1", kVkF1, none, all, KeyCommand::About},
        {"F1 without Über", kVkF1, none, noAbout, KeyCommand::None},
        {"F1 without Beenden", kVkF1, none, noExit, KeyCommand::About},
        {"Ctrl+Q", kVkQ, ctrl, all, KeyCommand::Exit},
        {"Ctrl+Q without Beenden", kVkQ, ctrl, noExit, KeyCommand::None},
        {"AltGr+Q", kVkQ, Modifiers{true, true}, all, KeyCommand::None},
        {"Alt+Home", kVkHome, alt, all, KeyCommand::Home},
        {"Alt+Home without Startseite", kVkHome, alt, noHome, KeyCommand::None},
        // The engine carries these out itself; taking them too would run them twice.
        {"F5", kVkF5, none, all, KeyCommand::None},
        {"Ctrl+P", kVkP, ctrl, all, KeyCommand::None},
        {"Alt+Left", kVkLeft, alt, all, KeyCommand::None},
        {"Alt+Right", kVkRight, alt, all, KeyCommand::None},
        // Ordinary keys belong to the page.
        {"Tab", 0x09, none, all, KeyCommand::None},
        {"a", 'A', none, all, KeyCommand::None},
        {"Q", kVkQ, none, all, KeyCommand::None},
    };
    for (const Row& row : rows)
        EXPECT_EQ(hookCommand(row.vk, row.mods, row.enabled), row.want) << row.name;
}

} // namespace
} // namespace pagolux
