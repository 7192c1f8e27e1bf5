#include "controls/placement/TFormPlacement.h"

#include "controls/placement/ProfileFile.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <charconv>
#include <cstdio>

namespace pagolux {

namespace {

constexpr int kRestoreToMaximized = 2; // placement flag: minimized from the maximized state

// The class name without namespace qualification ("pagolux::TMainForm" → "TMainForm").
std::string plainClassName(const QObject* object)
{
    std::string name = object->metaObject()->className();
    if (const auto pos = name.rfind("::"); pos != std::string::npos)
        name.erase(0, pos + 2);
    return name;
}

const QWidget* parentForm(const QObject* object)
{
    for (const QObject* o = object ? object->parent() : nullptr; o; o = o->parent())
        if (const auto* w = qobject_cast<const QWidget*>(o); w && w->isWindow())
            return w;
    return nullptr;
}

// Decimal (optionally signed) or, for texts longer than two characters, "0x"/"0X" hex.
std::optional<int> parseInteger(std::string_view text)
{
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (base == 16 && value > 0x7FFFFFFFLL && value <= 0xFFFFFFFFLL)
        value -= 0x100000000LL; // eight hex digits: the 32-bit pattern
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// Words separated by commas and blanks; a missing word or one that is no number gives the
// default.
std::array<int, 4> fourNumbers(std::string_view text, std::array<int, 4> defaults)
{
    std::array<int, 4> out = defaults;
    std::size_t index = 0, pos = 0;
    while (index < 4 && pos < text.size()) {
        while (pos < text.size() && (text[pos] == ',' || text[pos] == ' '))
            ++pos;
        if (pos >= text.size())
            break;
        std::size_t end = pos;
        while (end < text.size() && text[end] != ',' && text[end] != ' ')
            ++end;
        // A word that is no number keeps the default, as a missing word does.
        out[index] = parseInteger(text.substr(pos, end - pos)).value_or(out[index]);
        ++index;
        pos = end;
    }
    return out;
}

std::string fourText(int a, int b, int c, int d)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d", a, b, c, d);
    return buffer;
}

bool sizeable(const QWidget* w)
{
    return w->minimumSize() != w->maximumSize();
}

bool centredRule(const QVariant& rule)
{
    const QString r = rule.toString();
    return r == QLatin1String("poScreenCenter") || r == QLatin1String("poDesktopCenter");
}

} // namespace

EIniWriteError::EIniWriteError(const std::string& fileName)
    : Exception("nach " + fileName + " kann nicht geschrieben werden")
{
}

TFormPlacement::TFormPlacement(QObject* owner) : QObject(owner)
{
    form_ = qobject_cast<QWidget*>(owner);
    if (form_ && form_->isWindow()) {
        options_ = TPlacementOptions(fpState | fpPosition);
        mainWindow_ = form_->parentWidget() == nullptr;
    } else {
        form_ = nullptr;
    }
}

TFormPlacement::~TFormPlacement()
{
    // Hand the notifications back to the window.
    if (attached_ && form_)
        form_->removeEventFilter(this);
}

void TFormPlacement::Loaded(TFormHandlers formHandlers)
{
    formHandlers_ = std::move(formHandlers);
    if (form_ && !attached_) {
        form_->installEventFilter(this);
        attached_ = true;
    }
}

bool TFormPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != form_)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (active_)
            runReported([this] { ReadSettings(); });
        if (formHandlers_.OnShow)
            formHandlers_.OnShow();
        return false;
    }
    if (event->type() == QEvent::Close) {
        bool canClose = true;
        if (formHandlers_.OnCloseQuery)
            formHandlers_.OnCloseQuery(canClose);
        if (canClose && active_ && form_)
            runReported([this] { WriteSettings(); });
        event->setAccepted(canClose);
        return true; // the close query is answered here
    }
    return QObject::eventFilter(watched, event);
}

void TFormPlacement::destroyNotification()
{
    if (active_ && !saved_) {
        destroying_ = true;
        runReported([this] { WriteSettings(); });
        destroying_ = false;
    }
    if (formHandlers_.OnDestroy)
        formHandlers_.OnDestroy();
}

void TFormPlacement::runReported(const std::function<void()>& pass)
{
    try {
        pass();
    } catch (const std::exception& e) {
        if (OnError)
            OnError(e.what());
        else
            QMessageBox::critical(nullptr, QGuiApplication::applicationDisplayName(),
                                  QString::fromUtf8(e.what()));
    }
}

// ---------------------------------------------------------------- file and section

std::string TFormPlacement::iniFilePath() const
{
    const std::string configFolder = UserConfigFolder();
    if (iniFileName_.isEmpty())
        return ProfileFile::defaultPath(
            configFolder, QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    const std::string name = QFile::encodeName(iniFileName_).toStdString();
    return ExtractFilePath(name).empty() ? configFolder + name : name;
}

std::string TFormPlacement::iniSection() const
{
    if (!iniSection_.isEmpty())
        return iniSection_.toStdString();
    return defaultSection(parent());
}

std::string TFormPlacement::defaultSection(const QObject* component)
{
    if (!component)
        return {};
    const std::string own = component->objectName().toStdString();
    if (const auto* w = qobject_cast<const QWidget*>(component)) {
        if (w->isWindow())
            return plainClassName(w);
        if (const QWidget* f = parentForm(w))
            return plainClassName(f) + own;
        return (w->parentWidget() ? w->parentWidget()->objectName().toStdString() : std::string()) + own;
    }
    if (const auto* owner = qobject_cast<const QWidget*>(component->parent()); owner && owner->isWindow())
        return plainClassName(owner) + "." + own;
    return own;
}

void TFormPlacement::openIni()
{
    if (iniDepth_++ == 0)
        ini_ = std::make_unique<ProfileFile>(iniFilePath());
}

void TFormPlacement::closeIni()
{
    if (iniDepth_ == 0 || --iniDepth_ > 0)
        return;
    std::unique_ptr<ProfileFile> file = std::move(ini_);
    if (!file->save())
        throw EIniWriteError(ExtractFileName(file->path()));
}

ProfileFile& TFormPlacement::ini()
{
    return *ini_;
}

std::string TFormPlacement::ReadString(const std::string& section, const std::string& key,
                                       const std::string& fallback)
{
    if (iniOpen())
        return ini_->readString(section, key, fallback);
    return ProfileFile(iniFilePath()).readString(section, key, fallback);
}

void TFormPlacement::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    // A value in quotes gets one more pair, since reading removes one.
    std::string stored = value;
    if (value.size() >= 2 &&
        ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
        stored = "\"" + value + "\"";
    else if (value.size() == 1 && (value == "\"" || value == "'"))
        stored = value; // a lone quote is no pair
    openIni();
    try {
        ini_->writeString(section, key, stored);
    } catch (...) {
        ini_.reset();
        iniDepth_ = 0;
        throw;
    }
    closeIni();
}

int TFormPlacement::ReadInteger(const std::string& key, int fallback)
{
    const std::string text = ReadString(iniSection(), key, "");
    return parseInteger(text).value_or(fallback);
}

void TFormPlacement::WriteInteger(const std::string& key, int value)
{
    WriteString(iniSection(), key, std::to_string(value));
}

// ---------------------------------------------------------------- passes

std::string TFormPlacement::screenSuffix() const
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(0, 0);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "(%dx%d)", size.width(), size.height());
    return buffer;
}

int TFormPlacement::pixelsPerInch() const
{
    QScreen* screen = form_ && form_->screen() ? form_->screen() : QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

TFormPlacement::Placement TFormPlacement::currentPlacement() const
{
    Placement p;
    const Qt::WindowStates state = form_->windowState();
    p.flags = flags_ & ~kRestoreToMaximized;
    if ((state & Qt::WindowMinimized) && (state & Qt::WindowMaximized))
        p.flags |= kRestoreToMaximized;
    if (state & Qt::WindowMinimized)
        p.showCmd = kSwShowMinimized;
    else if (state & Qt::WindowMaximized)
        p.showCmd = kSwShowMaximized;
    else
        p.showCmd = kSwShowNormal;
    p.minPosition = minPosition_;
    p.maxPosition = maxPosition_;
    const QRect normal = form_->normalGeometry();
    p.normal = normal.isValid() ? normal : form_->geometry();
    return p;
}

void TFormPlacement::applyPlacement(const Placement& p)
{
    flags_ = p.flags;
    minPosition_ = p.minPosition;
    maxPosition_ = p.maxPosition;
    const Qt::WindowStates state = form_->windowState();
    if (state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        form_->setWindowState(Qt::WindowNoState);
        form_->setGeometry(p.normal);
        form_->setWindowState(state);
    } else {
        form_->setGeometry(p.normal);
    }
}

void TFormPlacement::ReadSettings()
{
    saved_ = false;
    openIni();
    try {
        if (ReadInteger("FormVersion", 0) >= version_) {
            restorePlacement();
            if (OnRestorePlacement)
                OnRestorePlacement();
        }
        restored_ = true;
    } catch (...) {
        restored_ = true;
        ini_.reset();
        iniDepth_ = 0;
        throw;
    }
    closeIni();
    adjustMaximizedPosition();
}

void TFormPlacement::restorePlacement()
{
    if (form_) {
        if (options_.testFlag(fpPosition))
            restorePosition();
        if (options_.testFlag(fpState))
            restoreState();
    }
    restored_ = true;
}

void TFormPlacement::restorePosition()
{
    Placement p = currentPlacement();
    if (!form_->isVisible())
        p.showCmd = kSwHide;
    p.flags = ReadInteger("Flags", p.flags);
    const std::string section = iniSection();
    const std::string suffix = screenSuffix();
    bool found = false;

    std::string text = ReadString(section, "MinMaxPos" + suffix, "");
    if (text.empty())
        text = ReadString(section, "MinMaxPos", "");
    if (!text.empty()) {
        const auto n = fourNumbers(text, {0, 0, 0, 0});
        p.minPosition = QPoint(n[0], n[1]);
        p.maxPosition = QPoint(n[2], n[3]);
        found = true;
    }

    text = ReadString(section, "NormPos" + suffix, "");
    if (text.empty())
        text = ReadString(section, "NormPos", "");
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!text.empty()) {
        const QRect g = form_->geometry();
        const auto n = fourNumbers(text, {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
        left = n[0];
        top = n[1];
        right = n[2];
        bottom = n[3];
        found = true;
    }

    if (ReadInteger("PixelsPerInch", pixelsPerInch()) != pixelsPerInch() || !found)
        return;
    if (text.empty()) {
        const QRect g = p.normal;
        left = g.left();
        top = g.top();
        right = g.left() + g.width();
        bottom = g.top() + g.height();
    }
    if (!sizeable(form_)) {
        right = left + form_->width();
        bottom = top + form_->height();
    }
    // A rectangle without width or height would make the window unusable.
    if (left >= right || top >= bottom)
        return;
    QRect normal(left, top, right - left, bottom - top);
    // A rectangle on no screen at all (a monitor that has gone) is moved onto the primary one.
    bool onScreen = false;
    for (QScreen* s : QGuiApplication::screens())
        onScreen = onScreen || s->availableGeometry().intersects(normal);
    if (!onScreen && QGuiApplication::primaryScreen())
        normal.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    p.normal = normal;
    if (centredRule(form_->property("Position")))
        form_->setProperty("Position", QStringLiteral("poDesigned"));
    applyPlacement(p);
}

void TFormPlacement::restoreState()
{
    enum class State { Normal, Minimized, Maximized };
    State state = State::Normal;
    if (mainWindow_ && form_->property("Position").toString() == QLatin1String("poDefault"))
        state = State::Maximized;
    switch (ReadInteger("ShowCmd", 0)) {
    case 1:
    case 5:
    case 9:
        state = State::Normal;
        break;
    case 2:
    case 6:
    case 7:
        state = State::Minimized;
        break;
    case 3:
        state = State::Maximized;
        break;
    default:
        break;
    }
    if (state == State::Minimized && mainWindow_) {
        // The window comes up normal and is then minimized through the event queue, as a
        // system minimize command would do.
        QPointer<QWidget> target = form_;
        QTimer::singleShot(0, form_, [target] {
            if (target)
                target->showMinimized();
        });
        return;
    }
    const Qt::WindowStates current = form_->windowState();
    switch (state) {
    case State::Normal:
        if (current & (Qt::WindowMinimized | Qt::WindowMaximized))
            form_->setWindowState(current & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        break;
    case State::Maximized:
        form_->setWindowState((current & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case State::Minimized:
        form_->setWindowState(current | Qt::WindowMinimized);
        break;
    }
    form_->update();
}

void TFormPlacement::adjustMaximizedPosition()
{
    if (!form_ || preventResize_ || !minMaxInfo_.isZero())
        return;
    const QRect frame = form_->frameGeometry();
    const QRect client = form_->geometry();
    maxPosition_ = QPoint(-(client.left() - frame.left()), -(frame.bottom() - client.bottom()));
}

void TFormPlacement::WriteSettings()
{
    if (active_ && !restored_)
        return; // a window that was never shown writes nothing
    openIni();
    try {
        WriteInteger("FormVersion", version_);
        savePlacement();
        if (OnSavePlacement)
            OnSavePlacement();
        saved_ = true;
    } catch (...) {
        ini_.reset(); // nothing of a failed pass reaches the file
        iniDepth_ = 0;
        throw;
    }
    closeIni();
}

void TFormPlacement::savePlacement()
{
    if (!form_ || !(options_ & (fpState | fpPosition)))
        return;
    const Placement p = currentPlacement();
    const std::string section = iniSection();
    const std::string suffix = screenSuffix();
    WriteInteger("Flags", p.flags);
    WriteInteger("ShowCmd", p.showCmd);
    WriteInteger("PixelsPerInch", pixelsPerInch());
    const std::string minMax =
        fourText(p.minPosition.x(), p.minPosition.y(), p.maxPosition.x(), p.maxPosition.y());
    WriteString(section, "MinMaxPos" + suffix, minMax);
    WriteString(section, "MinMaxPos", minMax);
    const QRect& r = p.normal;
    const std::string norm = fourText(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    WriteString(section, "NormPos" + suffix, norm);
    WriteString(section, "NormPos", norm);
    WriteInteger("Visible", destroying_ ? 1 : 0);
}

} // namespace pagolux
