#pragma once
// The downloads of a WebKitGTK view: every download (a download link, <a download>, the
// context menu's download entries, a response the view cannot show) asks with a German save
// dialog ("Speichern unter") where it goes, starting in the user's download folder with the
// suggested file name; a cancelled dialog cancels the download, a failed one is reported with
// the file's name and the reason. The engine cannot download the program's own addresses (it
// fetches downloads apart from the page, where the scheme is unknown), so those are written
// from the archive here; what pages make themselves (blob:, data:) the engine saves. A PDF
// member that the engine cannot show itself goes to the desktop's PDF viewer. Built against
// WebKitGTK 4.1, 4.0 and 6.0 alike.

#include "viewer/webkit/SiteScheme.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pagolux {

class Downloads {
  public:
    // failed(text, detail): shows a German error message. saved(name): a file was written
    // whole (the window says so in its status bar). note(text): told "gespeichert <name>",
    // "abgebrochen <name>" or "fehlgeschlagen <name>: <reason>" for each download that ends
    // (the probe passes these on to the page); may be empty.
    Downloads(WebKitWebView* view, SiteScheme& scheme,
              std::function<void(const std::string&, const std::string&)> failed,
              std::function<void(const std::string&)> saved, std::function<void(const std::string&)> note);
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

    // Watches source's "download-started" (the web context on WebKitGTK 4.x, the network
    // session on 6.0) and the clicks on download links of view's pages.
    void watch(GObject* source);

    // For tests: the save dialog is not shown but answered with folder/<suggested name>, or
    // cancelled when folder is empty.
    void answerWith(std::string folder) { answer_ = std::move(folder); }
    // For tests: the engine is taken to have no PDF viewer of its own.
    void pretendNoPdfViewer() { noPdfViewer_ = true; }

    // Decides a response: one the view cannot show is saved instead, so that a click on a link
    // to it never does nothing. Returns whether it decided.
    bool decideResponse(WebKitPolicyDecision* decision);

    // Whether uri (a blob: or data: address a page made) was just clicked as a download link,
    // so that its navigation may go on to become a download.
    [[nodiscard]] bool isClickedDownload(std::string_view uri) const;

  private:
    // Asks where name goes; chosen gets the path, or "" when the user cancelled.
    void ask(const std::string& name, std::function<void(const std::string&)> chosen);
    void started(WebKitDownload* download);
    void saveOwn(const std::string& uri);
    // Hands the PDF member uri to the desktop's PDF viewer (a private copy opened with
    // xdg-open or gio); without either it is saved instead.
    void openPdf(const std::string& uri);
    void ended(const std::string& name, const std::string& error);
    void tell(const std::string& text) const;
    void watchClicks();
    // link: [address, download name] of a clicked download link.
    void clicked(JSCValue* link);

    WebKitWebView* view_;
    SiteScheme& scheme_;
    std::function<void(const std::string&, const std::string&)> failed_;
    std::function<void(const std::string&)> saved_;
    std::function<void(const std::string&)> note_;
    std::optional<std::string> answer_;
    bool noPdfViewer_ = false;
    // The name each download link clicked last gives its address (its download attribute).
    std::map<std::string, std::string, std::less<>> clickedNames_;
};

} // namespace pagolux
