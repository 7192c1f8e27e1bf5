#include "format/VersionResource.h"

#include <algorithm>
#include <array>

namespace pagolux {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put16At(Bytes& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::uint16_t get16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void align4(Bytes& b)
{
    while (b.size() % 4 != 0)
        b.push_back(0);
}

std::size_t aligned4(std::size_t at)
{
    return (at + 3) & ~std::size_t{3};
}

void putText(Bytes& b, const std::u16string& text)
{
    for (char16_t c : text)
        put16(b, c);
    put16(b, 0);
}

// One node of the version tree: header, key, value, then the children, each 4-byte aligned.
// The length counts everything but the padding after the node.
struct Node {
    std::u16string key;
    std::uint16_t type = 1; // 1: the value is text
    Bytes value;
    std::uint16_t valueLength = 0; // in bytes for binary values, in code units for text
    std::vector<Node> children;
};

void write(Bytes& out, const Node& n)
{
    align4(out);
    const std::size_t start = out.size();
    put16(out, 0);
    put16(out, n.valueLength);
    put16(out, n.type);
    putText(out, n.key);
    align4(out);
    out.insert(out.end(), n.value.begin(), n.value.end());
    for (const Node& child : n.children)
        write(out, child);
    put16At(out, start, static_cast<std::uint32_t>(out.size() - start));
}

// How many code units of text fit before the terminating zero in a field of units, without
// cutting a surrogate pair in two.
std::size_t fitted(const std::u16string& text, std::size_t units)
{
    std::size_t used = std::min(text.size(), units - 1);
    if (used > 0 && used < text.size() && text[used - 1] >= 0xD800 && text[used - 1] < 0xDC00)
        --used;
    return used;
}

// A reserved text field: the text cut to fit, zeros up to its full size.
Node field(const std::u16string& key, const std::u16string& text)
{
    Node n{key, 1, {}, 0, {}};
    const std::size_t used = fitted(text, kVersionFieldUnits);
    for (std::size_t i = 0; i < kVersionFieldUnits; ++i)
        put16(n.value, i < used ? text[i] : 0);
    n.valueLength = static_cast<std::uint16_t>(used + 1);
    return n;
}

Node text(const std::u16string& key, const std::u16string& value)
{
    Node n{key, 1, {}, static_cast<std::uint16_t>(value.size() + 1), {}};
    putText(n.value, value);
    return n;
}

// A parsed node's places in the block.
struct Span {
    std::size_t start = 0;
    std::size_t end = 0; // start + length
    std::u16string key;
    std::size_t valueAt = 0;
    std::size_t childrenAt = 0;
};

std::optional<Span> parse(const Bytes& b, std::size_t at, std::size_t limit)
{
    if (at + 6 > limit)
        return std::nullopt;
    Span s;
    s.start = at;
    const std::size_t length = get16(b, at);
    if (length < 6 || at + length > limit)
        return std::nullopt;
    s.end = at + length;
    std::size_t p = at + 6;
    for (;; p += 2) {
        if (p + 2 > s.end)
            return std::nullopt;
        const char16_t c = get16(b, p);
        if (c == 0)
            break;
        s.key.push_back(c);
    }
    s.valueAt = std::min(aligned4(p + 2), s.end);
    const std::size_t valueLength = get16(b, at + 2);
    const std::size_t bytes = get16(b, at + 4) == 1 ? valueLength * 2 : valueLength;
    s.childrenAt = std::min(aligned4(s.valueAt + bytes), s.end);
    return s;
}

std::vector<Span> children(const Bytes& b, const Span& parent)
{
    std::vector<Span> out;
    for (std::size_t at = parent.childrenAt; at < parent.end;) {
        const auto child = parse(b, at, parent.end);
        if (!child)
            break;
        out.push_back(*child);
        at = aligned4(child->end);
    }
    return out;
}

// Every string field of the block: root → StringFileInfo → string tables → strings.
std::vector<Span> stringFields(const Bytes& b)
{
    std::vector<Span> out;
    const auto root = parse(b, 0, b.size());
    if (!root || root->key != u"VS_VERSION_INFO")
        return out;
    for (const Span& info : children(b, *root)) {
        if (info.key != u"StringFileInfo")
            continue;
        for (const Span& table : children(b, info))
            for (const Span& s : children(b, table))
                out.push_back(s);
    }
    return out;
}

} // namespace

Bytes MakeVersionResource(const VersionTexts& t)
{
    Node root{u"VS_VERSION_INFO", 0, {}, 52, {}};
    const std::array<std::uint32_t, 13> fixed = {0xFEEF04BDu, 0x00010000u, // signature, structure version
                                                 0x00020000u, 0,           // file version 2.0.0.0
                                                 0x00020000u, 0,           // product version 2.0.0.0
                                                 0x3Fu,       0,           // flags mask, flags
                                                 0x00040004u,              // VOS_NT_WINDOWS32
                                                 1,           0,           // VFT_APP, no subtype
                                                 0,           0};          // no date
    for (std::uint32_t v : fixed)
        put32(root.value, v);

    Node table{u"040704B0", 1, {}, 0, {}};
    table.children = {
        field(u"FileDescription", t.fileDescription), text(u"FileVersion", u"2.0"),
        field(u"InternalName", t.internalName),       field(u"OriginalFilename", t.originalFilename),
        field(u"ProductName", t.productName),         text(u"ProductVersion", u"2.0")};
    Node strings{u"StringFileInfo", 1, {}, 0, {table}};

    Node translation{u"Translation", 0, {}, 4, {}};
    put16(translation.value, 0x0407);
    put16(translation.value, 1200);
    Node vars{u"VarFileInfo", 1, {}, 0, {translation}};
    root.children = {strings, vars};

    Bytes out;
    write(out, root);
    return out;
}

bool FillVersionResource(Bytes& block, const VersionTexts& t)
{
    const std::array<std::pair<std::u16string, const std::u16string*>, 4> wanted = {{
        {u"FileDescription", &t.fileDescription},
        {u"ProductName", &t.productName},
        {u"OriginalFilename", &t.originalFilename},
        {u"InternalName", &t.internalName},
    }};
    const std::vector<Span> fields = stringFields(block);
    std::vector<std::pair<Span, const std::u16string*>> plan;
    for (const auto& [key, value] : wanted) {
        const auto it =
            std::find_if(fields.begin(), fields.end(), [&key](const Span& s) { return s.key == key; });
        if (it == fields.end() || (it->end - it->valueAt) / 2 < 2)
            return false;
        plan.emplace_back(*it, value);
    }
    for (const auto& [span, value] : plan) {
        const std::size_t units = (span.end - span.valueAt) / 2;
        const std::size_t used = fitted(*value, units);
        for (std::size_t i = 0; i < units; ++i)
            put16At(block, span.valueAt + 2 * i, i < used ? (*value)[i] : 0);
        put16At(block, span.start + 2, static_cast<std::uint32_t>(used + 1));
    }
    return true;
}

std::optional<std::u16string> ReadVersionString(const Bytes& block, const std::u16string& key)
{
    for (const Span& s : stringFields(block)) {
        if (s.key != key)
            continue;
        std::u16string value;
        for (std::size_t at = s.valueAt; at + 2 <= s.end; at += 2) {
            const char16_t c = get16(block, at);
            if (c == 0)
                break;
            value.push_back(c);
        }
        return value;
    }
    return std::nullopt;
}

std::u16string VersionText(const std::string& utf8)
{
    std::u16string out;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        const std::size_t extra = c >= 0xF0 && c < 0xF5   ? 3
                                  : c >= 0xE0 && c < 0xF0 ? 2
                                  : c >= 0xC2 && c < 0xE0 ? 1
                                                          : 0;
        char32_t cp = extra == 3 ? c & 0x07u : extra == 2 ? c & 0x0Fu : extra == 1 ? c & 0x1Fu : c;
        bool ok = c < 0x80 || extra > 0;
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = cp << 6 | (s[i + k] & 0x3Fu);
        }
        if (!ok) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace pagolux
