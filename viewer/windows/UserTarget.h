#pragma once
// Which web address the user's own click or key asked for, so that the browser control hands
// only that one to the default browser. The window looks up what a click or key acted on (a
// link, or a form's submit button) before the page sees the message; a navigation that the page
// starts by itself (a timer, a script, an unrelated click) does not match and stays refused.
// Plain C++ over UTF-8 addresses and a wrapping millisecond clock, so it is testable anywhere.

#include <cstdint>
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
