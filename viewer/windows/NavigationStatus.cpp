#include "viewer/windows/NavigationStatus.h"

#include "viewer/core/SiteAddressSpace.h"

namespace pagolux::win_webview2 {
namespace {

// The decoded path of an address on the origin, without query and fragment; "/" for none.
std::string sitePathOf(std::string_view url)
{
    std::string_view rest = url.substr(std::string_view(kOrigin).size());
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path = viewer::percentDecode(rest);
    if (path.empty() || path[0] != '/')
        path.insert(0, "/");
    // A status line holds one line of text: an escaped line break or other control character
    // of the address is shown as "?".
    for (char& c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return path;
}

} // namespace

std::string navigationText(std::string_view url, Route route, bool opened)
{
    if (route == Route::Load)
        return onOrigin(url) ? "Lädt " + sitePathOf(url) + " …" : "Lädt …";
    if (route == Route::External && opened)
        return "Im Standardbrowser geöffnet: " + std::string(url);
    return "Die Adresse wird nicht geöffnet.";
}

std::string completedText(bool success, int webErrorStatus, int httpStatus)
{
    if (httpStatus == 404)
        return "Seite nicht gefunden";
    if (success)
        return "Fertig";
    if (webErrorStatus == kWebErrorOperationCanceled)
        return "Abgebrochen";
    return "Die Seite konnte nicht geladen werden (Fehler " + std::to_string(webErrorStatus) + ").";
}

} // namespace pagolux::win_webview2
