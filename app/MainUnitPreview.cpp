// The page "Vorschau": the start file shown in an embedded web view, served as the built
// program serves it (PreviewSite).

#include "app/MainUnit.h"

#include "app/PreviewSite.h"
#include "platform/Exception.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace pagolux {

QWebEngineView* TMainForm::webBrowser()
{
    if (WebBrowser1 == nullptr) {
        WebBrowser1 = new QWebEngineView(WebBrowserHost);
        WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
        previewSite_ = new PreviewSite(WebBrowser1);
        WebBrowserHost->layout()->addWidget(WebBrowser1);
    }
    return WebBrowser1;
}

void TMainForm::LoadBtnClick()
{
    const int i = startIndex();
    if (i < 0 || i > PicCount() - 1) {
        (void)interaction().showMessage("Sie müssen zunächst eine Startdatei auswählen!", std::string(),
                                        MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    const std::string& entry = Pics[static_cast<std::size_t>(i)];
    if (entry.empty())
        throw Exception("Die Startdatei \"" + entry + "\" kann nicht angezeigt werden.");
    QWebEngineView* view = webBrowser();
    view->load(previewSite_->serve(Pics, entry));
}

void TMainForm::BackBtnClick()
{
    // No step back (nothing loaded yet, or at the start of the history): nothing happens.
    QWebEngineView* view = webBrowser();
    if (view->history()->canGoBack())
        view->back();
}

void TMainForm::FwdBtnClick()
{
    QWebEngineView* view = webBrowser();
    if (view->history()->canGoForward())
        view->forward();
}

void TMainForm::ReloadButtonClick()
{
    QWebEngineView* view = webBrowser();
    if (!view->url().isEmpty())
        view->reload();
}

} // namespace pagolux
