#include "picture/MetafileConverter.h"

#include "icon/IconError.h"

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstdlib>
#include <memory>

namespace pagolux {

namespace {

[[noreturn]] void fail(const std::string& fileName, const std::string& why)
{
    throw EPictureError("Die Metadatei " + fileName + " kann nicht gelesen werden: " + why);
}

// Owns one libwmf API instance for the duration of a conversion.
struct WmfApi {
    wmfAPI* api = nullptr;
    ~WmfApi()
    {
        if (api != nullptr) {
            wmf_api_destroy(api);
        }
    }
};

} // namespace

QByteArray MetafileConverter::wmfToSvg(const QByteArray& data, const std::string& fileName)
{
    if (data.isEmpty()) {
        fail(fileName, "die Datei ist leer");
    }
    WmfApi holder;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    // Quiet: libwmf reports on stderr otherwise; our error message says what went wrong.
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&holder.api, flags, &options) != wmf_E_None || holder.api == nullptr) {
        fail(fileName, "die Metadatei-Bibliothek lässt sich nicht starten");
    }
    wmfAPI* api = holder.api;
    // libwmf reads but does not change the buffer; its interface is not const-correct.
    QByteArray copy = data;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(copy.data()), copy.size()) != wmf_E_None) {
        fail(fileName, "keine Windows-Metadatei");
    }
    wmfD_Rect bbox{};
    if (wmf_scan(api, 0, &bbox) != wmf_E_None) {
        fail(fileName, "die Daten sind beschädigt");
    }
    unsigned int width = 0;
    unsigned int height = 0;
    if (wmf_display_size(api, &width, &height, 96.0, 96.0) != wmf_E_None) {
        fail(fileName, "die Größe ist unbekannt");
    }
    if (width == 0 || height == 0) {
        fail(fileName, "das Bild hat keine Größe");
    }
    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);
    if (device->out == nullptr) {
        fail(fileName, "zu wenig Speicher");
    }
    device->Description = nullptr;
    device->bbox = bbox;
    device->width = width;
    device->height = height;
    const wmf_error_t played = wmf_play(api, 0, &bbox);
    char* buffer = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, device->out, &buffer, &length);
    device->out = nullptr;
    QByteArray svg;
    if (buffer != nullptr) {
        // The buffer comes from libwmf's own allocator and is released with the API.
        svg = QByteArray(buffer, static_cast<qsizetype>(length));
    }
    if (played != wmf_E_None || svg.isEmpty()) {
        fail(fileName, "die Daten sind beschädigt");
    }
    return svg;
}

QByteArray MetafileConverter::emfToSvg(const QByteArray& data, const std::string& fileName)
{
    if (data.isEmpty()) {
        fail(fileName, "die Datei ist leer");
    }
    generatorOptions options{};
    options.nameSpace = nullptr;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = 0;
    options.imgHeight = 0;
    QByteArray copy = data;
    char* out = nullptr;
    std::size_t outLength = 0;
    const int ok = emf2svg(copy.data(), static_cast<std::size_t>(copy.size()), &out, &outLength, &options);
    std::unique_ptr<char, decltype(&std::free)> owner(out, &std::free);
    if (!ok || out == nullptr || outLength == 0) {
        fail(fileName, "keine erweiterte Metadatei oder beschädigte Daten");
    }
    return QByteArray(out, static_cast<qsizetype>(outLength));
}

} // namespace pagolux
