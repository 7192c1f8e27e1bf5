// The WebKitGTK front of the Linux viewer, built three times: against WebKitGTK 4.1 and 4.0
// (GTK 3) and 6.0 (GTK 4). The Linux starter runs it from memory and hands it the program
// file, the patched marker and icon. It shows the same window as the Qt front: title = project
// name, size or maximised, a fixed size without menu, status bar, toolbar and the commands
// print, exit, back, forward, home, reload, about and the exit button as flagged, German
// texts, the pages served from the archive under the site address rules. Links to http(s)
// open the user's browser only when the user's own click or key started the navigation.

#include "format/BuildSettings.h"
#include "format/Palette.h"
#include "platform/FileSizeSignal.h"
#include "platform/Paths.h"
#include "viewer/core/FrontHandoff.h"
#include "viewer/core/MessageLanguage.h"
#include "viewer/core/SiteStorage.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/webkit/Downloads.h"
#include "viewer/webkit/SiteScheme.h"

#if PAGOLUX_WEBKIT_GTK4
#include <X11/Xatom.h>
#include <gdk/x11/gdkx.h>
#endif

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace pagolux;

constexpr int kMinSide = 64;
constexpr int kMaxSide = 16384;

// Flags in settings-block order.
enum Element { StatusBar, ToolBar, Print, Exit, About, Back, Forward, Home, Reload, ExitButton };

// One command: its action name, the object name the probe reports (as the Qt front names
// it), its German text, its shortcut and where it appears.
struct Command {
    Element element;
    const char* action;
    const char* probeName;
    const char* text;
    const char* accel;
};

constexpr Command kCommands[] = {
    {Print, "print", "actionPrint", "Drucken...", "<Primary>p"},
    {Exit, "exit", "actionExit", "Beenden", "<Primary>q"},
    {Back, "back", "actionBack", "Zurück", "<Alt>Left"},
    {Forward, "forward", "actionForward", "Vorwärts", "<Alt>Right"},
    {Home, "home", "actionHome", "Startseite", "<Alt>Home"},
    {Reload, "reload", "actionReload", "Neu laden", "F5"},
    {About, "about", "actionAbout", "Über...", "F1"},
    {ExitButton, "exit-button", "actionExitButton", "Beenden", nullptr},
};

const Command& command(Element e)
{
    return *std::find_if(std::begin(kCommands), std::end(kCommands),
                         [e](const Command& c) { return c.element == e; });
}

struct Front {
    FrontHandoff handoff;
    std::unique_ptr<ViewerPackage> package;
    std::unique_ptr<SiteScheme> scheme;
    std::unique_ptr<Downloads> downloads;
    std::string startError;
    GtkApplication* app = nullptr;
    GtkWidget* window = nullptr;
    WebKitWebView* view = nullptr;
    GtkWidget* status = nullptr;
    bool linkShown = false; // the status bar shows the address of the link under the mouse
    bool menu = false;
    std::vector<const char*> commands, tools;
    bool probe = false;
    bool reported = false;
    bool loadFailed = false;
    // The address the probe reported, and the last page loaded after it.
    std::string reportedUri, lastLoadedUri;
    int exitCode = 0;

    [[nodiscard]] bool on(Element e) const
    {
        return package->settings().elements[static_cast<std::size_t>(e)];
    }
};

void quit(Front& f, int code)
{
    f.exitCode = code;
    g_application_quit(G_APPLICATION(f.app));
}

void line(const char* key, const std::string& value)
{
    std::printf("%s=%s\n", key, value.c_str());
    std::fflush(stdout);
}

void appendChild(GtkWidget* box, GtkWidget* child, bool expand)
{
#if PAGOLUX_WEBKIT_GTK4
    gtk_widget_set_vexpand(child, expand);
    gtk_widget_set_hexpand(child, TRUE);
    gtk_box_append(GTK_BOX(box), child);
#else
    gtk_box_pack_start(GTK_BOX(box), child, expand, TRUE, 0);
#endif
}

void destroyWindow(GtkWidget* window)
{
#if PAGOLUX_WEBKIT_GTK4
    gtk_window_destroy(GTK_WINDOW(window));
#else
    gtk_widget_destroy(window);
#endif
}

// A message window over the front's window (or alone), closed with OK; then runs done.
void message(Front& f, GtkMessageType type, const std::string& title, const std::string& text,
             const std::string& detail, void (*done)(Front&))
{
    GtkWidget* dialog = gtk_message_dialog_new(f.window ? GTK_WINDOW(f.window) : nullptr, GTK_DIALOG_MODAL,
                                               type, GTK_BUTTONS_OK, "%s", text.c_str());
    if (!detail.empty())
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", detail.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
    gtk_window_set_application(GTK_WINDOW(dialog), f.app);
    g_object_set_data(G_OBJECT(dialog), "pagolux-done", reinterpret_cast<gpointer>(done));
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkWidget* d, int, gpointer data) {
                         auto done = reinterpret_cast<void (*)(Front&)>(
                             g_object_get_data(G_OBJECT(d), "pagolux-done"));
                         destroyWindow(d);
                         if (done)
                             done(*static_cast<Front*>(data));
                     }),
                     &f);
    gtk_window_present(GTK_WINDOW(dialog));
}

// The colour of pixel (x, y) of the 32 x 32 icon in 512 pixel bytes (bottom row first, 4 bits a
// pixel, the 16-colour palette).
const PaletteColor& iconColor(const std::array<std::uint8_t, 512>& pixels, int x, int y)
{
    const std::uint8_t* row = &pixels[static_cast<std::size_t>((31 - y) * 16)];
    const int index = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    return kIconPalette[static_cast<std::size_t>(index)];
}

#if PAGOLUX_WEBKIT_GTK4
// GTK 4 takes window icons only from the icon theme; on X11 the icon is set on the window
// itself (_NET_WM_ICON: width, height, then ARGB pixels).
void setX11Icon(GtkWidget* window, const std::array<std::uint8_t, 512>& pixels)
{
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    if (!surface || !GDK_IS_X11_SURFACE(surface))
        return;
    GdkDisplay* display = gdk_surface_get_display(surface);
    std::vector<unsigned long> data{32, 32};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const PaletteColor& c = iconColor(pixels, x, y);
            data.push_back(0xFF000000UL | static_cast<unsigned long>(c.red) << 16 |
                           static_cast<unsigned long>(c.green) << 8 | c.blue);
        }
    XChangeProperty(gdk_x11_display_get_xdisplay(display), gdk_x11_surface_get_xid(surface),
                    gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_ICON"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
}
#else
GdkPixbuf* iconPixbuf(const std::array<std::uint8_t, 512>& pixels)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 32, 32);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    guchar* data = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const PaletteColor& c = iconColor(pixels, x, y);
            guchar* p = data + y * stride + x * 3;
            p[0] = c.red;
            p[1] = c.green;
            p[2] = c.blue;
        }
    return pixbuf;
}
#endif

bool isWeb(std::string_view uri)
{
    return g_str_has_prefix(std::string(uri).c_str(), "http://") ||
           g_str_has_prefix(std::string(uri).c_str(), "https://");
}

void openExternally(const char* uri)
{
    g_app_info_launch_default_for_uri(uri, nullptr, nullptr);
}

// Which navigations happen: the program's own addresses, their blob: addresses and about:blank
// load; http(s) goes to the browser when the user's click or key started it; everything else
// (file:, data: pages, unknown schemes) is refused, except the data: address of a download link
// the user clicked, which the engine then saves. A response the view cannot show is saved too.
gboolean decidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                      gpointer data)
{
    Downloads& downloads = *static_cast<Front*>(data)->downloads;
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
        return downloads.decideResponse(decision);
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
        return FALSE;
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string_view target = uri ? uri : "";
    const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
    // What a page made itself loads as its own blob: address, or as a clicked download link's
    // data: address (which the engine then saves).
    const bool ownBlob = target.substr(0, 5) == "blob:" && SiteScheme::isOwn(target.substr(5));
    if (SiteScheme::isOwn(target) ||
        (!newWindow && (target == "about:blank" || ownBlob || downloads.isClickedDownload(target)))) {
        if (!newWindow) {
            webkit_policy_decision_use(decision);
            return TRUE;
        }
        // A page opened for a new window shows in this window.
        webkit_web_view_load_uri(view, uri);
    } else if (isWeb(target)) {
        const auto kind = webkit_navigation_action_get_navigation_type(action);
        const bool byUser = webkit_navigation_action_is_user_gesture(action) &&
                            (newWindow || kind == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED ||
                             kind == WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED);
        if (byUser)
            openExternally(uri);
    }
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

void updateHistory(Front& f)
{
    for (const auto& [name, can] : {std::pair{"back", webkit_web_view_can_go_back(f.view)},
                                    std::pair{"forward", webkit_web_view_can_go_forward(f.view)}})
        if (GAction* a = g_action_map_lookup_action(G_ACTION_MAP(f.app), name))
            g_simple_action_set_enabled(G_SIMPLE_ACTION(a), can);
}

void pollProbe(Front& f, int attemptsLeft);

void report(Front& f)
{
    if (f.reported)
        return;
    f.reported = true;
    line("engine", f.handoff.engine);
    line("loaded", f.loadFailed ? "0" : "1");
    const char* uri = webkit_web_view_get_uri(f.view);
    f.reportedUri = uri ? uri : "";
    line("url", f.reportedUri);
    const char* title = webkit_web_view_get_title(f.view);
    line("title", title ? title : "");
    line("windowTitle", gtk_window_get_title(GTK_WINDOW(f.window)));
#if PAGOLUX_WEBKIT_GTK4
    const int width = gtk_widget_get_width(f.window), height = gtk_widget_get_height(f.window);
#else
    int width = 0, height = 0;
    gtk_window_get_size(GTK_WINDOW(f.window), &width, &height);
#endif
    line("size", std::to_string(width) + "x" + std::to_string(height));
    line("maximized", gtk_window_is_maximized(GTK_WINDOW(f.window)) ? "1" : "0");
    line("fixed", gtk_window_get_resizable(GTK_WINDOW(f.window)) ? "0" : "1");
    line("menu", f.menu ? "1" : "0");
    const auto join = [](const std::vector<const char*>& names) {
        std::string text;
        for (const char* n : names)
            text += (text.empty() ? "" : ",") + std::string(n);
        return text;
    };
    line("toolbar", join(f.tools));
    line("commands", join(f.commands));
    line("statusbar", f.status ? "1" : "0");
    line("members", std::to_string(f.package->memberCount()));
    std::string icon;
    for (std::uint8_t b : f.handoff.icon) {
        static constexpr char hex[] = "0123456789abcdef";
        icon += hex[b >> 4];
        icon += hex[b & 0x0F];
    }
    line("icon", icon);
    const char* script = std::getenv("PAGOLUX_VIEWER_PROBE_SCRIPT");
    if (!script || !*script)
        return quit(f, 0);
    webkit_web_view_evaluate_javascript(f.view, script, -1, nullptr, nullptr, nullptr, nullptr, nullptr);
    pollProbe(f, 400);
}

struct Poll {
    Front* front;
    int attemptsLeft;
};

void pollProbe(Front& f, int attemptsLeft)
{
    webkit_web_view_evaluate_javascript(
        f.view, "typeof window.__probe === 'string' ? window.__probe : null", -1, nullptr, nullptr, nullptr,
        +[](GObject* view, GAsyncResult* result, gpointer data) {
            const Poll poll = *static_cast<Poll*>(data);
            delete static_cast<Poll*>(data);
            GError* error = nullptr;
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
            if (error)
                g_error_free(error);
            if (value && jsc_value_is_string(value)) {
                char* text = jsc_value_to_string(value);
                line("script", text);
                line("inflated", std::to_string(poll.front->scheme->bytesInflated()));
                if (poll.front->status)
                    line("statusText", gtk_label_get_text(GTK_LABEL(poll.front->status)));
                g_free(text);
                g_object_unref(value);
                return quit(*poll.front, 0);
            }
            if (value)
                g_object_unref(value);
            // The script led to another page (a PDF in the engine's viewer, say), which will
            // never answer: its address is the result.
            const Front& fr = *poll.front;
            if (!fr.lastLoadedUri.empty() && fr.lastLoadedUri != fr.reportedUri) {
                line("navigated", fr.lastLoadedUri);
                return quit(*poll.front, 0);
            }
            if (poll.attemptsLeft <= 0) {
                line("script", "<no result>");
                return quit(*poll.front, 4);
            }
            g_timeout_add(
                50,
                +[](gpointer p) {
                    const Poll next = *static_cast<Poll*>(p);
                    delete static_cast<Poll*>(p);
                    pollProbe(*next.front, next.attemptsLeft - 1);
                    return G_SOURCE_REMOVE;
                },
                new Poll(poll));
        },
        new Poll{&f, attemptsLeft});
}

void addAction(Front& f, const Command& c, void (*run)(Front&))
{
    GSimpleAction* action = g_simple_action_new(c.action, nullptr);
    g_object_set_data(G_OBJECT(action), "pagolux-run", reinterpret_cast<gpointer>(run));
    g_signal_connect(action, "activate", G_CALLBACK(+[](GSimpleAction* a, GVariant*, gpointer data) {
                         reinterpret_cast<void (*)(Front&)>(g_object_get_data(G_OBJECT(a), "pagolux-run"))(
                             *static_cast<Front*>(data));
                     }),
                     &f);
    g_action_map_add_action(G_ACTION_MAP(f.app), G_ACTION(action));
    g_object_unref(action);
    if (c.accel) {
        const std::string name = std::string("app.") + c.action;
        const char* accels[] = {c.accel, nullptr};
        gtk_application_set_accels_for_action(f.app, name.c_str(), accels);
    }
    f.commands.push_back(c.probeName);
}

void buildWindow(Front& f)
{
    const BuildSettings& s = f.package->settings();
    f.window = gtk_application_window_new(f.app);
    const std::string title(s.projectName.begin(), s.projectName.end());
    gtk_window_set_title(GTK_WINDOW(f.window), title.c_str());
#if PAGOLUX_WEBKIT_GTK4
    g_signal_connect(f.window, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer data) {
                         setX11Icon(w, static_cast<Front*>(data)->handoff.icon);
                     }),
                     &f);
#else
    GdkPixbuf* icon = iconPixbuf(f.handoff.icon);
    gtk_window_set_icon(GTK_WINDOW(f.window), icon);
    g_object_unref(icon);
#endif

    using Run = void (*)(Front&);
    const std::pair<Element, Run> handlers[] = {
        {Print,
         [](Front& fr) {
             WebKitPrintOperation* op = webkit_print_operation_new(fr.view);
             webkit_print_operation_run_dialog(op, GTK_WINDOW(fr.window));
             g_object_unref(op);
         }},
        {Exit, [](Front& fr) { gtk_window_close(GTK_WINDOW(fr.window)); }},
        {Back, [](Front& fr) { webkit_web_view_go_back(fr.view); }},
        {Forward, [](Front& fr) { webkit_web_view_go_forward(fr.view); }},
        {Home, [](Front& fr) { webkit_web_view_load_uri(fr.view, fr.scheme->startUri().c_str()); }},
        {Reload, [](Front& fr) { webkit_web_view_reload(fr.view); }},
        {About,
         [](Front& fr) {
             const std::string name = gtk_window_get_title(GTK_WINDOW(fr.window));
             message(fr, GTK_MESSAGE_INFO, "Über " + name, name, "Erstellt mit Pagolux 2.0.", nullptr);
         }},
        {ExitButton, [](Front& fr) { gtk_window_close(GTK_WINDOW(fr.window)); }},
    };
    for (const auto& [element, run] : handlers)
        if (f.on(element))
            addAction(f, command(element), run);

    // A fixed-size window has no menu; its commands stay reachable through the toolbar (where
    // "Über..." joins them) and their shortcuts (F1 for "Über...").
    if (!s.fixedSize) {
        GMenu* bar = g_menu_new();
        const std::pair<const char*, std::vector<Element>> menus[] = {
            {"_Datei", {Print, Exit}}, {"_Ansicht", {Back, Forward, Home, Reload}}, {"_Hilfe", {About}}};
        for (const auto& [label, elements] : menus) {
            GMenu* menu = g_menu_new();
            for (Element e : elements)
                if (f.on(e))
                    g_menu_append(menu, command(e).text, (std::string("app.") + command(e).action).c_str());
            if (g_menu_model_get_n_items(G_MENU_MODEL(menu)) > 0) {
                g_menu_append_submenu(bar, label, G_MENU_MODEL(menu));
                f.menu = true;
            }
            g_object_unref(menu);
        }
        gtk_application_set_menubar(f.app, G_MENU_MODEL(bar));
        gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(f.window), f.menu);
        g_object_unref(bar);
    }

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    if (f.on(ToolBar)) {
        GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 2);
        for (Element e : {Back, Forward, Home, Reload, Print, About, ExitButton}) {
            if (!f.on(e) || (e == About && !s.fixedSize))
                continue;
            GtkWidget* button = gtk_button_new_with_label(command(e).text);
            gtk_actionable_set_action_name(GTK_ACTIONABLE(button),
                                           (std::string("app.") + command(e).action).c_str());
            gtk_widget_set_focus_on_click(button, FALSE);
#if PAGOLUX_WEBKIT_GTK4
            gtk_box_append(GTK_BOX(bar), button);
#else
            gtk_box_pack_start(GTK_BOX(bar), button, FALSE, FALSE, 0);
#endif
            f.tools.push_back(command(e).probeName);
        }
        if (!f.tools.empty())
            appendChild(box, bar, false);
    }
    appendChild(box, GTK_WIDGET(f.view), true);
    if (f.on(StatusBar)) {
        f.status = gtk_label_new("");
        gtk_label_set_xalign(GTK_LABEL(f.status), 0.0F);
        gtk_label_set_ellipsize(GTK_LABEL(f.status), PANGO_ELLIPSIZE_MIDDLE);
        gtk_widget_set_margin_start(f.status, 4);
        appendChild(box, f.status, false);
        g_signal_connect(f.view, "mouse-target-changed",
                         G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer data) {
                             auto& fr = *static_cast<Front*>(data);
                             const char* link = webkit_hit_test_result_context_is_link(hit)
                                                    ? webkit_hit_test_result_get_link_uri(hit)
                                                    : nullptr;
                             // Leaving a link clears only the link's own text.
                             if (link || fr.linkShown)
                                 gtk_label_set_text(GTK_LABEL(fr.status),
                                                    link ? SiteScheme::displayName(link).c_str() : "");
                             fr.linkShown = link != nullptr;
                         }),
                         &f);
        g_signal_connect(f.view, "notify::estimated-load-progress",
                         G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) {
                             auto& fr = *static_cast<Front*>(data);
                             const double p = webkit_web_view_get_estimated_load_progress(fr.view);
                             const std::string text =
                                 p < 1.0 ? "Lade... " + std::to_string(static_cast<int>(p * 100)) + " %" : "";
                             gtk_label_set_text(GTK_LABEL(fr.status), text.c_str());
                         }),
                         &f);
    }
#if PAGOLUX_WEBKIT_GTK4
    gtk_window_set_child(GTK_WINDOW(f.window), box);
#else
    gtk_container_add(GTK_CONTAINER(f.window), box);
#endif

    const int width = std::clamp<int>(s.width, kMinSide, kMaxSide);
    const int height = std::clamp<int>(s.height, kMinSide, kMaxSide);
    gtk_window_set_default_size(GTK_WINDOW(f.window), width, height);
    if (!s.definedSize) {
        gtk_window_maximize(GTK_WINDOW(f.window));
    } else if (s.fixedSize) {
        gtk_widget_set_size_request(f.window, width, height);
        gtk_window_set_resizable(GTK_WINDOW(f.window), FALSE);
    }
}

// The engine may tell the page's title a moment after the load has finished: the probe waits
// for it (at most a second) so that it reports what the window shows.
void reportWithTitle(Front& f)
{
    const char* title = webkit_web_view_get_title(f.view);
    if (title && *title)
        return report(f);
    g_signal_connect(
        f.view, "notify::title",
        G_CALLBACK(+[](GObject*, GParamSpec*, gpointer data) { report(*static_cast<Front*>(data)); }), &f);
    g_timeout_add(
        1000,
        +[](gpointer data) {
            report(*static_cast<Front*>(data));
            return G_SOURCE_REMOVE;
        },
        &f);
}

// A JavaScript string literal holding text.
std::string jsString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Downloads of view ask where they go; a failure shows a message. With the probe, what becomes
// of each download is added to the page's window.__downloads, and PAGOLUX_VIEWER_PROBE_SAVE
// answers the save dialog (a folder: the file goes there under its suggested name; empty: the
// dialog is cancelled); PAGOLUX_VIEWER_PROBE_NO_PDF has PDFs handled as by an engine without a
// PDF viewer.
void watchDownloads(Front& f, WebKitWebView* view, GObject* source)
{
    auto note = [&f](const std::string& text) {
        const std::string script =
            "(window.__downloads = window.__downloads || []).push(" + jsString(text) + ")";
        webkit_web_view_evaluate_javascript(f.view, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                            nullptr);
    };
    f.downloads = std::make_unique<Downloads>(
        view, *f.scheme,
        [&f](const std::string& text, const std::string& detail) {
            message(f, GTK_MESSAGE_ERROR, gtk_window_get_title(GTK_WINDOW(f.window)), text, detail, nullptr);
        },
        [&f](const std::string& name) {
            if (f.status) {
                gtk_label_set_text(GTK_LABEL(f.status), ("Gespeichert: " + name).c_str());
                f.linkShown = false;
            }
        },
        f.probe ? std::function<void(const std::string&)>(note) : nullptr);
    if (const char* folder = std::getenv("PAGOLUX_VIEWER_PROBE_SAVE"); f.probe && folder)
        f.downloads->answerWith(folder);
    if (f.probe && std::getenv("PAGOLUX_VIEWER_PROBE_NO_PDF"))
        f.downloads->pretendNoPdfViewer();
    f.downloads->watch(source);
}

WebKitWebView* makeView(Front& f)
{
    // What the pages store (localStorage, IndexedDB, cookies) stays between runs in the
    // program's own folder, beside what the Qt fronts keep there; the cache goes with it.
    const BuildSettings& s = f.package->settings();
    const std::string storage =
        UserDataFolder() + "sites/" +
        viewer::siteStorageName(std::string(s.projectName.begin(), s.projectName.end()),
                                f.package->startPath()) +
        "/";
    const bool keep = EnsureFolder(storage) && EnsureFolder(storage + "webkit/");
    const std::string data = storage + "webkit/data", cache = storage + "webkit/cache";
#if PAGOLUX_WEBKIT_GTK4
    WebKitWebContext* context = webkit_web_context_get_default();
    f.scheme->install(context);
    WebKitNetworkSession* session = keep ? webkit_network_session_new(data.c_str(), cache.c_str())
                                         : webkit_network_session_new_ephemeral();
    auto* view = WEBKIT_WEB_VIEW(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "network-session", session, nullptr));
    watchDownloads(f, view, G_OBJECT(session));
    g_object_unref(session);
#else
    WebKitWebContext* context = nullptr;
    if (keep) {
        WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
            "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
        context = webkit_web_context_new_with_website_data_manager(manager);
        webkit_cookie_manager_set_persistent_storage(webkit_website_data_manager_get_cookie_manager(manager),
                                                     (data + "/cookies.sqlite").c_str(),
                                                     WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
        g_object_unref(manager);
    } else {
        context = webkit_web_context_new_ephemeral();
    }
    f.scheme->install(context);
    auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context));
    watchDownloads(f, view, G_OBJECT(context));
    g_object_unref(context);
#endif
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    g_object_set(settings, "allow-file-access-from-file-urls", FALSE, "allow-universal-access-from-file-urls",
                 FALSE, "javascript-can-open-windows-automatically", TRUE, "enable-developer-extras", FALSE,
                 "enable-write-console-messages-to-stdout", FALSE, nullptr);
    g_signal_connect(view, "decide-policy", G_CALLBACK(decidePolicy), &f);
    g_signal_connect(view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                         auto& fr = *static_cast<Front*>(data);
                         updateHistory(fr);
                         if (event == WEBKIT_LOAD_FINISHED && fr.probe) {
                             if (fr.reported) {
                                 const char* uri = webkit_web_view_get_uri(fr.view);
                                 fr.lastLoadedUri = uri ? uri : "";
                             }
                             reportWithTitle(fr);
                         }
                     }),
                     &f);
    g_signal_connect(view, "load-failed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, char*, GError*, gpointer data) {
                         static_cast<Front*>(data)->loadFailed = true;
                         return FALSE;
                     }),
                     &f);
    return view;
}

void activate(GtkApplication*, gpointer data)
{
    auto& f = *static_cast<Front*>(data);
    if (!f.startError.empty()) {
        if (f.probe) {
            dprintf(f.handoff.errorFd, "error=%s\n", f.startError.c_str());
            return quit(f, 2);
        }
        const auto nl = f.startError.find('\n');
        message(f, GTK_MESSAGE_ERROR, "Pagolux", f.startError.substr(0, nl),
                nl == std::string::npos ? "" : f.startError.substr(nl + 1), [](Front& fr) { quit(fr, 1); });
        return;
    }
    f.view = makeView(f);
    // The start page is asked for before the menus and bars are made: the engine starts its
    // page process meanwhile.
    webkit_web_view_load_uri(f.view, f.scheme->startUri().c_str());
    buildWindow(f);
    updateHistory(f);
    gtk_window_present(GTK_WINDOW(f.window));
#if !PAGOLUX_WEBKIT_GTK4
    gtk_widget_show_all(f.window);
#endif
    if (f.probe)
        // Never hang a test: give up after a minute.
        g_timeout_add_seconds(
            60,
            +[](gpointer p) {
                line("timeout", "1");
                quit(*static_cast<Front*>(p), 3);
                return G_SOURCE_REMOVE;
            },
            &f);
}

} // namespace

int main(int argc, char** argv)
{
    Front f;
    const auto handoff = takeHandoff();
    if (handoff) {
        f.handoff = *handoff;
        announceStarted(f.handoff);
    } else {
        std::snprintf(f.handoff.engine, sizeof f.handoff.engine, "%s", PAGOLUX_WEBKIT_ENGINE);
    }
    IgnoreFileSizeSignal();
    // A page that stops reading a streamed member must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    f.probe = std::getenv("PAGOLUX_VIEWER_PROBE") != nullptr;
    // GTK's own texts (print and file dialogs, buttons) in German, as the window's are.
    useGermanMessages();

    if (!handoff || !f.handoff.patched) {
        f.startError = kMsgViewerUnpatched;
    } else {
        try {
            f.package = ViewerPackage::open("/proc/self/fd/" + std::to_string(f.handoff.hostFd),
                                            f.handoff.settingsOffset);
            f.scheme = std::make_unique<SiteScheme>(*f.package);
        } catch (const Exception& e) {
            f.startError = e.what();
        }
    }

    // A display that is named but cannot be opened (an X server that is gone, a wrong
    // WAYLAND_DISPLAY) ends here with a German message instead of GTK's own on a quiet terminal.
#if PAGOLUX_WEBKIT_GTK4
    (void)argc;
    const bool display = gtk_init_check();
#else
    const bool display = gtk_init_check(&argc, &argv);
#endif
    if (!display) {
        const char* x11 = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        dprintf(f.handoff.errorFd,
                "Die Anzeige kann nicht geöffnet werden (DISPLAY=%s, WAYLAND_DISPLAY=%s): Dieses Programm "
                "braucht einen laufenden Desktop.\n",
                x11 ? x11 : "", wayland ? wayland : "");
        return 1;
    }

    f.app = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
    g_signal_connect(f.app, "activate", G_CALLBACK(activate), &f);
    const int status = g_application_run(G_APPLICATION(f.app), 1, argv);
    g_object_unref(f.app);
    return status != 0 ? status : f.exitCode;
}
