#pragma once
// The preview's web view shows the project as the built program will: the project's entries
// are served from the disk through the viewer's address space and scheme handler (only files
// the project holds, folders with their contents), on the viewer's page with its refusals
// (no file://, no local files, http(s) to the user's browser only after the user's own
// click). A file missing from the project is missing in the preview too. Each load takes a
// fresh look at the project; what is shown stays until the next load.

#include <QObject>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

class QWebEngineProfile;
class QWebEngineView;

namespace pagolux {

class ArchiveSchemeHandler;
class MemberSource;
class ViewerPage;

class PreviewSite : public QObject {
    Q_OBJECT

  public:
    // Gives view the viewer's page over a profile of its own (nothing stays on disk).
    explicit PreviewSite(QWebEngineView* view);
    ~PreviewSite() override;

    // Serves entries (full paths of files and folders, as the project holds them) from now on
    // and returns the address of startEntry's page.
    QUrl serve(const std::vector<std::string>& entries, const std::string& startEntry);

  private:
    QWebEngineView* view_;
    QWebEngineProfile* profile_;
    ViewerPage* page_;
    std::unique_ptr<MemberSource> source_;
    ArchiveSchemeHandler* handler_ = nullptr;
};

} // namespace pagolux
