#include "app/PreviewSite.h"

#include "archive/TStream.h"
#include "viewer/core/SiteAddressSpace.h"
#include "viewer/core/ViewerPackage.h"
#include "viewer/core/ViewerPaths.h"
#include "viewer/qt/ArchiveSchemeHandler.h"
#include "viewer/qt/NetworkGuard.h"
#include "viewer/qt/ViewerPage.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <filesystem>
#include <fstream>
#include <map>

namespace pagolux {
namespace {

namespace fs = std::filesystem;

// The project's files on disk under the member keys the archive will give them. Symbolic
// links are left out: they could lead out of the folders the project names.
class DiskMemberSource : public MemberSource {
  public:
    explicit DiskMemberSource(const std::vector<std::string>& entries)
    {
        for (const auto& entry : entries) {
            std::error_code ec;
            const fs::path path(entry);
            const auto status = fs::symlink_status(path, ec);
            if (ec || fs::is_symlink(status))
                continue;
            if (fs::is_regular_file(status)) {
                add(path);
            } else if (fs::is_directory(status)) {
                for (fs::recursive_directory_iterator
                         it(path, fs::directory_options::skip_permission_denied, ec),
                     end;
                     !ec && it != end; it.increment(ec)) {
                    if (it->is_symlink(ec))
                        it.disable_recursion_pending();
                    else if (it->is_regular_file(ec))
                        add(it->path());
                }
            }
        }
    }

    [[nodiscard]] std::vector<std::string> keys() const
    {
        std::vector<std::string> out;
        for (const auto& [key, path] : files_)
            out.push_back(key);
        return out;
    }

    std::optional<std::vector<std::uint8_t>> read(const std::string& key) override
    {
        const auto it = files_.find(key);
        if (it == files_.end())
            return std::nullopt;
        std::ifstream in(it->second, std::ios::binary);
        if (!in)
            return std::nullopt;
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    std::optional<std::int64_t> size(const std::string& key) override
    {
        const auto it = files_.find(key);
        std::error_code ec;
        const auto bytes = it == files_.end() ? 0 : fs::file_size(it->second, ec);
        if (it == files_.end() || ec)
            return std::nullopt;
        return static_cast<std::int64_t>(bytes);
    }
    std::unique_ptr<TStream> stream(const std::string& key) override
    {
        const auto it = files_.find(key);
        if (it == files_.end())
            return nullptr;
        try {
            return std::make_unique<TFileStream>(it->second.string(), TFileMode::fmOpenRead);
        } catch (const std::exception&) {
            return nullptr;
        }
    }

  private:
    void add(const fs::path& path) { files_.emplace(viewer_paths::keyFromStartPath(path.string()), path); }

    std::map<std::string, fs::path> files_;
};

} // namespace

PreviewSite::PreviewSite(QWebEngineView* view)
    : QObject(view), view_(view), profile_(new QWebEngineProfile(this)),
      page_(new ViewerPage(
          profile_, [](const QUrl& url) { QDesktopServices::openUrl(url); }, this))
{
    profile_->setUrlRequestInterceptor(new NetworkGuard(profile_));
    view_->setPage(page_);
    // Downloads in the preview ask where they go, as in the program.
    connect(profile_, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                const QString target = QFileDialog::getSaveFileName(
                    view_, tr("Speichern unter"),
                    QDir(download->downloadDirectory()).filePath(download->downloadFileName()));
                if (target.isEmpty()) {
                    download->cancel();
                    return;
                }
                download->setDownloadDirectory(QFileInfo(target).absolutePath());
                download->setDownloadFileName(QFileInfo(target).fileName());
                download->accept();
            });
}

PreviewSite::~PreviewSite()
{
    // The page and the handler go before the profile they use.
    view_->setPage(nullptr);
    delete page_;
    delete handler_;
}

QUrl PreviewSite::serve(const std::vector<std::string>& entries, const std::string& startEntry)
{
    auto source = std::make_unique<DiskMemberSource>(entries);
    auto* handler = new ArchiveSchemeHandler(
        *source, viewer::SiteAddressSpace(source->keys(), viewer_paths::keyFromStartPath(startEntry)), this);
    if (handler_) {
        profile_->removeUrlSchemeHandler(handler_);
        delete handler_;
    }
    handler_ = handler;
    source_ = std::move(source);
    profile_->installUrlSchemeHandler(ArchiveSchemeHandler::kScheme, handler_);
    return handler_->startUrl();
}

} // namespace pagolux
