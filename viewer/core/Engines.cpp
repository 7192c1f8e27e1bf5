#include "viewer/core/Engines.h"

#include <cstdio>
#include <cstring>

namespace pagolux::engines {

bool tried(const char* engine, const char* forced)
{
    return !forced || !*forced || std::strcmp(engine, forced) == 0;
}

bool displayNamed(const char* display, const char* waylandDisplay, const char* qtPlatform,
                  const char* gdkBackend)
{
    const char* const values[] = {display, waylandDisplay, qtPlatform, gdkBackend};
    for (const char* value : values)
        if (value && *value)
            return true;
    return false;
}

std::size_t missingEngineMessage(const char* forced, char* out, std::size_t cap)
{
    if (cap == 0)
        return 0;
    int n = 0;
    const auto add = [&](const char* text) {
        if (n >= 0 && static_cast<std::size_t>(n) < cap)
            n += std::snprintf(out + n, cap - static_cast<std::size_t>(n), "%s", text);
    };
    out[0] = '\0';
    if (forced && *forced) {
        add("Die verlangte Web-Engine \"");
        add(forced);
        add("\" ist auf diesem Rechner nicht vorhanden oder unbekannt (PAGOLUX_VIEWER_ENGINE; möglich: ");
        for (std::size_t i = 0; i < kCount; ++i) {
            add(kAll[i]);
            add(i + 1 < kCount ? ", " : ").\n");
        }
    }
    add("Dieses Programm kann seine Seiten nicht zeigen: Auf diesem Rechner fehlt eine Web-Engine.\n"
        "Bitte installieren Sie das Paket libwebkit2gtk-4.1-0 (WebKitGTK) oder "
        "libqt6webenginewidgets6 (Qt WebEngine), zum Beispiel mit:\n"
        "  sudo apt install libwebkit2gtk-4.1-0");
    return n < 0 ? 0 : std::strlen(out);
}

std::size_t noWindowMessage(const char* engine, const char* display, const char* waylandDisplay, char* out,
                            std::size_t cap)
{
    if (cap == 0)
        return 0;
    const int n = std::snprintf(out, cap,
                                "Die Web-Engine %s ist vorhanden, konnte aber kein Fenster öffnen "
                                "(DISPLAY=%s, WAYLAND_DISPLAY=%s): Die Anzeige ist nicht erreichbar, oder "
                                "dieses Programm darf sie nicht benutzen.\n"
                                "Bitte starten Sie es aus der Sitzung eines Desktops heraus.",
                                engine, display ? display : "", waylandDisplay ? waylandDisplay : "");
    return n < 0 ? 0 : std::strlen(out);
}

} // namespace pagolux::engines
