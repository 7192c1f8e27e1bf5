#pragma once
// TFormPlacement: keeps a window's position, size and state from one run to the next in a
// profile (INI) file. It takes over the window's show, close-query and destroy notifications:
// the restore pass runs when the window is shown, the save pass when a close is allowed (or,
// failing that, when the window is destroyed). A cancelled close writes nothing.
//
// File: $XDG_CONFIG_HOME (default ~/.config) / executable base name + ".INI", unless
// IniFileName names another file (a name without folder lies in the same config folder).
// Section: IniSection, else the owning window's class name ("TMainForm").
// Keys, in the order they are written: FormVersion, Flags, ShowCmd, PixelsPerInch,
// MinMaxPos(WxH), MinMaxPos, NormPos(WxH), NormPos, Visible; (WxH) is the primary screen's size.
// NormPos holds left, top, right, bottom of the window's normal (restored) client rectangle.

#include "platform/Exception.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace pagolux {

class ProfileFile;

// A write that the profile file refuses: "nach %s kann nicht geschrieben werden".
class EIniWriteError : public Exception {
  public:
    explicit EIniWriteError(const std::string& fileName);
};

// The handlers a window had for the three notifications before the component took them over.
struct TFormHandlers {
    std::function<void()> OnShow;
    std::function<void(bool& canClose)> OnCloseQuery;
    std::function<void()> OnDestroy;
};

class TFormPlacement : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)
    Q_PROPERTY(QString IniFileName READ IniFileName WRITE setIniFileName)
    Q_PROPERTY(QString IniSection READ IniSection WRITE setIniSection)
    Q_PROPERTY(bool PreventResize READ PreventResize WRITE setPreventResize)
    Q_PROPERTY(bool UseRegistry READ UseRegistry WRITE setUseRegistry)
    Q_PROPERTY(int Version READ Version WRITE setVersion)

  public:
    enum TPlacementOption { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
    Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
    Q_FLAG(TPlacementOptions)

    // Minimum and maximum track size, maximized size and maximized position.
    struct TMinMaxInfo {
        int minTrackWidth = 0, minTrackHeight = 0, maxTrackWidth = 0, maxTrackHeight = 0;
        int maxSizeWidth = 0, maxSizeHeight = 0, maxPosLeft = 0, maxPosTop = 0;
        [[nodiscard]] bool isZero() const { return *this == TMinMaxInfo{}; }
        bool operator==(const TMinMaxInfo&) const = default;
    };

    // ShowCmd values of the window placement.
    static constexpr int kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwShowMaximized = 3;

    // owner: the window whose settings are kept (also the QObject parent). Options start as
    // fpState | fpPosition when owner is a top-level window, else empty.
    explicit TFormPlacement(QObject* owner);
    ~TFormPlacement() override;

    bool Active() const { return active_; }
    void setActive(bool v) { active_ = v; }
    QString IniFileName() const { return iniFileName_; }
    void setIniFileName(const QString& v) { iniFileName_ = v; }
    QString IniSection() const { return iniSection_; }
    void setIniSection(const QString& v) { iniSection_ = v; }
    bool PreventResize() const { return preventResize_; }
    void setPreventResize(bool v) { preventResize_ = v; }
    bool UseRegistry() const { return useRegistry_; }
    void setUseRegistry(bool v) { useRegistry_ = v; }
    int Version() const { return version_; }
    void setVersion(int v) { version_ = v; }
    TPlacementOptions Options() const { return options_; }
    void setOptions(TPlacementOptions v) { options_ = v; }
    TMinMaxInfo MinMaxInfo() const { return minMaxInfo_; }
    void setMinMaxInfo(const TMinMaxInfo& v) { minMaxInfo_ = v; }

    std::function<void()> OnSavePlacement;
    std::function<void()> OnRestorePlacement;
    // The application's standard error report for errors of a pass run from a notification;
    // unset: a critical message box with the error's text.
    std::function<void(const std::string&)> OnError;

    // End of loading the window: take over its notifications. The window's existing handlers
    // are called from the component (show after the restore pass, close query before the
    // save pass, destroy after it). The window must call destroyNotification() from its
    // destructor while its widgets still exist.
    virtual void Loaded(TFormHandlers formHandlers);
    void destroyNotification();

    void ReadSettings();
    void WriteSettings();

    // Single values: open the profile for this call alone when no pass holds it open.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    int ReadInteger(const std::string& key, int fallback);
    void WriteInteger(const std::string& key, int value);

    // The file and section in use.
    [[nodiscard]] std::string iniFilePath() const;
    [[nodiscard]] std::string iniSection() const;
    // The section a component keeps its settings in when it names none.
    [[nodiscard]] static std::string defaultSection(const QObject* component);

    [[nodiscard]] bool restored() const { return restored_; }
    [[nodiscard]] bool saved() const { return saved_; }
    // Whether the window counts as the application's main window (minimize goes through the
    // application then). Default: a window without parent.
    void setMainWindow(bool v) { mainWindow_ = v; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The parts of the passes; TFormStorage adds the stored properties.
    virtual void savePlacement();
    virtual void restorePlacement();

    [[nodiscard]] QWidget* form() const { return form_; }
    // The profile of the running pass (open between the two calls below).
    ProfileFile& ini();
    void openIni();
    void closeIni();
    [[nodiscard]] bool iniOpen() const { return ini_ != nullptr; }

  private:
    struct Placement {
        int flags = 0;
        int showCmd = kSwShowNormal;
        QPoint minPosition{-1, -1};
        QPoint maxPosition{-1, -1};
        QRect normal; // left, top, right + 1, bottom + 1 as QRect
    };

    [[nodiscard]] Placement currentPlacement() const;
    void applyPlacement(const Placement& p);
    void restorePosition();
    void restoreState();
    void adjustMaximizedPosition();
    [[nodiscard]] std::string screenSuffix() const;
    [[nodiscard]] int pixelsPerInch() const;
    void runReported(const std::function<void()>& pass);

    QWidget* form_ = nullptr;
    bool active_ = true;
    QString iniFileName_;
    QString iniSection_;
    bool preventResize_ = false;
    bool useRegistry_ = false;
    int version_ = 0;
    TPlacementOptions options_;
    TMinMaxInfo minMaxInfo_;
    bool mainWindow_ = false;

    bool restored_ = false;
    bool saved_ = false;
    bool destroying_ = false;
    int flags_ = 0; // placement flags as last read or kept
    QPoint minPosition_{-1, -1};
    QPoint maxPosition_{-1, -1};
    bool attached_ = false;
    TFormHandlers formHandlers_;
    std::unique_ptr<ProfileFile> ini_;
    int iniDepth_ = 0;
};

} // namespace pagolux

Q_DECLARE_OPERATORS_FOR_FLAGS(pagolux::TFormPlacement::TPlacementOptions)
