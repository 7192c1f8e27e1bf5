#include "viewer/webkit/Downloads.h"

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace pagolux {
namespace {

constexpr char kName[] = "pagolux-name";
constexpr char kFailed[] = "pagolux-failed";
constexpr char kChosen[] = "pagolux-chosen";

// A world of its own, out of the pages' reach: a page cannot fake or hide the clicks it reports.
constexpr char kWorld[] = "pagolux";
constexpr char kHandler[] = "pagoluxDownload";
// Reports each click on a download link with the address and the name it gives.
constexpr char kClickScript[] = R"JS(
document.addEventListener('click', e => {
  const a = e.target instanceof Element ? e.target.closest('a[download], area[download]') : null;
  if (a && typeof a.href === 'string')
    webkit.messageHandlers.pagoluxDownload.postMessage([a.href, a.download]);
}, true);
)JS";

// The name an engine download is known by in messages: the file it goes to.
std::string nameOf(WebKitDownload* download)
{
    const auto* name = static_cast<const char*>(g_object_get_data(G_OBJECT(download), kName));
    return name ? name : "";
}

void setName(WebKitDownload* download, const std::string& name)
{
    g_object_set_data_full(G_OBJECT(download), kName, g_strdup(name.c_str()), g_free);
}

std::string baseName(const std::string& path)
{
    char* base = g_path_get_basename(path.c_str());
    std::string name = base;
    g_free(base);
    return name;
}

// Why the engine's download failed, in German, with the engine's own words after it.
std::string reasonOf(const GError* error)
{
    std::string reason;
    if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_DESTINATION))
        reason = "Die Datei konnte nicht geschrieben werden";
    else if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_NETWORK))
        reason = "Die Daten konnten nicht gelesen werden";
    if (error->message && *error->message)
        reason += (reason.empty() ? "" : ": ") + std::string(error->message);
    return reason.empty() ? "Unbekannter Fehler" : reason;
}

// The engine's contract for the destination: a file name on WebKitGTK 6.0, a file URI before.
void setDestination(WebKitDownload* download, const std::string& path)
{
    webkit_download_set_allow_overwrite(download, TRUE); // the dialog has asked about it
#if PAGOLUX_WEBKIT_GTK4
    webkit_download_set_destination(download, path.c_str());
#else
    char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    webkit_download_set_destination(download, uri ? uri : path.c_str());
    g_free(uri);
#endif
}

GtkWindow* windowOf(WebKitWebView* view)
{
#if PAGOLUX_WEBKIT_GTK4
    GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view));
    return root && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
#else
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
    return top && gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
#endif
}

// The user's download folder: as the desktop names it, else ~/Downloads where it exists (as
// Qt's fronts choose), else the home folder.
std::string downloadFolder()
{
    if (const char* named = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD))
        return named;
    char* usual = g_build_filename(g_get_home_dir(), "Downloads", nullptr);
    std::string folder = g_file_test(usual, G_FILE_TEST_IS_DIR) ? usual : g_get_home_dir();
    g_free(usual);
    return folder;
}

// A new folder only the user can enter, for files handed to other programs: under
// $XDG_RUNTIME_DIR (the user's own, emptied at logout), else $TMPDIR, else /tmp. Empty when
// none can be made.
std::string privateFolder()
{
    const char* const bases[] = {std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), "/tmp"};
    for (const char* base : bases) {
        if (!base || *base != '/')
            continue;
        std::string folder = std::string(base) + "/pagolux-XXXXXX";
        if (mkdtemp(folder.data()))
            return folder;
    }
    return {};
}

std::string stringAt(JSCValue* array, unsigned index)
{
    JSCValue* item = jsc_value_object_get_property_at_index(array, index);
    std::string text;
    if (item && jsc_value_is_string(item)) {
        char* s = jsc_value_to_string(item);
        text = s;
        g_free(s);
    }
    if (item)
        g_object_unref(item);
    return text;
}

} // namespace

Downloads::Downloads(WebKitWebView* view, SiteScheme& scheme,
                     std::function<void(const std::string&, const std::string&)> failed,
                     std::function<void(const std::string&)> saved,
                     std::function<void(const std::string&)> note)
    : view_(view), scheme_(scheme), failed_(std::move(failed)), saved_(std::move(saved)),
      note_(std::move(note))
{
}

void Downloads::watch(GObject* source)
{
    g_signal_connect(source, "download-started",
                     G_CALLBACK(+[](GObject*, WebKitDownload* download, gpointer self) {
                         static_cast<Downloads*>(self)->started(download);
                     }),
                     this);
    watchClicks();
}

void Downloads::watchClicks()
{
    WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view_);
    WebKitUserScript* script = webkit_user_script_new_for_world(
        kClickScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
        kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(manager, script);
    webkit_user_script_unref(script);
#if PAGOLUX_WEBKIT_GTK4
    webkit_user_content_manager_register_script_message_handler(manager, kHandler, kWorld);
    g_signal_connect(manager, "script-message-received::pagoluxDownload",
                     G_CALLBACK(+[](WebKitUserContentManager*, JSCValue* value, gpointer self) {
                         static_cast<Downloads*>(self)->clicked(value);
                     }),
                     this);
#else
    webkit_user_content_manager_register_script_message_handler_in_world(manager, kHandler, kWorld);
    g_signal_connect(
        manager, "script-message-received::pagoluxDownload",
        G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
            static_cast<Downloads*>(self)->clicked(webkit_javascript_result_get_js_value(result));
        }),
        this);
#endif
}

void Downloads::clicked(JSCValue* link)
{
    const std::string uri = stringAt(link, 0);
    if (!uri.empty())
        clickedNames_[uri] = stringAt(link, 1);
}

bool Downloads::isClickedDownload(std::string_view uri) const
{
    return clickedNames_.find(uri) != clickedNames_.end();
}

bool Downloads::decideResponse(WebKitPolicyDecision* decision)
{
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    const char* type =
        webkit_uri_response_get_mime_type(webkit_response_policy_decision_get_response(response));
    const bool pdf = type && g_ascii_strcasecmp(type, "application/pdf") == 0;
    if (webkit_response_policy_decision_is_mime_type_supported(response) && !(pdf && noPdfViewer_))
        return false;
    const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
    if (uri && SiteScheme::isOwn(uri)) {
        webkit_policy_decision_ignore(decision);
        if (pdf)
            openPdf(uri);
        else
            saveOwn(uri);
    } else {
        webkit_policy_decision_download(decision);
    }
    return true;
}

void Downloads::ask(const std::string& name, std::function<void(const std::string&)> chosen)
{
    if (answer_) {
        chosen(answer_->empty() ? std::string() : *answer_ + "/" + name);
        return;
    }
    GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
        "Speichern unter", windowOf(view_), GTK_FILE_CHOOSER_ACTION_SAVE, "_Speichern", "_Abbrechen");
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
    const std::string folder = downloadFolder();
#if PAGOLUX_WEBKIT_GTK4
    // GTK 4 always asks before a file is replaced.
    GFile* start = g_file_new_for_path(folder.c_str());
    gtk_file_chooser_set_current_folder(chooser, start, nullptr);
    g_object_unref(start);
#else
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    gtk_file_chooser_set_current_folder(chooser, folder.c_str());
#endif
    gtk_file_chooser_set_current_name(chooser, name.c_str());
    using Chosen = std::function<void(const std::string&)>;
    g_object_set_data_full(G_OBJECT(dialog), kChosen, new Chosen(std::move(chosen)),
                           [](gpointer p) { delete static_cast<Chosen*>(p); });
    g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkNativeDialog* d, int response, gpointer) {
                         GFile* file = response == GTK_RESPONSE_ACCEPT
                                           ? gtk_file_chooser_get_file(GTK_FILE_CHOOSER(d))
                                           : nullptr;
                         char* path = file ? g_file_get_path(file) : nullptr;
                         (*static_cast<Chosen*>(g_object_get_data(G_OBJECT(d), kChosen)))(path ? path : "");
                         g_free(path);
                         if (file)
                             g_object_unref(file);
                         g_object_unref(d);
                     }),
                     nullptr);
    gtk_native_dialog_show(GTK_NATIVE_DIALOG(dialog));
}

void Downloads::saveOwn(const std::string& uri)
{
    std::string name;
    if (const auto it = clickedNames_.find(uri); it != clickedNames_.end()) {
        name = baseName(it->second);
        clickedNames_.erase(it);
    }
    if (name.empty() || name == "/" || name == ".")
        name = SiteScheme::fileNameOf(uri);
    if (name.empty())
        name = "download";
    ask(name, [this, uri, name](const std::string& path) {
        if (path.empty())
            return tell("abgebrochen " + name);
        scheme_.saveMember(uri, path, SiteScheme::SaveMode::Replace,
                           [this, saved = baseName(path)](const std::string& error) { ended(saved, error); });
    });
}

void Downloads::openPdf(const std::string& uri)
{
    // xdg-open works on every desktop; gio open where it is missing.
    std::vector<std::string> argv;
    for (const auto& [tool, verb] : {std::pair{"xdg-open", ""}, std::pair{"gio", "open"}})
        if (char* found = g_find_program_in_path(tool)) {
            argv = {found};
            if (*verb)
                argv.emplace_back(verb);
            g_free(found);
            break;
        }
    const std::string folder = argv.empty() ? std::string() : privateFolder();
    if (folder.empty())
        return saveOwn(uri);
    std::string name = SiteScheme::fileNameOf(uri);
    if (name.empty())
        name = "dokument.pdf";
    const std::string path = folder + "/" + name;
    argv.push_back(path);
    scheme_.saveMember(uri, path, SiteScheme::SaveMode::NewPrivate,
                       [this, name, argv](const std::string& error) {
                           if (!error.empty())
                               return ended(name, error);
                           std::vector<char*> args;
                           for (const std::string& a : argv)
                               args.push_back(const_cast<char*>(a.c_str()));
                           args.push_back(nullptr);
                           // Started directly, without a shell; GLib reaps it when it ends.
                           GError* spawnError = nullptr;
                           if (g_spawn_async(nullptr, args.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                                             nullptr, &spawnError)) {
                               tell("geöffnet " + argv.back());
                               return;
                           }
                           ended(name, spawnError->message);
                           g_error_free(spawnError);
                       });
}

void Downloads::started(WebKitDownload* download)
{
    if (webkit_download_get_web_view(download) != view_)
        return;
    const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
    if (uri && SiteScheme::isOwn(uri)) {
        // The engine would fail to fetch it: the member is written from the archive instead.
        webkit_download_cancel(download);
        return saveOwn(uri);
    }
    if (uri)
        clickedNames_.erase(uri);
    // Held until the download has ended, whatever the engine does with its own reference.
    g_object_ref(download);
    g_signal_connect(download, "decide-destination",
                     G_CALLBACK(+[](WebKitDownload* d, const char* suggested, gpointer self) -> gboolean {
                         setName(d, suggested && *suggested ? baseName(suggested) : "download");
                         g_object_ref(d);
                         static_cast<Downloads*>(self)->ask(nameOf(d), [d](const std::string& path) {
                             if (path.empty()) {
                                 webkit_download_cancel(d);
                             } else {
                                 setName(d, baseName(path));
                                 setDestination(d, path);
                             }
                             g_object_unref(d);
                         });
                         return TRUE;
                     }),
                     this);
    g_signal_connect(
        download, "failed", G_CALLBACK(+[](WebKitDownload* d, GError* error, gpointer self) {
            // "finished" follows "failed": the failure is what counts.
            g_object_set_data(G_OBJECT(d), kFailed, GINT_TO_POINTER(1));
            auto& downloads = *static_cast<Downloads*>(self);
            if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER))
                downloads.tell("abgebrochen " + nameOf(d));
            else
                downloads.ended(nameOf(d), reasonOf(error));
        }),
        this);
    g_signal_connect(download, "finished", G_CALLBACK(+[](WebKitDownload* d, gpointer self) {
                         if (!g_object_get_data(G_OBJECT(d), kFailed))
                             static_cast<Downloads*>(self)->ended(nameOf(d), {});
                         g_object_unref(d);
                     }),
                     this);
}

void Downloads::ended(const std::string& name, const std::string& error)
{
    if (error.empty()) {
        if (saved_)
            saved_(name);
        return tell("gespeichert " + name);
    }
    tell("fehlgeschlagen " + name + ": " + error);
    if (failed_)
        failed_("Die Datei \u201E" + name + "\u201C konnte nicht gespeichert werden.", error);
}

void Downloads::tell(const std::string& text) const
{
    if (note_)
        note_(text);
}

} // namespace pagolux
