#include "format/orvanto.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace pagolux {

namespace {

constexpr int kReadErrorCode = 100;
constexpr int kWriteErrorCode = 101;

[[noreturn]] void readFailed()
{
    throw EInOutError(kReadErrorCode, "E/A-Fehler 100: Lesen über das Dateiende hinaus");
}

[[noreturn]] void writeFailed()
{
    throw EInOutError(kWriteErrorCode, "E/A-Fehler 101: Schreiben fehlgeschlagen");
}

void writeAll(TStream& f, const void* data, std::int64_t count)
{
    std::int64_t done = 0;
    try {
        done = f.Write(data, count);
    } catch (const Exception&) {
        writeFailed();
    }
    if (done != count)
        writeFailed();
}

void readAll(TStream& f, void* data, std::int64_t count)
{
    std::int64_t done = 0;
    try {
        done = f.Read(data, count);
    } catch (const Exception&) {
        readFailed();
    }
    if (done != count)
        readFailed();
}

} // namespace

void WriteStr(TStream& f, const std::string& text)
{
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        writeFailed();
    const auto len = static_cast<std::uint32_t>(text.size());
    const std::uint8_t prefix[4] = {static_cast<std::uint8_t>(len), static_cast<std::uint8_t>(len >> 8),
                                    static_cast<std::uint8_t>(len >> 16),
                                    static_cast<std::uint8_t>(len >> 24)};
    writeAll(f, prefix, 4);
    if (len > 0)
        writeAll(f, text.data(), static_cast<std::int64_t>(len));
}

void ReadStr(TStream& f, std::string& text)
{
    std::uint8_t prefix[4];
    readAll(f, prefix, 4);
    const auto len = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(prefix[0]) | static_cast<std::uint32_t>(prefix[1]) << 8 |
        static_cast<std::uint32_t>(prefix[2]) << 16 | static_cast<std::uint32_t>(prefix[3]) << 24);
    if (len < 0)
        readFailed();
    if (len == 0) {
        text.clear();
        return;
    }
    // Trust no length: it must fit into what is left of the stream. A stream that cannot tell
    // its size (a decompression stream) is read in blocks, so memory grows only with the bytes
    // that really arrive.
    std::int64_t left = -1;
    try {
        left = f.Size() - f.Position();
    } catch (const Exception&) {
        left = -1;
    }
    if (left >= 0 && len > left)
        readFailed();
    std::string result;
    if (left >= 0) {
        result.resize(static_cast<std::size_t>(len));
        readAll(f, result.data(), len);
    } else {
        constexpr std::int64_t kBlock = 65536;
        for (std::int64_t got = 0; got < len;) {
            const auto n = std::min<std::int64_t>(kBlock, len - got);
            result.resize(static_cast<std::size_t>(got + n));
            readAll(f, result.data() + got, n);
            got += n;
        }
    }
    text = std::move(result);
}

} // namespace pagolux
