#pragma once
// Which web address the user's own click or key asked for, so that the browser control hands
// only that one to the default browser. The window looks up what a click or key acted on (a
// link, or a form's submit button) before the page sees the message; a navigation that the page
// starts by itself (a timer, a script, an unrelated click) does not match and stays refused.
// Plain C++ over UTF-8 addresses and a wrapping millisecond clock, so it is testable anywhere.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pagolux::win {

// What a click or key acted on.
struct ActTarget {
    std::string address; // absolute: a link's href, or a form's action
    // A form sent with GET: the browser replaces the action's query with the form's fields, so
    // only the part before "?" can be compared.
    bool queryReplaced = false;
};

// One element of the page, as the web engine reports it.
class PageElement {
  public:
    virtual ~PageElement() = default;
    [[nodiscard]] virtual std::string tag() const = 0; // "A", "input", ... (any case)
    // A link's (A, AREA) address as the engine resolved it; empty when it has none.
    [[nodiscard]] virtual std::string href() const = 0;
    // An INPUT's or BUTTON's type ("submit" for a button that names none).
    [[nodiscard]] virtual std::string type() const = 0;
    // An attribute as the page wrote it; empty when it is missing.
    [[nodiscard]] virtual std::string attribute(const char* name) const = 0;
    struct Form {
        std::string action; // as the engine reports it (possibly relative)
        std::string method;
    };
    // The form an INPUT or BUTTON belongs to; nothing outside a form.
    [[nodiscard]] virtual std::optional<Form> form() const = 0;
    [[nodiscard]] virtual std::unique_ptr<PageElement> parent() const = 0;
};

// How the user acted on an element, which decides what the act follows.
enum class Act {
    Click, // links and submit buttons
    Enter, // links, submit buttons, and a text field submits its form
    Space, // submit buttons only: a link does not follow the space bar
};

// What an act on element asks for, resolved against base (the address of the element's
// document): the nearest link (A or AREA with an address) or submit button (BUTTON of type
// submit, INPUT of type submit or image) among the element and its parents, or, for Enter in
// a text field, the field's form. A submit button's own formaction and formmethod win over its
// form's. Nothing when the act hit none of these or base is no hierarchical address.
[[nodiscard]] std::optional<ActTarget> targetOf(std::unique_ptr<PageElement> element, Act act,
                                                std::string_view base);

// The address as it is compared: without the fragment (and without the query when asked),
// scheme and host in lower case, a default port dropped, an empty path as "/", and spaces,
// controls and bytes beyond ASCII %XX-escaped with upper-case hex, as every escape is. Two
// spellings of one address compare equal; different addresses never do.
[[nodiscard]] std::string comparableAddress(std::string_view url, bool withoutQuery);

// The user's last act in the page and what it asked for. One act lets one address out.
class UserActs {
  public:
    // How long after the act its navigation or window still counts, in milliseconds.
    static constexpr std::uint32_t kWindowMs = 1500;

    // A click or key of the user at `now`; target is what it acted on, nothing when it hit no
    // link or submit button. Replaces the act before.
    void noteAct(std::uint32_t now, std::optional<ActTarget> target);

    // A top-level navigation to url: true when it is the last act's target and the act is no
    // older than kWindowMs; the act is then used up.
    [[nodiscard]] bool takeNavigation(std::string_view url, std::uint32_t now);

    // A new window the control marks as started by the user (first of that act): true when an
    // act no older than kWindowMs is unused; the act is then used up.
    [[nodiscard]] bool takeWindow(std::uint32_t now);

  private:
    [[nodiscard]] bool fresh(std::uint32_t now) const;

    std::optional<std::uint32_t> at_;
    std::optional<ActTarget> target_;
};

} // namespace pagolux::win
