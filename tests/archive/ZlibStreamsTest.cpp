// The compression streams: buffering, positions, progress, level mapping, seek rules, the
// error texts, and inflating past the end of a zlib stream.
#include "archive/ZlibStreams.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace pagolux;
using namespace pagolux::test;

namespace {

Bytes compress(const Bytes& data, TFileCompressionLevel level = fcDefault)
{
    TMemoryStream dst;
    {
        TCompressionStream z(level, dst);
        z.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    }
    return dst.Bytes();
}

} // namespace

TEST(ZlibStreams, EmptyInputAtTheDefaultLevelIsTheEightByteStream)
{
    EXPECT_EQ(compress({}), (Bytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
}

TEST(ZlibStreams, LevelsMapToZlibLevels)
{
    struct Row {
        TFileCompressionLevel level;
        int zlib;
        std::uint8_t headerByte; // second byte of the zlib header carries the level class
    } rows[] = {{fcNone, 0, 0x01}, {fcFastest, 1, 0x01}, {fcDefault, -1, 0x9C}, {fcMaximum, 9, 0xDA}};
    const Bytes data = TextData(5000);
    for (const auto& r : rows) {
        EXPECT_EQ(ZlibLevel(r.level), r.zlib);
        const Bytes z = compress(data, r.level);
        EXPECT_EQ(z[0], 0x78);
        EXPECT_EQ(z[1], r.headerByte) << int(r.level);
    }
    // A level-0 stream is longer than its input; the other levels shrink text.
    EXPECT_GT(compress(data, fcNone).size(), data.size());
    EXPECT_LT(compress(data, fcMaximum).size(), compress(data, fcFastest).size());
}

TEST(ZlibStreams, CompressionPositionCountsAcceptedBytesAndOtherOperationsFail)
{
    TMemoryStream dst;
    TCompressionStream z(fcDefault, dst);
    const Bytes data = TextData(100);
    z.WriteBuffer(data.data(), 100);
    EXPECT_EQ(z.Position(), 100);
    std::uint8_t b = 0;
    EXPECT_EQ(messageOf([&] { (void)z.Read(&b, 1); }), "Invalid stream operation");
    EXPECT_EQ(messageOf([&] { z.Seek(0, TSeekOrigin::soBeginning); }), "Invalid stream operation");
    EXPECT_EQ(messageOf([&] { z.Seek(1, TSeekOrigin::soCurrent); }), "Invalid stream operation");
    EXPECT_THROW(z.Seek(0, TSeekOrigin::soEnd), ECompressionError);
}

TEST(ZlibStreams, ProgressFiresOnlyWhenTheBufferIsExchanged)
{
    {
        TMemoryStream dst;
        int calls = 0;
        TCompressionStream z(fcDefault, dst);
        z.OnProgress = [&](TCustomZlibStream&) { ++calls; };
        const Bytes small = TextData(200000); // compresses far below 64 KiB
        z.WriteBuffer(small.data(), static_cast<std::int64_t>(small.size()));
        z.Finish();
        EXPECT_EQ(calls, 0);
    }
    {
        TMemoryStream dst;
        std::vector<std::int64_t> sizes;
        std::vector<std::int64_t> positions;
        TCompressionStream z(fcNone, dst);
        z.OnProgress = [&](TCustomZlibStream& s) {
            sizes.push_back(dst.Size());
            positions.push_back(s.Position());
        };
        const Bytes big = RandomData(300000);
        z.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
        // Every notification follows exactly one full 65,536-byte buffer.
        ASSERT_EQ(sizes.size(), 4u);
        for (std::size_t i = 0; i < sizes.size(); ++i)
            EXPECT_EQ(sizes[i], static_cast<std::int64_t>(65536 * (i + 1)));
        for (std::size_t i = 1; i < positions.size(); ++i)
            EXPECT_GE(positions[i], positions[i - 1]);
        EXPECT_GT(positions.back(), positions.front());
        EXPECT_LE(positions.back(), 300000);
        z.Finish();
        EXPECT_EQ(sizes.size(), 4u); // nothing during finishing
    }
}

TEST(ZlibStreams, CompressionFollowsTheUnderlyingStreamWhenOthersMoveIt)
{
    TMemoryStream dst;
    dst.WriteBuffer("HEAD", 4);
    const Bytes data = TextData(1000);
    {
        TCompressionStream z(fcDefault, dst);
        z.WriteBuffer(data.data(), 500);
        dst.SetPosition(0); // someone else moved the shared stream
        z.WriteBuffer(data.data() + 500, 500);
        dst.SetPosition(1);
    }
    TMemoryStream src(dst.Bytes());
    src.SetPosition(4);
    TDecompressionStream d(src);
    Bytes back(1000);
    d.ReadBuffer(back.data(), 1000);
    EXPECT_EQ(back, data);
    EXPECT_EQ(Bytes(dst.Bytes().begin(), dst.Bytes().begin() + 4), (Bytes{'H', 'E', 'A', 'D'}));
}

TEST(ZlibStreams, RoundTripAtEveryLevel)
{
    for (auto level : {fcNone, fcFastest, fcDefault, fcMaximum}) {
        for (const Bytes& data : {Bytes{}, TextData(1), TextData(70000), RandomData(140000)}) {
            TMemoryStream src(compress(data, level));
            TDecompressionStream d(src);
            Bytes back(data.size());
            d.ReadBuffer(back.data(), static_cast<std::int64_t>(back.size()));
            EXPECT_EQ(back, data);
        }
    }
}

TEST(ZlibStreams, OneShotDeflateMatchesTheStream)
{
    for (auto level : {fcFastest, fcDefault, fcMaximum}) {
        for (const Bytes& data : {Bytes{}, TextData(10), TextData(300000, 3), RandomData(100000)}) {
            Bytes viaStream;
            {
                TMemoryStream dst;
                {
                    TCompressionStream z(level, dst);
                    TReadOnlyMemoryStream in(data.data(), data.size());
                    z.CopyFrom(in, 0);
                }
                viaStream = dst.Bytes();
            }
            Bytes oneShot;
            ASSERT_TRUE(DeflateBuffer(level, data.data(), data.size(), oneShot, 0));
            EXPECT_EQ(oneShot, viaStream) << int(level) << " " << data.size();
            // The reused per-thread state gives the same bytes, member after member.
            for (int repeat = 0; repeat < 2; ++repeat) {
                Bytes member;
                std::vector<std::int64_t> exchanges;
                DeflateMember(level, data.data(), data.size(), member, &exchanges);
                EXPECT_EQ(member, viaStream) << int(level) << " " << data.size();
                EXPECT_EQ(exchanges.size(), viaStream.size() / 65536) << int(level) << " " << data.size();
            }
        }
    }
    // With a limit the one-shot deflate gives up on data that does not shrink.
    const Bytes noise = RandomData(5000);
    Bytes out;
    EXPECT_FALSE(DeflateBuffer(fcDefault, noise.data(), noise.size(), out, noise.size()));
}

TEST(ZlibStreams, DecompressionSeekRules)
{
    const Bytes data = TextData(20000);
    TMemoryStream src(compress(data));
    TDecompressionStream d(src);
    std::uint8_t buf[100];
    d.ReadBuffer(buf, 100);
    EXPECT_EQ(d.Position(), 100);

    // Forward from the beginning skips, from the current position too.
    EXPECT_EQ(d.Seek(9000, TSeekOrigin::soBeginning), 9000);
    d.ReadBuffer(buf, 10);
    EXPECT_EQ(Bytes(buf, buf + 10), Bytes(data.begin() + 9000, data.begin() + 9010));
    EXPECT_EQ(d.Seek(90, TSeekOrigin::soCurrent), 9100);
    d.ReadBuffer(buf, 1);
    EXPECT_EQ(buf[0], data[9100]);

    // The current value again, backwards, or from the end: refused.
    EXPECT_EQ(messageOf([&] { d.SetPosition(9101); }), "Invalid stream operation");
    EXPECT_THROW(d.Seek(5, TSeekOrigin::soBeginning), ECompressionError);
    EXPECT_THROW(d.Seek(-1, TSeekOrigin::soCurrent), ECompressionError);
    EXPECT_THROW(d.Seek(0, TSeekOrigin::soEnd), ECompressionError);
    EXPECT_THROW(d.WriteBuffer(buf, 1), ECompressionError);

    // Zero from the beginning restarts at the source's absolute start.
    EXPECT_EQ(d.Seek(0, TSeekOrigin::soBeginning), 0);
    d.ReadBuffer(buf, 5);
    EXPECT_EQ(Bytes(buf, buf + 5), Bytes(data.begin(), data.begin() + 5));
}

TEST(ZlibStreams, DestructionHandsUnusedInputBack)
{
    const Bytes data = TextData(3000);
    Bytes file = compress(data);
    const auto zlen = static_cast<std::int64_t>(file.size());
    const Bytes tail = RandomData(1000);
    file.insert(file.end(), tail.begin(), tail.end());
    TMemoryStream src(file);
    {
        TDecompressionStream d(src);
        Bytes back(data.size());
        d.ReadBuffer(back.data(), static_cast<std::int64_t>(back.size()));
        EXPECT_EQ(back, data);
        // The stream read the whole source ahead into its buffer.
        EXPECT_EQ(src.Position(), static_cast<std::int64_t>(file.size()));
    }
    // Afterwards the source stands right after the input inflate consumed: inside the zlib
    // stream's last few bytes (end code and checksum may still be unread), never in the tail.
    EXPECT_LE(src.Position(), zlen);
    EXPECT_GE(src.Position(), zlen - 8);
}

TEST(ZlibStreams, DamagedAndExhaustedStreamsRaiseDecompressionError)
{
    const Bytes data = TextData(50000);
    const Bytes z = compress(data);
    {
        // Cut short: once the source has no more bytes, "error".
        TMemoryStream src(Bytes(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(z.size() / 2)));
        TDecompressionStream d(src);
        Bytes back(data.size());
        EXPECT_EQ(messageOf([&] { d.ReadBuffer(back.data(), static_cast<std::int64_t>(back.size())); }),
                  "error");
    }
    {
        // Asking for more than the stream holds raises instead of looping.
        TMemoryStream src(z);
        TDecompressionStream d(src);
        Bytes back(data.size() + 1);
        EXPECT_THROW(d.ReadBuffer(back.data(), static_cast<std::int64_t>(back.size())), EDecompressionError);
    }
    {
        Bytes bad = z;
        bad[0] = 0x00; // not a zlib header
        TMemoryStream src(bad);
        TDecompressionStream d(src);
        std::uint8_t b[4];
        EXPECT_THROW(d.ReadBuffer(b, 4), EDecompressionError);
    }
}

TEST(ZlibStreams, Crc32OfTheCheckString)
{
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(0, "", 0), 0u);
    // Feeding in pieces gives the same result.
    EXPECT_EQ(Crc32(Crc32(0, "1234", 4), "56789", 5), 0xCBF43926u);
}

namespace {

// Bit by bit, the definition: reflected polynomial 0xEDB88320, inverted before and after.
std::uint32_t bitwiseCrc32(std::uint32_t crc, const std::uint8_t* p, std::size_t n)
{
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

} // namespace

TEST(ZlibStreams, Crc32MatchesTheBitwiseDefinitionForEveryLengthAndAlignment)
{
    const Bytes data = RandomData(70000, 11);
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t size = 0; size <= 300; ++size)
            for (std::uint32_t start : {0u, 0xFFFFFFFFu, 0x5A17C3E1u})
                ASSERT_EQ(Crc32(start, data.data() + offset, size),
                          bitwiseCrc32(start, data.data() + offset, size))
                    << "offset " << offset << " size " << size << " start " << start;
    for (std::size_t size : {1000u, 4096u, 65535u, 65536u, 69977u}) {
        ASSERT_EQ(Crc32(0, data.data() + 3, size), bitwiseCrc32(0, data.data() + 3, size)) << size;
        // Any split gives the same result as one piece.
        const std::size_t half = size / 2 + 5;
        EXPECT_EQ(Crc32(Crc32(0, data.data(), half), data.data() + half, size - half),
                  bitwiseCrc32(0, data.data(), size))
            << size;
    }
    // One flipped bit anywhere in a long block changes the result.
    Bytes flipped = data;
    flipped[40000] ^= 0x08;
    EXPECT_NE(Crc32(0, flipped.data(), flipped.size()), Crc32(0, data.data(), data.size()));
    EXPECT_EQ(Crc32(0, flipped.data(), flipped.size()), bitwiseCrc32(0, flipped.data(), flipped.size()));
}

TEST(ZlibStreams, CombinedCrcsEqualTheCrcOfTheWhole)
{
    const Bytes data = RandomData(5 * 4096 + 123, 11);
    const auto crcOf = [&](std::size_t from, std::size_t len) { return Crc32(0, data.data() + from, len); };
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, data.size() - 1, data.size()})
        EXPECT_EQ(Crc32Combine(crcOf(0, cut), crcOf(cut, data.size() - cut),
                               static_cast<std::int64_t>(data.size() - cut)),
                  crcOf(0, data.size()))
            << cut;

    // A head of 123 bytes followed by five blocks of 4096, given by their CRCs.
    std::vector<std::uint32_t> blocks;
    for (std::size_t at = 123; at < data.size(); at += 4096)
        blocks.push_back(crcOf(at, 4096));
    for (std::size_t count = 0; count <= blocks.size(); ++count)
        EXPECT_EQ(Crc32Append(crcOf(0, 123), blocks.data(), count, 4096), crcOf(0, 123 + count * 4096))
            << count;
}

TEST(ZlibStreams, InflateCrc32AgreesWithReadingThroughADecompressionStream)
{
    // Small members are decoded in one piece, everything else streams through zlib. Either way
    // the answer must be the one extraction reaches: the CRC of the first size bytes, or a
    // refusal with zlib's "error".
    const auto extracted = [](const Bytes& input, std::int64_t size) -> std::optional<std::uint32_t> {
        TMemoryStream src(input);
        TDecompressionStream z(src);
        std::vector<std::uint8_t> chunk(256 * 1024);
        std::uint32_t crc = 0;
        try {
            for (std::int64_t left = size; left > 0;) {
                const auto n = std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size()));
                z.ReadBuffer(chunk.data(), n);
                crc = Crc32(crc, chunk.data(), static_cast<std::size_t>(n));
                left -= n;
            }
        } catch (const EDecompressionError&) {
            return std::nullopt;
        }
        return crc;
    };
    const auto checked = [](const Bytes& input, std::int64_t size) -> std::optional<std::uint32_t> {
        TMemoryStream src(input);
        try {
            return InflateCrc32(src, size);
        } catch (const EDecompressionError& e) {
            EXPECT_STREQ(e.what(), "error");
            return std::nullopt;
        }
    };

    const Bytes data = TextData(600000); // more than one output buffer
    const Bytes z = compress(data);
    const Bytes big = TextData(9 * 1024 * 1024 + 17, 5); // too large to decode in one piece
    const Bytes bigZ = compress(big);
    const auto crcOf = [](const Bytes& b, std::size_t n) { return Crc32(0, b.data(), n); };
    const auto n = static_cast<std::int64_t>(data.size());
    const auto bigN = static_cast<std::int64_t>(big.size());
    const auto withLastByteFlipped = [](Bytes b) {
        b.back() ^= 0x01; // the last byte of the Adler-32
        return b;
    };
    Bytes trailing = z;
    trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
    Bytes badHeader = z;
    badHeader[0] = 0x00;

    struct Case {
        const char* label;
        Bytes input;
        std::int64_t size;
        std::optional<std::uint32_t> expected; // empty: refused
    };
    const std::vector<Case> cases = {
        {"whole stream", z, n, crcOf(data, data.size())},
        {"bytes after the stream", trailing, n, crcOf(data, data.size())},
        {"a prefix of the output", z, 1000, crcOf(data, 1000)},
        {"nothing asked", z, 0, 0u},
        {"too large for one piece", bigZ, bigN, crcOf(big, big.size())},
        {"prefix of a large stream", bigZ, 5000, crcOf(big, 5000)},
        {"wrong Adler-32", withLastByteFlipped(z), n, std::nullopt},
        {"wrong Adler-32 of a large stream", withLastByteFlipped(bigZ), bigN, std::nullopt},
        {"wrong Adler-32 not reached", withLastByteFlipped(z), 1000, crcOf(data, 1000)},
        {"cut short", Bytes(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(z.size() / 2)), n,
         std::nullopt},
        {"more output asked than the stream holds", z, n + 1, std::nullopt},
        {"not a zlib header", badHeader, 4, std::nullopt},
        {"no input", {}, 4, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checked(c.input, c.size), c.expected) << c.label;
        EXPECT_EQ(extracted(c.input, c.size), c.expected) << c.label;
    }

    // Damage inside the deflate data is refused or shows in the CRC, as it does for extraction.
    for (std::size_t at = 2; at < z.size(); at += z.size() / 29) {
        Bytes bad = z;
        bad[at] ^= 0x40;
        const auto result = checked(bad, n);
        EXPECT_EQ(result, extracted(bad, n)) << at;
        EXPECT_NE(result, std::optional<std::uint32_t>(crcOf(data, data.size()))) << at;
    }
}
