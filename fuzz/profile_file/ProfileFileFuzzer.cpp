// Feeds arbitrary text to the profile (INI) file layer. Reading the text again gives the same
// text; a value is never longer than the read buffer and does not depend on the case or the
// blanks of the names asked for; writing one key makes it read back as written and leaves the
// values of the other keys as they were.

#include "controls/placement/ProfileFile.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

using pagolux::ProfileFile;

// The names the window's placement and stored properties use, and a section of their own.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kKeys{{
    {"TMainForm", "NormPos"},
    {"TMainForm", "Visible"},
    {"TMainForm", "AutoStartCheck_Checked"},
    {"Fuzz", "A"},
    {"Fuzz", "b"},
    {"Other", "NormPos"},
}};

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ProfileFile profile("/nonexistent/fuzz.ini");
    profile.setText(input);
    const std::string text = profile.text();
    ProfileFile again("/nonexistent/fuzz.ini");
    again.setText(text);
    if (again.text() != text)
        std::abort();

    std::array<std::optional<std::string>, kKeys.size()> values;
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const auto [section, key] = kKeys[i];
        values[i] = profile.find(section, key);
        if (values[i] && values[i]->size() > ProfileFile::kValueBufferSize - 1)
            std::abort();
        if (profile.find(" " + upper(section) + " ", "\t" + upper(key)) != values[i])
            std::abort();
    }

    // The last byte picks the key to write; the value is a plain word.
    const std::size_t chosen = size == 0 ? 0 : data[size - 1] % kKeys.size();
    const std::string value = "v" + std::to_string(size);
    profile.writeString(kKeys[chosen].first, kKeys[chosen].second, value);
    ProfileFile written("/nonexistent/fuzz.ini");
    written.setText(profile.text());
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const auto [section, key] = kKeys[i];
        const std::optional<std::string> expected =
            i == chosen || (upper(section) == upper(kKeys[chosen].first) &&
                            upper(key) == upper(kKeys[chosen].second))
                ? std::optional<std::string>(value)
                : values[i];
        if (profile.find(section, key) != expected || written.find(section, key) != expected)
            std::abort();
    }
    return 0;
}
