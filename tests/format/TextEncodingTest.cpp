// Stored text bytes and what the window and the viewer show for them.
#include "format/TextEncoding.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

TEST(TextEncoding, Utf8IsShownAsItIsEverythingElseAsWindows1252)
{
    struct Row {
        const char* name;
        std::string bytes;
        bool utf8;
        std::string shown;
    };
    const Row rows[] = {
        {"ASCII", "Pagolux 2.0", true, "Pagolux 2.0"},
        {"empty", "", true, ""},
        {"UTF-8 umlaut",
         "\xC3\x9C"
         "bung",
         true,
         "\xC3\x9C"
         "bung"},
        {"UTF-8 euro and emoji", "\xE2\x82\xAC \xF0\x9F\x98\x80", true, "\xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"ANSI umlaut",
         "\xDC"
         "bung",
         false,
         "\xC3\x9C"
         "bung"},
        {"ANSI name with ß and ä",
         "Stra\xDF"
         "e \xE4",
         false,
         "Stra\xC3\x9F"
         "e \xC3\xA4"},
        {"Windows-1252 euro, quotes and dash",
         "\x80 \x84"
         "a\x93 \x96",
         false,
         "\xE2\x82\xAC \xE2\x80\x9E"
         "a\xE2\x80\x9C \xE2\x80\x93"},
        {"undefined Windows-1252 byte",
         "a\x81"
         "b",
         false,
         "a\xC2\x81"
         "b"},
        {"ANSI bytes that look like a UTF-8 start",
         "\xC3"
         "x",
         false,
         "\xC3\x83"
         "x"},
        {"overlong slash", "\xC0\xAF", false, "\xC3\x80\xC2\xAF"},
        {"overlong three-byte form", "\xE0\x80\xAF", false, "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},
        {"surrogate", "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
        {"cut short", "ab\xE2\x82", false, "ab\xC3\xA2\xE2\x80\x9A"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsValidUtf8(row.bytes), row.utf8) << row.name;
        EXPECT_EQ(DisplayText(row.bytes), row.shown) << row.name;
        EXPECT_TRUE(IsValidUtf8(DisplayText(row.bytes))) << row.name;
    }
}

} // namespace
} // namespace pagolux
