#pragma once
// The viewer's window: a web view over the archive's pages with the elements the settings
// block selects. Title = project name; width x height or maximised; a fixed size shows no
// menu; status bar, toolbar and the commands print, exit, about, back, forward, home (the start
// file), reload and the exit button as flagged. The actions carry object names so tests find
// them.

#include "format/BuildSettings.h"
#include "viewer/qt/DownloadRequest.h"

#include <QImage>
#include <QMainWindow>
#include <QUrl>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QPrinter;
class QToolBar;
class QWebEngineProfile;
class QWebEngineView;

namespace pagolux {

class ViewerPage;

class ViewerWindow : public QMainWindow {
    Q_OBJECT

  public:
    // profile: the web profile with the scheme handler installed (not owned).
    ViewerWindow(const BuildSettings& settings, const QUrl& home, QWebEngineProfile* profile,
                 QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // The 32 x 32 icon from 512 pixel bytes (bottom row first, 4 bits a pixel) and the
    // 16-colour palette.
    [[nodiscard]] static QImage iconImage(const std::array<std::uint8_t, 512>& pixels);

    // Shows the window at the size the settings ask for and loads the start page.
    void start();

    [[nodiscard]] QWebEngineView* view() const { return view_; }
    [[nodiscard]] const QUrl& homeUrl() const { return home_; }
    [[nodiscard]] QToolBar* toolBar() const { return toolBar_; }
    // The window size the settings ask for (ignored when maximised).
    [[nodiscard]] QSize requestedSize() const;
    // How the status bar names url: a page of the program by its site path (with
    // its #fragment), any other address in full.
    [[nodiscard]] QString displayUrl(const QUrl& url) const;

    // Asks where a download (a download link, <a download>, "Seite speichern", a file the
    // engine cannot show) goes: the suggested path in, the chosen path out, empty to cancel.
    // By default a German save dialog.
    using SaveChooser = std::function<QString(const QString& suggested)>;
    void setSaveChooser(SaveChooser chooser) { chooseSave_ = std::move(chooser); }

  signals:
    // A download has ended: saved (error empty), cancelled in the dialog, or failed with the
    // engine's reason. name: the file's name.
    void downloadEnded(const QString& name, bool cancelled, const QString& error);

  public slots:
    void goHome();
    void printPage();
    void showAbout();

  protected:
    // Sees the user's clicks and key presses in the web view and tells its page.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* addCommand(const char* name, const QString& text, const QKeySequence& key);
    // Reports the end of an accepted download (downloadEnded) and a failure in a message.
    void watchDownload(QWebEngineDownloadRequest* download);

    BuildSettings settings_;
    QUrl home_;
    QWebEngineView* view_ = nullptr;
    ViewerPage* page_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    SaveChooser chooseSave_;
    bool linkShown_ = false; // the status bar shows the address of the link under the mouse
};

} // namespace pagolux
