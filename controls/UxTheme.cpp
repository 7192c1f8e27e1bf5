#include "controls/UxTheme.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>

#include <mutex>

namespace pagolux {
namespace {

// Result codes of the entry points: 0 success, non-zero failure.
constexpr long S_OK_RESULT = 0;
constexpr long E_FAIL_RESULT = -1;

struct ThemeLibrary {
    std::mutex lock;
    int users = 0;
    bool loaded = false;
    ThemeEntryPoints entries;
    ThemeLibraryLoader loader;

    // At program end the library is released until nobody counts as a user.
    ~ThemeLibrary()
    {
        std::lock_guard guard(lock);
        users = 0;
        loaded = false;
        entries = {};
    }
};

ThemeLibrary& library()
{
    static ThemeLibrary instance;
    return instance;
}

// Token handed out as theme handle; the style itself is looked up at every drawing so that a
// style change while the program runs is followed.
int buttonThemeToken = 0;

bool currentStyleIsClassic()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return true;
    return QApplication::style()->name().compare(QLatin1String(ClassicStyleName), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<ThemeEntryPoints> LoadQtThemeLibrary()
{
    bool nativeStyle = false;
    for (const QString& key : QStyleFactory::keys()) {
        if (key.compare(QLatin1String(ClassicStyleName), Qt::CaseInsensitive) != 0)
            nativeStyle = true;
    }
    if (!nativeStyle)
        return std::nullopt;

    ThemeEntryPoints e;
    e.OpenThemeData = [](QWidget*, const std::string& classList) -> HTHEME {
        return classList == "BUTTON" ? static_cast<HTHEME>(&buttonThemeToken) : nullptr;
    };
    e.CloseThemeData = [](HTHEME theme) -> long { return theme ? S_OK_RESULT : E_FAIL_RESULT; };
    e.DrawThemeBackground = [](HTHEME theme, QPainter& painter, int partId, int stateId, const QRect& rect,
                               const QWidget* widget) -> long {
        if (!theme || partId != BP_PUSHBUTTON)
            return E_FAIL_RESULT;
        QStyle* style = widget ? widget->style() : QApplication::style();
        QStyleOptionButton option;
        if (widget)
            option.initFrom(widget);
        option.rect = rect;
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Sunken);
        option.state |= QStyle::State_Enabled | QStyle::State_Raised;
        switch (stateId) {
        case PBS_PRESSED:
            option.state |= QStyle::State_Sunken;
            option.state &= ~QStyle::State_Raised;
            break;
        case PBS_DISABLED:
            option.state &= ~QStyle::State_Enabled;
            break;
        case PBS_HOT:
            option.state |= QStyle::State_MouseOver;
            break;
        case PBS_NORMAL:
            // The button is active or focused: shown as the one Enter presses.
            option.features |= QStyleOptionButton::DefaultButton;
            break;
        default:
            break;
        }
        style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, widget);
        return S_OK_RESULT;
    };
    e.IsAppThemed = []() -> int { return qobject_cast<QApplication*>(QCoreApplication::instance()) ? 1 : 0; };
    e.IsThemeActive = []() -> int { return currentStyleIsClassic() ? 0 : 1; };
    return e;
}

bool AcquireThemeLibrary()
{
    ThemeLibrary& lib = library();
    std::lock_guard guard(lib.lock);
    ++lib.users;
    if (!lib.loaded) {
        std::optional<ThemeEntryPoints> entries = lib.loader ? lib.loader() : LoadQtThemeLibrary();
        // A library without all five entry points is treated as missing: calling an absent
        // function is never an option, and the classic face needs none of them.
        if (entries && entries->complete()) {
            lib.entries = std::move(*entries);
            lib.loaded = true;
        }
    }
    return lib.loaded;
}

void ReleaseThemeLibrary()
{
    ThemeLibrary& lib = library();
    std::lock_guard guard(lib.lock);
    if (lib.users > 0)
        --lib.users;
    if (lib.loaded && lib.users == 0) {
        lib.loaded = false;
        lib.entries = {};
    }
}

bool ThemesInUse()
{
    ThemeEntryPoints entries;
    {
        ThemeLibrary& lib = library();
        std::lock_guard guard(lib.lock);
        if (!lib.loaded)
            return false;
        entries = lib.entries;
    }
    return entries.IsAppThemed() != 0 && entries.IsThemeActive() != 0;
}

ThemeEntryPoints ThemeFunctions()
{
    ThemeLibrary& lib = library();
    std::lock_guard guard(lib.lock);
    return lib.entries;
}

int ThemeLibraryUsers()
{
    ThemeLibrary& lib = library();
    std::lock_guard guard(lib.lock);
    return lib.users;
}

bool ThemeLibraryLoaded()
{
    ThemeLibrary& lib = library();
    std::lock_guard guard(lib.lock);
    return lib.loaded;
}

void SetThemeLibraryLoader(ThemeLibraryLoader loader)
{
    ThemeLibrary& lib = library();
    std::lock_guard guard(lib.lock);
    lib.loader = std::move(loader);
}

} // namespace pagolux
