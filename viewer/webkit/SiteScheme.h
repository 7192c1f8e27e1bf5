#pragma once
// The "pagolux://site/" addresses of a WebKitGTK view: every request is answered from the
// program's archive under the site address rules (members from memory, large ones streamed
// from the program file, folder addresses answered with 301, unknown ones with the site's own
// or the built-in 404 page), anything but GET and HEAD refused. Built against WebKitGTK 4.1,
// 4.0 and 6.0 alike.

#include "viewer/core/SharedMemberReader.h"
#include "viewer/core/SiteAddressSpace.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#if PAGOLUX_WEBKIT_GTK4
#include <webkit/webkit.h>
#else
#include <webkit2/webkit2.h>
#endif

namespace pagolux {

class ViewerPackage;

class SiteScheme {
  public:
    static constexpr char kScheme[] = "pagolux";
    static constexpr char kPrefix[] = "pagolux://site";

    explicit SiteScheme(ViewerPackage& package);

    // Registers the scheme on context (secure, with CORS) and answers its requests.
    void install(WebKitWebContext* context);

    // The address of the start page.
    [[nodiscard]] std::string startUri() const;
    // How the status bar names uri: a page of the program by its path inside the site (with
    // its #fragment), any other address in full.
    [[nodiscard]] static std::string displayName(std::string_view uri);

    // The bytes inflated for all requests so far (each member once while it is shared).
    [[nodiscard]] std::int64_t bytesInflated() const { return reader_.bytesInflated(); }

    // Whether uri is one of the program's own addresses.
    [[nodiscard]] static bool isOwn(std::string_view uri);

    // The name a download of uri is offered under: the last part of its path, decoded.
    [[nodiscard]] static std::string fileNameOf(std::string_view uri);

    // Replace: the bytes go to a new file beside path that replaces it only when complete, so a
    // failure loses nothing. NewPrivate: path is made anew for the owner alone (0600), never
    // through a symbolic link, and must not exist yet.
    enum class SaveMode { Replace, NewPrivate };

    // Writes the member that the own address uri names to path, read from the archive in a
    // thread of its own (the engine cannot download its own addresses). Then done(error) runs
    // on the main loop; error is empty on success, else the German reason.
    void saveMember(std::string_view uri, const std::string& path, SaveMode mode,
                    std::function<void(std::string)> done);

  private:
    static void onRequest(WebKitURISchemeRequest* request, gpointer self);
    void answer(WebKitURISchemeRequest* request);

    ViewerPackage& package_;
    SharedMemberReader reader_;
    viewer::SiteAddressSpace space_;
};

} // namespace pagolux
