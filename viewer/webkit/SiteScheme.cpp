#include "viewer/webkit/SiteScheme.h"

#include "archive/TStream.h"
#include "viewer/core/ViewerPackage.h"

#include <gio/gunixinputstream.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pagolux {
namespace {

// The bytes of a shared member as a stream WebKit reads; the stream keeps them alive.
GInputStream* memoryStream(SharedBytes bytes)
{
    auto* keep = new SharedBytes(std::move(bytes));
    GBytes* data = g_bytes_new_with_free_func((*keep)->data(), (*keep)->size(),
                                              [](gpointer p) { delete static_cast<SharedBytes*>(p); }, keep);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
    g_bytes_unref(data);
    return stream;
}

// Copies member into the file descriptor fd; returns the German reason when that fails.
std::string copyInto(TStream& member, int fd)
{
    std::vector<char> buffer(256 * 1024);
    try {
        for (;;) {
            const std::int64_t n = member.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
            if (n <= 0)
                return {};
            for (std::int64_t done = 0; done < n;) {
                const ssize_t w = write(fd, buffer.data() + done, static_cast<std::size_t>(n - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    return std::string("Die Datei konnte nicht geschrieben werden: ") + std::strerror(errno);
                done += w;
            }
        }
    } catch (const std::exception& e) {
        return e.what();
    }
}

// A large member read from the program file only as WebKit consumes it: a thread copies the
// member stream into a pipe whose reading end WebKit gets. When WebKit stops reading, the
// write fails and the thread ends.
GInputStream* pipedStream(std::unique_ptr<TStream> member)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return nullptr;
    std::thread([member = std::move(member), out = fds[1]]() mutable {
        // Damaged data or a reader that left: the page sees the stream end early.
        (void)copyInto(*member, out);
        close(out);
    }).detach();
    return g_unix_input_stream_new(fds[0], TRUE);
}

void finish(WebKitURISchemeRequest* request, GInputStream* body, gint64 length, int status,
            const char* reason, const std::string& type, const std::string& location = {})
{
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(body, length);
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(status), reason);
    webkit_uri_scheme_response_set_content_type(response, type.c_str());
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    if (!location.empty())
        soup_message_headers_append(headers, "Location", location.c_str());
    // Pages are fixed in the program: no reason for the engine to ask twice.
    soup_message_headers_append(headers, "Cache-Control", "no-cache");
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(body);
}

void refuse(WebKitURISchemeRequest* request, const char* why)
{
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, why);
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

} // namespace

SiteScheme::SiteScheme(ViewerPackage& package)
    : package_(package), reader_(package), space_(package.memberKeys(), package.startKey())
{
}

void SiteScheme::install(WebKitWebContext* context)
{
    webkit_web_context_register_uri_scheme(context, kScheme, &SiteScheme::onRequest, this, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, kScheme);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme);
}

std::string SiteScheme::startUri() const
{
    return kPrefix + viewer::percentEncodePath(space_.startUrlPath());
}

bool SiteScheme::isOwn(std::string_view uri)
{
    const std::string_view prefix = kPrefix;
    return uri.size() > prefix.size() && g_ascii_strncasecmp(uri.data(), kPrefix, prefix.size()) == 0 &&
           uri[prefix.size()] == '/';
}

std::string SiteScheme::displayName(std::string_view uri)
{
    if (!isOwn(uri))
        return std::string(uri);
    std::string_view path = uri.substr(std::string_view(kPrefix).size() + 1);
    std::string fragment;
    if (const auto hash = path.find('#'); hash != std::string_view::npos) {
        fragment = "#" + viewer::percentDecode(path.substr(hash + 1));
        path = path.substr(0, hash);
    }
    if (const auto query = path.find('?'); query != std::string_view::npos)
        path = path.substr(0, query);
    return viewer::percentDecode(path) + fragment;
}

std::string SiteScheme::fileNameOf(std::string_view uri)
{
    std::string path = displayName(uri);
    if (const auto hash = path.find('#'); hash != std::string::npos && isOwn(uri))
        path.erase(hash);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SiteScheme::saveMember(std::string_view uri, const std::string& path, SaveMode mode,
                            std::function<void(std::string)> done)
{
    viewer::SiteAnswer a;
    a.status = 404;
    if (isOwn(uri))
        a = space_.resolve(uri.substr(std::string_view(kPrefix).size()));
    std::unique_ptr<TStream> member;
    if (a.status == 200 && !a.member.empty())
        member = package_.stream(a.member);
    struct Result {
        std::function<void(std::string)> done;
        std::string error;
    };
    auto* result = new Result{std::move(done), member ? "" : "Diese Datei gibt es in diesem Programm nicht"};
    const auto report = [](gpointer p) {
        std::unique_ptr<Result> r(static_cast<Result*>(p));
        r->done(r->error);
        return G_SOURCE_REMOVE;
    };
    if (!member) {
        g_idle_add(report, result);
        return;
    }
    std::thread([member = std::move(member), path, mode, result, report]() mutable {
        const bool replace = mode == SaveMode::Replace;
        std::string part = replace ? path + ".XXXXXX" : path;
        const int fd = replace
                           ? mkostemp(part.data(), O_CLOEXEC)
                           : open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            result->error = std::string("Die Datei konnte nicht angelegt werden: ") + std::strerror(errno);
        } else {
            if (replace)
                fchmod(fd, 0644);
            result->error = copyInto(*member, fd);
            if (close(fd) != 0 && result->error.empty())
                result->error =
                    std::string("Die Datei konnte nicht geschrieben werden: ") + std::strerror(errno);
            if (result->error.empty() && replace && rename(part.c_str(), path.c_str()) != 0)
                result->error = std::string("Die Datei konnte nicht ersetzt werden: ") + std::strerror(errno);
            if (!result->error.empty())
                unlink(part.c_str());
        }
        g_idle_add(report, result);
    }).detach();
}

void SiteScheme::onRequest(WebKitURISchemeRequest* request, gpointer self)
{
    static_cast<SiteScheme*>(self)->answer(request);
}

void SiteScheme::answer(WebKitURISchemeRequest* request)
{
    const char* method = webkit_uri_scheme_request_get_http_method(request);
    const bool head = method && std::strcmp(method, "HEAD") == 0;
    if (method && !head && std::strcmp(method, "GET") != 0)
        return refuse(request, "Nur GET und HEAD");
    const std::string_view uri = webkit_uri_scheme_request_get_uri(request);
    if (!isOwn(uri))
        return refuse(request, "Unbekannte Adresse");
    const viewer::SiteAnswer a = space_.resolve(uri.substr(std::string_view(kPrefix).size()));

    if (a.status == 301) {
        GInputStream* empty = g_memory_input_stream_new();
        return finish(request, empty, 0, 301, "Moved Permanently", "text/html", kPrefix + a.location);
    }
    const char* reason = a.status == 200 ? "OK" : "Not Found";
    if (a.member.empty()) {
        const std::string page = viewer::notFoundPageHtml(a.sitePath);
        auto bytes = std::make_shared<const std::vector<std::uint8_t>>(page.begin(), page.end());
        const auto length = static_cast<gint64>(bytes->size());
        return finish(request, memoryStream(std::move(bytes)), head ? 0 : length, a.status, reason,
                      a.mimeType);
    }
    if (head)
        return finish(request, g_memory_input_stream_new(), 0, a.status, reason, a.mimeType);
    // A large member is read from the program's file as the engine consumes it.
    const auto size = package_.size(a.member);
    if (size && *size >= kStreamedMemberSize) {
        if (auto member = package_.stream(a.member))
            if (GInputStream* piped = pipedStream(std::move(member)))
                return finish(request, piped, *size, a.status, reason, a.mimeType);
    }
    SharedBytes bytes = reader_.read(a.member);
    if (!bytes)
        return refuse(request, "Die Seiten dieses Programms sind beschädigt");
    const auto length = static_cast<gint64>(bytes->size());
    finish(request, memoryStream(std::move(bytes)), length, a.status, reason, a.mimeType);
}

} // namespace pagolux
