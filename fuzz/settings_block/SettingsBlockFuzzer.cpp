// Feeds arbitrary bytes to the viewer's settings-block reader, as a damaged or hostile program
// file would. Every input must either be read or be refused with an Exception; a block that is
// read lies inside the input and survives writing and reading back unchanged.

#include "format/SettingsBlock.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pagolux;
    TReadOnlyMemoryStream in(data, size);
    SettingsBlock block;
    try {
        block = ReadSettingsBlock(in, static_cast<std::int64_t>(size));
    } catch (const Exception&) {
        return 0;
    }
    if (block.size < kSettingsBlockFixedSize || block.size > static_cast<std::int64_t>(size))
        std::abort();
    std::vector<std::uint8_t> again;
    try {
        again = EncodeSettingsBlock(block.settings, block.startPath);
    } catch (const Exception&) {
        // A project name that the string writer cannot store is refused, never cut.
        return 0;
    }
    TReadOnlyMemoryStream back(again.data(), again.size());
    const SettingsBlock reread = ReadSettingsBlock(back, static_cast<std::int64_t>(again.size()));
    if (!(reread.settings == block.settings) || reread.startPath != block.startPath)
        std::abort();
    return 0;
}
