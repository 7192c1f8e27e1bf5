#include "builder/IconPatcher.h"

#include "archive/TStream.h"
#include "builder/ExeWriter.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <vector>

namespace pagolux {

std::int32_t FindIconPos(const std::string& iconCompPath, const std::string& protoPath)
{
    std::array<std::uint8_t, kIconPatternSize> pattern{};
    try {
        TFileStream comp(iconCompPath, TFileMode::fmOpenRead);
        comp.Seek(kIconCompPatternOffset, TSeekOrigin::soBeginning);
        if (comp.Read(pattern.data(), kIconPatternSize) != kIconPatternSize)
            return 0;
    } catch (const Exception&) {
        return 0;
    }

    // One pass over the prototype in large blocks. The last 511 decoded bytes of a block are
    // kept in front of the next one, so an occurrence across a block edge is found too.
    constexpr std::int64_t kBlock = 1 << 18;
    const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
    std::int64_t found = 0;
    try {
        TFileStream proto(protoPath, TFileMode::fmOpenRead);
        std::vector<std::uint8_t> window;
        window.reserve(static_cast<std::size_t>(kBlock + kIconPatternSize));
        std::int64_t windowStart = 0; // file offset of window[0]
        std::vector<std::uint8_t> block(static_cast<std::size_t>(kBlock));
        for (;;) {
            const std::int64_t n = proto.Read(block.data(), kBlock);
            if (n <= 0)
                break;
            for (std::int64_t i = 0; i < n; ++i)
                block[static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>(block[static_cast<std::size_t>(i)] - 1);
            window.insert(window.end(), block.begin(), block.begin() + n);
            auto it = window.begin();
            for (;;) {
                const auto [first, last] = searcher(it, window.end());
                if (first == last)
                    break;
                found = windowStart + (first - window.begin());
                it = first + 1;
            }
            const std::size_t keep = std::min<std::size_t>(kIconPatternSize - 1, window.size());
            windowStart += static_cast<std::int64_t>(window.size() - keep);
            window.erase(window.begin(), window.end() - static_cast<std::ptrdiff_t>(keep));
        }
    } catch (const Exception&) {
        return 0;
    }
    return found > 0x7FFFFFFF ? 0 : static_cast<std::int32_t>(found);
}

std::int32_t& KnownIconPos(const std::string& progPath)
{
    // One entry per prototype folder (the Linux and the Windows viewer each have one); the
    // window's thread is the only one that builds.
    static std::map<std::string, std::int32_t> known;
    return known[progPath];
}

std::int32_t RenderIconPos(const std::string& progPath)
{
    return FindIconPos(progPath + kIconCompFileName, progPath + kProtoExeFileName);
}

bool WriteIcon(const std::string& outputName, std::int32_t iconPos, const IconBitmap& icon)
{
    if (iconPos == 0)
        return false;
    const auto bytes = icon.pixelBytes();
    try {
        TFileStream out(outputName, TFileMode::fmOpenWrite);
        out.Seek(iconPos, TSeekOrigin::soBeginning);
        out.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        out.Close();
    } catch (const Exception&) {
        return false;
    }
    return true;
}

} // namespace pagolux
