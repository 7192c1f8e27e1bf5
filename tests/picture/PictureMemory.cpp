// PNG files made byte by byte, and the child side of the memory measurements.
#include "icon/IconError.h"
#include "picture/PictureReader.h"
#include "tests/picture/PictureFiles.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <string>

namespace pagolux::testfiles {

namespace {

void be32(QByteArray& d, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        d.append(static_cast<char>((v >> shift) & 0xFF));
    }
}

void chunk(QByteArray& d, const char* type, const QByteArray& data)
{
    be32(d, static_cast<std::uint32_t>(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    d.append(typed);
    be32(d, crc32Of(typed));
}

// A value of /proc/self/status in KiB ("VmRSS", "VmHWM"), -1 when missing.
long long statusKib(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

} // namespace

std::uint32_t crc32Of(const QByteArray& data)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (char ch : data) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QByteArray png(int width, int height, int bitDepth, int colorType, const QByteArray& rows)
{
    QByteArray d("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    be32(header, static_cast<std::uint32_t>(width));
    be32(header, static_cast<std::uint32_t>(height));
    header.append(static_cast<char>(bitDepth));
    header.append(static_cast<char>(colorType));
    header.append(3, '\0'); // deflate, adaptive filtering, not interlaced
    chunk(d, "IHDR", header);
    // qCompress puts a 4-byte length before the zlib stream PNG wants.
    chunk(d, "IDAT", qCompress(rows, 9).mid(4));
    chunk(d, "IEND", {});
    return d;
}

int measureRead(const char* path)
{
    const long long before = statusKib("VmRSS");
    std::string outcome;
    try {
        const QImage picture = PictureReader::read(path);
        outcome = "size=" + std::to_string(picture.width()) + "x" + std::to_string(picture.height());
    } catch (const EPictureError& e) {
        outcome = std::string("error=") + e.what();
    }
    const long long peak = statusKib("VmHWM");
    if (before < 0 || peak < 0) {
        std::printf("no memory figures in /proc/self/status\n");
        return 1;
    }
    std::printf("growth-kib=%lld\n%s\n", peak - before, outcome.c_str());
    return 0;
}

} // namespace pagolux::testfiles
