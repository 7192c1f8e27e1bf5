#include "format/SettingsBlock.h"

#include "format/orvanto.h"

#include <array>

namespace pagolux {
namespace {

void putInt32(std::uint8_t* out, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    out[0] = static_cast<std::uint8_t>(u);
    out[1] = static_cast<std::uint8_t>(u >> 8);
    out[2] = static_cast<std::uint8_t>(u >> 16);
    out[3] = static_cast<std::uint8_t>(u >> 24);
}

std::int32_t getInt32(const std::uint8_t* in)
{
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
        static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24);
}

// Offsets 0 to 19: the flags, width, height, defined size and fixed size.
std::array<std::uint8_t, 20> fixedPart(const BuildSettings& s)
{
    std::array<std::uint8_t, 20> head{};
    for (int i = 0; i < BuildSettings::kElementCount; ++i)
        head[static_cast<std::size_t>(i)] = s.elements[static_cast<std::size_t>(i)] ? 1 : 0;
    putInt32(&head[10], s.width);
    putInt32(&head[14], s.height);
    head[18] = s.definedSize ? 1 : 0;
    head[19] = s.fixedSize ? 1 : 0;
    return head;
}

std::string readCountedString(TStream& in, std::int64_t& left, const char* what)
{
    std::uint8_t len[4];
    if (left < 4 || in.Read(len, 4) != 4)
        throw ESettingsBlockError(std::string("Settings block cut short before the length of the ") + what);
    left -= 4;
    const std::int32_t n = getInt32(len);
    if (n < 0 || n > left)
        throw ESettingsBlockError(std::string("Settings block holds an impossible length for the ") + what);
    std::string text(static_cast<std::size_t>(n), '\0');
    if (n > 0 && in.Read(text.data(), n) != n)
        throw ESettingsBlockError(std::string("Settings block cut short inside the ") + what);
    left -= n;
    return text;
}

} // namespace

void WriteSettingsBlock(TStream& out, const BuildSettings& settings, const std::string& startPath)
{
    const auto head = fixedPart(settings);
    out.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    WriteStr(out, settings.projectName);
    std::uint8_t len[4];
    putInt32(len, static_cast<std::int32_t>(startPath.size()));
    out.WriteBuffer(len, 4);
    if (!startPath.empty())
        out.WriteBuffer(startPath.data(), static_cast<std::int64_t>(startPath.size()));
}

std::vector<std::uint8_t> EncodeSettingsBlock(const BuildSettings& settings, const std::string& startPath)
{
    TMemoryStream mem;
    WriteSettingsBlock(mem, settings, startPath);
    return mem.TakeBytes();
}

SettingsBlock ReadSettingsBlock(TStream& in, std::int64_t available)
{
    std::array<std::uint8_t, 20> head{};
    if (available < kSettingsBlockFixedSize || in.Read(head.data(), 20) != 20)
        throw ESettingsBlockError("Settings block cut short");
    std::int64_t left = available - 20;
    SettingsBlock block;
    for (int i = 0; i < BuildSettings::kElementCount; ++i)
        block.settings.elements[static_cast<std::size_t>(i)] = head[static_cast<std::size_t>(i)] != 0;
    block.settings.width = getInt32(&head[10]);
    block.settings.height = getInt32(&head[14]);
    block.settings.definedSize = head[18] != 0;
    block.settings.fixedSize = head[19] != 0;
    block.settings.projectName = readCountedString(in, left, "project name");
    block.startPath = readCountedString(in, left, "start file path");
    block.size = available - left;
    return block;
}

} // namespace pagolux
