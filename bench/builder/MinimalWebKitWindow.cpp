// bench-minimal-webkit PAGE.html
//
// The reference for the WebKitGTK front's start time: the least a WebKitGTK 4.1 window needs to
// show a page held in memory through a URL scheme of its own. Prints "loaded=1" when the page
// has loaded and ends.

#include <webkit2/webkit2.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string page;

void serve(WebKitURISchemeRequest* request, gpointer)
{
    GInputStream* stream =
        g_memory_input_stream_new_from_data(page.data(), static_cast<gssize>(page.size()), nullptr);
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(page.size()), "text/html");
    g_object_unref(stream);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 1;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in)
        return 1;
    page.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    gtk_init(&argc, &argv);
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    webkit_web_context_register_uri_scheme(context, "mem", serve, nullptr, nullptr);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 600, 440);
    GtkWidget* view = webkit_web_view_new_with_context(context);
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer) {
                         if (event == WEBKIT_LOAD_FINISHED) {
                             std::printf("loaded=1\n");
                             std::fflush(stdout);
                             gtk_main_quit();
                         }
                     }),
                     nullptr);
    gtk_widget_show_all(window);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), "mem://page/index.html");
    gtk_main();
    return 0;
}
