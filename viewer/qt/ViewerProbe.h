#pragma once
// A developer and test aid: with PAGOLUX_VIEWER_PROBE set, the viewer prints its state once the
// start page has loaded (key=value lines on stdout) and quits. With PAGOLUX_VIEWER_PROBE_SCRIPT
// it also runs that script in the page and waits until the script has stored a string in
// window.__probe, which it prints as "script=...", followed by "inflated=<bytes>" (what the
// scheme handler has inflated for all requests). Errors go to stderr instead of a window.
// The line "engine=" names the web engine that shows the pages. When the script leads to another
// page instead, its address is printed as "navigated=...". PAGOLUX_VIEWER_PROBE_SAVE answers the
// save dialog (a folder, or empty to cancel) and what becomes of each download is added to the
// page's window.__downloads ("gespeichert <name>", "abgebrochen <name>",
// "fehlgeschlagen <name>: <reason>").

#include <QObject>
#include <QString>
#include <QUrl>

#include <array>
#include <cstdint>

namespace pagolux {

class ArchiveSchemeHandler;
class ViewerWindow;

class ViewerProbe : public QObject {
    Q_OBJECT

  public:
    [[nodiscard]] static bool enabled();
    // Watches window; quits the application after printing. icon: the pixels the window's
    // icon was drawn from.
    ViewerProbe(ViewerWindow& window, int memberCount, const ArchiveSchemeHandler* handler,
                const QString& engine, const std::array<std::uint8_t, 512>& icon);

  private:
    void report(bool ok);
    void poll(int attemptsLeft);

    ViewerWindow& window_;
    int memberCount_;
    const ArchiveSchemeHandler* handler_;
    QString engine_;
    std::array<std::uint8_t, 512> icon_;
    bool reported_ = false;
    // The address reported, and the last page loaded after it.
    QUrl reportedUrl_, lastLoaded_;
};

} // namespace pagolux
