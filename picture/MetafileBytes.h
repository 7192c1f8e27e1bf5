#pragma once
// What the metafile players share below the drawing: how they report a damaged file and a
// record they leave to the converters, and a bounds-checked reader of little-endian bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace pagolux::metafile {

// Thrown inside the players: the file is damaged (turned into EPictureError at the top) or
// uses a record the player does not draw (the caller falls back).
struct Damage {
    const char* why;
};
struct Unsupported {
    std::string record;
};

inline std::string hexName(const char* kind, unsigned value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s 0x%04X", kind, value);
    return text;
}

// A bounds-checked view of little-endian bytes: every read outside the view is damage.
class Bytes {
  public:
    Bytes() = default;
    Bytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    [[nodiscard]] std::size_t size() const { return size_; }
    [[nodiscard]] bool has(std::size_t offset, std::size_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }
    [[nodiscard]] Bytes sub(std::size_t offset, std::size_t length) const
    {
        need(offset, length);
        return {data_ + offset, length};
    }
    [[nodiscard]] const unsigned char* data() const { return data_; }
    [[nodiscard]] std::uint16_t u16(std::size_t offset) const
    {
        need(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    [[nodiscard]] std::int16_t s16(std::size_t offset) const
    {
        return static_cast<std::int16_t>(u16(offset));
    }
    [[nodiscard]] std::uint32_t u32(std::size_t offset) const
    {
        need(offset, 4);
        return static_cast<std::uint32_t>(data_[offset]) |
               (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    }
    [[nodiscard]] std::int32_t s32(std::size_t offset) const
    {
        return static_cast<std::int32_t>(u32(offset));
    }
    [[nodiscard]] float f32(std::size_t offset) const
    {
        const std::uint32_t bits = u32(offset);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

  private:
    void need(std::size_t offset, std::size_t length) const
    {
        if (!has(offset, length)) {
            throw Damage{"ein Datensatz ist kürzer als seine Felder"};
        }
    }
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace pagolux::metafile
