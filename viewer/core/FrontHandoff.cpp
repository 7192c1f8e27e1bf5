#include "viewer/core/FrontHandoff.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pagolux {
namespace {

constexpr char kHex[] = "0123456789abcdef";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a decimal number in [min, max] ending at ';' and moves text behind the ';'.
bool number(const char*& text, long long min, long long max, long long& value)
{
    const char* p = text;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    long long v = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits)
        if (digits > 12)
            return false;
        else
            v = v * 10 + (*p - '0');
    if (digits == 0 || *p != ';')
        return false;
    value = negative ? -v : v;
    text = p + 1;
    return value >= min && value <= max;
}

} // namespace

void encodeHandoff(const FrontHandoff& h, char (&out)[kHandoffTextSize])
{
    int n = std::snprintf(out, sizeof out, "%.31s;%d;%d;%u;%d;%d;", h.engine, h.hostFd, h.patched ? 1 : 0,
                          static_cast<unsigned>(h.settingsOffset), h.errorFd, h.startedFd);
    if (n < 0)
        n = 0;
    for (std::uint8_t b : h.icon) {
        if (static_cast<std::size_t>(n) + 2 >= sizeof out)
            break;
        out[n++] = kHex[b >> 4];
        out[n++] = kHex[b & 0x0F];
    }
    out[n] = '\0';
}

std::optional<FrontHandoff> decodeHandoff(const char* text)
{
    FrontHandoff h;
    const char* semicolon = std::strchr(text, ';');
    const std::size_t nameLength = semicolon ? static_cast<std::size_t>(semicolon - text) : 0;
    if (nameLength == 0 || nameLength >= sizeof h.engine)
        return std::nullopt;
    std::memcpy(h.engine, text, nameLength);
    const char* p = semicolon + 1;
    long long host = 0, patched = 0, offset = 0, error = 0, started = 0;
    if (!number(p, 0, 1 << 20, host) || !number(p, 0, 1, patched) || !number(p, 0, 0xFFFFFFFFLL, offset) ||
        !number(p, 0, 1 << 20, error) || !number(p, -1, 1 << 20, started) ||
        std::strlen(p) != 2 * h.icon.size())
        return std::nullopt;
    h.hostFd = static_cast<int>(host);
    h.patched = patched == 1;
    h.settingsOffset = static_cast<std::uint32_t>(offset);
    h.errorFd = static_cast<int>(error);
    h.startedFd = static_cast<int>(started);
    for (std::size_t i = 0; i < h.icon.size(); ++i) {
        const int hi = hexValue(p[2 * i]);
        const int lo = hexValue(p[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        h.icon[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return h;
}

std::optional<FrontHandoff> takeHandoff()
{
    const char* value = std::getenv(kHandoffVariable);
    if (!value)
        return std::nullopt;
    auto handoff = decodeHandoff(value);
    unsetenv(kHandoffVariable);
    // Programs the front starts (the engine's helpers, the browser) get none of the descriptors.
    if (handoff) {
        fcntl(handoff->hostFd, F_SETFD, FD_CLOEXEC);
        if (handoff->errorFd != 2)
            fcntl(handoff->errorFd, F_SETFD, FD_CLOEXEC);
        if (handoff->startedFd >= 0) {
            fcntl(handoff->startedFd, F_SETFD, FD_CLOEXEC);
            [[maybe_unused]] const auto written = write(handoff->startedFd, &kLoadedByte, 1);
        }
    }
    return handoff;
}

void announceStarted(const FrontHandoff& handoff)
{
    if (handoff.startedFd < 0)
        return;
    [[maybe_unused]] const auto written = write(handoff.startedFd, &kStartedByte, 1);
    close(handoff.startedFd);
}

} // namespace pagolux
