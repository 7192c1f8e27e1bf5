// WriteStr / ReadStr: exact bytes, round trips and every failed or short transfer.
#include "format/orvanto.h"
#include "archive/ZlibStreams.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

using namespace pagolux;
using namespace pagolux::test;

TEST(Orvanto, WriteStrWritesTheLengthThenTheBytes)
{
    struct Row {
        std::string text;
        Bytes expected;
    } rows[] = {
        {"", {0, 0, 0, 0}},
        {"Pagolux 2.0", {11, 0, 0, 0, 'P', 'a', 'g', 'o', 'l', 'u', 'x', ' ', '2', '.', '0'}},
        {std::string("a\0b", 3), {3, 0, 0, 0, 'a', 0, 'b'}},
        {"\xC3\xA4", {2, 0, 0, 0, 0xC3, 0xA4}},
    };
    for (const auto& r : rows) {
        TMemoryStream m;
        WriteStr(m, r.text);
        EXPECT_EQ(m.Bytes(), r.expected);
        m.SetPosition(0);
        std::string back = "previous";
        ReadStr(m, back);
        EXPECT_EQ(back, r.text);
        EXPECT_EQ(m.Position(), m.Size());
    }
    // A length above 255 uses the higher bytes, little-endian.
    TMemoryStream m;
    WriteStr(m, std::string(772, 'x'));
    EXPECT_EQ(Bytes(m.Bytes().begin(), m.Bytes().begin() + 4), (Bytes{4, 3, 0, 0}));
}

TEST(Orvanto, ReadStrRefusesShortAndImpossibleInput)
{
    struct Row {
        const char* label;
        Bytes input;
    } rows[] = {
        {"empty", {}},
        {"short length", {5, 0, 0}},
        {"short text", {5, 0, 0, 0, 'a', 'b'}},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF}},
        {"huge length", {0xFF, 0xFF, 0xFF, 0x7F, 'a'}},
    };
    for (const auto& r : rows) {
        TMemoryStream m(r.input);
        std::string text = "kept";
        try {
            ReadStr(m, text);
            ADD_FAILURE() << r.label << ": no error";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, 100) << r.label;
            EXPECT_STREQ(e.what(), "E/A-Fehler 100: Lesen über das Dateiende hinaus") << r.label;
        }
        EXPECT_EQ(text, "kept") << r.label;
    }
}

TEST(Orvanto, WriteStrReportsFailedWrites)
{
    for (std::int64_t limit : {0, 2, 4, 7}) {
        FailingMemoryStream m;
        m.failBeyond = limit;
        try {
            WriteStr(m, "12345");
            ADD_FAILURE() << limit << ": no error";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, 101);
            EXPECT_STREQ(e.what(), "E/A-Fehler 101: Schreiben fehlgeschlagen");
        }
    }
    // A read-only stream cannot be written at all.
    const std::uint8_t bytes[1] = {0};
    TReadOnlyMemoryStream ro(bytes, 1);
    EXPECT_THROW(WriteStr(ro, "x"), EInOutError);
    // And the error is one of ours, for the window's default error display.
    EXPECT_THROW(WriteStr(ro, "x"), Exception);
}

TEST(Orvanto, WorksOnFiles)
{
    TempFolder dir;
    {
        TFileStream f(dir / "s.bin", TFileMode::fmCreate);
        WriteStr(f, "eins");
        WriteStr(f, "");
        WriteStr(f, "drei");
    }
    TFileStream f(dir / "s.bin", TFileMode::fmOpenRead);
    std::string a, b, c, d;
    ReadStr(f, a);
    ReadStr(f, b);
    ReadStr(f, c);
    EXPECT_EQ(a, "eins");
    EXPECT_EQ(b, "");
    EXPECT_EQ(c, "drei");
    EXPECT_THROW(ReadStr(f, d), EInOutError); // read past the end
}

TEST(Orvanto, StreamsWithoutASizeAreReadInBlocks)
{
    // Strings inside a compressed stream: the decompression stream cannot tell its size.
    TMemoryStream z;
    {
        TCompressionStream c(fcDefault, z);
        WriteStr(c, std::string(200000, 'a'));
        WriteStr(c, "tail");
        c.Finish();
    }
    z.SetPosition(0);
    TDecompressionStream d(z);
    std::string a, b, kept = "kept";
    ReadStr(d, a);
    ReadStr(d, b);
    EXPECT_EQ(a, std::string(200000, 'a'));
    EXPECT_EQ(b, "tail");
    // A length beyond the data ends in the input/output error, the text stays.
    EXPECT_THROW(ReadStr(d, kept), EInOutError);
    EXPECT_EQ(kept, "kept");
}
