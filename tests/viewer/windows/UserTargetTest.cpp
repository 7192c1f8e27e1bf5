// Which navigation of the browser control may leave for the default browser: only the address
// the user's own click or key acted on, once, shortly after the act.

#include "viewer/windows/UserTarget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace pagolux::win {
namespace {

constexpr char kLink[] = "https://example.org/docs/a.html";

TEST(UserTarget, OneNavigationAfterTheAct)
{
    struct Row {
        const char* name;
        std::optional<ActTarget> target; // what the act hit; nothing when no link or button
        std::uint32_t actAt;
        const char* url; // where the page then navigates
        std::uint32_t navAt;
        bool passes;
    };
    const ActTarget link{kLink, false};
    const ActTarget getForm{"https://example.org/search?old=1", true};
    const ActTarget postForm{"https://example.org/send?to=a", false};
    const Row rows[] = {
        {"the clicked link", link, 1000, kLink, 1010, true},
        {"another address", link, 1000, "https://evil.example/", 1010, false},
        {"same path on another host", link, 1000, "https://example.com/docs/a.html", 1010, false},
        {"another scheme", link, 1000, "http://example.org/docs/a.html", 1010, false},
        {"a longer path", link, 1000, "https://example.org/docs/a.html/x", 1010, false},
        {"the link with a query added", link, 1000, "https://example.org/docs/a.html?x=1", 1010, false},
        {"just inside the window", link, 1000, kLink, 1000 + UserActs::kWindowMs, true},
        {"expired", link, 1000, kLink, 1001 + UserActs::kWindowMs, false},
        {"across the clock's wrap", ActTarget{kLink, false}, 0xFFFFFF00u, kLink, 0x40, true},
        {"expired across the wrap", ActTarget{kLink, false}, 0xFFFFFF00u, kLink, 0x1000, false},
        {"same address, another fragment", ActTarget{"https://example.org/a#one", false}, 0,
         "https://example.org/a#two", 5, true},
        {"fragment added", link, 0, "https://example.org/docs/a.html#part", 5, true},
        {"GET form with its fields", getForm, 0, "https://example.org/search?q=pagolux&lang=de", 5, true},
        {"GET form to another path", getForm, 0, "https://example.org/other?q=x", 5, false},
        {"POST form, same action", postForm, 0, "https://example.org/send?to=a", 5, true},
        {"POST form, other query", postForm, 0, "https://example.org/send?to=b", 5, false},
        {"host and scheme in other case", link, 0, "HTTPS://Example.ORG/docs/a.html", 5, true},
        {"path in other case", link, 0, "https://example.org/DOCS/a.html", 5, false},
        {"default port spelled out", link, 0, "https://example.org:443/docs/a.html", 5, true},
        {"another port", link, 0, "https://example.org:8443/docs/a.html", 5, false},
        {"no path and root path", ActTarget{"https://example.org", false}, 0, "https://example.org/", 5,
         true},
        {"escape spelled in lower case", ActTarget{"https://example.org/a%2fb", false}, 0,
         "https://example.org/a%2Fb", 5, true},
        {"space and umlaut escaped", ActTarget{"https://example.org/ä b", false}, 0,
         "https://example.org/%C3%A4%20b", 5, true},
        {"escaped slash is no slash", ActTarget{"https://example.org/a%2Fb", false}, 0,
         "https://example.org/a/b", 5, false},
        {"user information is no host", ActTarget{"https://example.org/", false}, 0,
         "https://example.org@evil.example/", 5, false},
        {"a click that hit no link", std::nullopt, 0, kLink, 5, false},
    };
    for (const Row& r : rows) {
        UserActs acts;
        acts.noteAct(r.actAt, r.target);
        EXPECT_EQ(acts.takeNavigation(r.url, r.navAt), r.passes) << r.name;
    }
}

TEST(UserTarget, NothingRememberedRefusesEverything)
{
    UserActs acts;
    EXPECT_FALSE(acts.takeNavigation(kLink, 0));
    EXPECT_FALSE(acts.takeNavigation("", 0));
    EXPECT_FALSE(acts.takeWindow(0));
}

TEST(UserTarget, AnActIsUsedUpOnceAndOnlyByItsTarget)
{
    UserActs acts;
    acts.noteAct(100, ActTarget{kLink, false});
    // The page's own navigation right after the click is refused and leaves the act alone, so
    // the navigation the click started still gets through.
    EXPECT_FALSE(acts.takeNavigation("https://evil.example/", 101));
    EXPECT_TRUE(acts.takeNavigation(kLink, 102));
    // Used up: neither the same address again nor a window.
    EXPECT_FALSE(acts.takeNavigation(kLink, 103));
    EXPECT_FALSE(acts.takeWindow(103));

    // A later act replaces the earlier one: the old link no longer counts.
    acts.noteAct(200, ActTarget{kLink, false});
    acts.noteAct(300, ActTarget{"https://example.org/b.html", false});
    EXPECT_FALSE(acts.takeNavigation(kLink, 301));
    EXPECT_TRUE(acts.takeNavigation("https://example.org/b.html", 302));

    // An unrelated click after a link's click takes the link's target away.
    acts.noteAct(400, ActTarget{kLink, false});
    acts.noteAct(410, std::nullopt);
    EXPECT_FALSE(acts.takeNavigation(kLink, 411));
}

TEST(UserTarget, AWindowNeedsAFreshUnusedAct)
{
    struct Row {
        const char* name;
        std::optional<ActTarget> target;
        std::uint32_t windowAt;
        bool passes;
    };
    const Row rows[] = {
        {"after a click on a link", ActTarget{kLink, false}, 10, true},
        {"after a click on a button (no target)", std::nullopt, 10, true},
        {"expired", std::nullopt, 1 + UserActs::kWindowMs, false},
    };
    for (const Row& r : rows) {
        UserActs acts;
        acts.noteAct(0, r.target);
        EXPECT_EQ(acts.takeWindow(r.windowAt), r.passes) << r.name;
    }

    // One window per act, and the window uses up the link's navigation too.
    UserActs acts;
    acts.noteAct(0, ActTarget{kLink, false});
    EXPECT_TRUE(acts.takeWindow(1));
    EXPECT_FALSE(acts.takeWindow(2));
    EXPECT_FALSE(acts.takeNavigation(kLink, 2));
}

// A page's element tree as the engine would report it.
struct Node {
    std::string tag;
    std::string href = {};
    std::string type = {};
    std::map<std::string, std::string> attributes = {};
    std::optional<PageElement::Form> form = {};
    std::shared_ptr<const Node> parent = {};
};

class FakeElement final : public PageElement {
  public:
    explicit FakeElement(std::shared_ptr<const Node> node) : node_(std::move(node)) {}
    std::string tag() const override { return node_->tag; }
    std::string href() const override { return node_->href; }
    std::string type() const override { return node_->type; }
    std::string attribute(const char* name) const override
    {
        const auto it = node_->attributes.find(name);
        return it == node_->attributes.end() ? std::string() : it->second;
    }
    std::optional<Form> form() const override { return node_->form; }
    std::unique_ptr<PageElement> parent() const override
    {
        return node_->parent ? std::make_unique<FakeElement>(node_->parent) : nullptr;
    }

  private:
    std::shared_ptr<const Node> node_;
};

std::shared_ptr<const Node> node(Node n)
{
    return std::make_shared<const Node>(std::move(n));
}

TEST(UserTarget, WhatTheActHit)
{
    const std::string base = "pagolux://site/web/page.html";
    const auto body = node({"BODY"});
    const auto link = node({"A", "https://example.org/x", "", {}, {}, body});
    const auto getForm = PageElement::Form{"https://example.org/search", "get"};
    const auto postForm = PageElement::Form{"https://example.org/send", "POST"};
    const auto relativeForm = PageElement::Form{"../find?old=1", ""};
    const auto emptyForm = PageElement::Form{"", "get"};
    struct Row {
        const char* name;
        std::shared_ptr<const Node> element;
        Act act;
        std::optional<ActTarget> expected;
    };
    const Row rows[] = {
        {"a link", link, Act::Click, ActTarget{"https://example.org/x", false}},
        {"a link by Enter", link, Act::Enter, ActTarget{"https://example.org/x", false}},
        {"a link does not follow Space", link, Act::Space, std::nullopt},
        {"a picture inside a link", node({"IMG", "", "", {}, {}, node({"span", "", "", {}, {}, link})}),
         Act::Click, ActTarget{"https://example.org/x", false}},
        {"a link in lower case", node({"a", "https://example.org/y"}), Act::Click,
         ActTarget{"https://example.org/y", false}},
        {"an image map's area", node({"AREA", "https://example.org/map"}), Act::Click,
         ActTarget{"https://example.org/map", false}},
        {"a relative link", node({"A", "../b.html#t"}), Act::Click,
         ActTarget{"pagolux://site/b.html#t", false}},
        {"an anchor without address", node({"A", "", "", {}, {}, body}), Act::Click, std::nullopt},
        {"an anchor without address inside a link", node({"A", "", "", {}, {}, link}), Act::Click,
         ActTarget{"https://example.org/x", false}},
        {"plain text", node({"P", "", "", {}, {}, body}), Act::Click, std::nullopt},
        {"a submit button of a GET form", node({"BUTTON", "", "submit", {}, getForm, body}), Act::Click,
         ActTarget{"https://example.org/search", true}},
        {"a submit button by Space", node({"BUTTON", "", "Submit", {}, getForm}), Act::Space,
         ActTarget{"https://example.org/search", true}},
        {"a plain button in a form", node({"BUTTON", "", "button", {}, getForm, link}), Act::Click,
         std::nullopt},
        {"a reset button", node({"BUTTON", "", "reset", {}, getForm}), Act::Click, std::nullopt},
        {"a submit input of a POST form", node({"INPUT", "", "submit", {}, postForm}), Act::Click,
         ActTarget{"https://example.org/send", false}},
        {"an image input", node({"INPUT", "", "image", {}, postForm}), Act::Enter,
         ActTarget{"https://example.org/send", false}},
        {"a submit input outside a form", node({"INPUT", "", "submit", {}, {}, link}), Act::Click,
         std::nullopt},
        {"Enter in a text field", node({"INPUT", "", "text", {}, getForm}), Act::Enter,
         ActTarget{"https://example.org/search", true}},
        {"Enter in a search field", node({"INPUT", "", "search", {}, getForm}), Act::Enter,
         ActTarget{"https://example.org/search", true}},
        {"a click in a text field", node({"INPUT", "", "text", {}, getForm}), Act::Click, std::nullopt},
        {"Space in a text field", node({"INPUT", "", "text", {}, getForm}), Act::Space, std::nullopt},
        {"Enter on a checkbox", node({"INPUT", "", "checkbox", {}, getForm}), Act::Enter, std::nullopt},
        {"the button's formaction and formmethod",
         node({"BUTTON",
               "",
               "submit",
               {{"formaction", "https://other.example/p"}, {"formmethod", "post"}},
               getForm}),
         Act::Click, ActTarget{"https://other.example/p", false}},
        {"a relative action, no method", node({"INPUT", "", "submit", {}, relativeForm}), Act::Click,
         ActTarget{"pagolux://site/find?old=1", true}},
        {"an empty action is the page", node({"INPUT", "", "submit", {}, emptyForm}), Act::Click,
         ActTarget{base, true}},
    };
    for (const Row& r : rows) {
        const auto got = targetOf(std::make_unique<FakeElement>(r.element), r.act, base);
        ASSERT_EQ(got.has_value(), r.expected.has_value()) << r.name;
        if (got) {
            EXPECT_EQ(got->address, r.expected->address) << r.name;
            EXPECT_EQ(got->queryReplaced, r.expected->queryReplaced) << r.name;
        }
    }
    EXPECT_EQ(targetOf(nullptr, Act::Click, base), std::nullopt);
    // A document without a hierarchical address resolves nothing.
    EXPECT_EQ(targetOf(std::make_unique<FakeElement>(node({"A", "b.html"})), Act::Click, "about:blank"),
              std::nullopt);
}

TEST(UserTarget, ComparableAddress)
{
    struct Row {
        const char* url;
        bool withoutQuery;
        const char* expected;
    };
    const Row rows[] = {
        {"HTTP://WWW.Example.ORG:80?a=B#F", false, "http://www.example.org/?a=B"},
        {"https://Example.org:443", true, "https://example.org/"},
        {"http://example.org:443/", false, "http://example.org:443/"},
        {"https://example.org:/x", false, "https://example.org/x"},
        {"https://User@Example.org/x", false, "https://User@example.org/x"},
        {"https://[::1]:8080/x", false, "https://[::1]:8080/x"},
        {"https://[::1]/x", false, "https://[::1]/x"},
        {"https://example.org/a b/%c3%a4?q=%e2", false, "https://example.org/a%20b/%C3%A4?q=%E2"},
        {"https://example.org/100%/x", false, "https://example.org/100%/x"},
        {"https://example.org/p?q#f?g", true, "https://example.org/p"},
        {"mailto:Someone@Example.org", false, "mailto:Someone@Example.org"},
        {"no-scheme/path", false, "no-scheme/path"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(comparableAddress(r.url, r.withoutQuery), r.expected) << r.url;
}

} // namespace
} // namespace pagolux::win
