// pagolux-protogen VIEWER OUTDIR
//
// Turns the viewer program into the two files the builder reads from its program folder:
//   ProtoExe.dat  the viewer with every byte increased by 1 (mod 256)
//   iconcomp.dat  168 bytes of header, then the viewer's 512 icon pixel bytes
// and refuses (exit 1) a viewer the builder could not patch: its marker must occur exactly once
// and lie within one 2048-byte block together with the 20 bytes the builder writes, and its
// icon pixels must occur exactly once.

#include "format/Palette.h"
#include "format/ViewerIconArt.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<std::size_t> occurrences(const Bytes& hay, const std::uint8_t* needle, std::size_t len)
{
    std::vector<std::size_t> at;
    auto it = hay.begin();
    for (;;) {
        it = std::search(it, hay.end(), needle, needle + len);
        if (it == hay.end())
            return at;
        at.push_back(static_cast<std::size_t>(it - hay.begin()));
        ++it;
    }
}

bool writeAtomically(const std::string& path, const Bytes& bytes)
{
    try {
        pagolux::writeFileAtomically(
            path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return true;
    } catch (const pagolux::AtomicWriteError&) {
        return false;
    }
}

void putLE32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

int fail(const std::string& text)
{
    std::cerr << "pagolux-protogen: " << text << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail("usage: pagolux-protogen VIEWER OUTDIR");
    const std::string viewerPath = argv[1];
    std::string outDir = argv[2];
    if (!outDir.empty() && outDir.back() != '/')
        outDir += '/';

    std::ifstream in(viewerPath, std::ios::binary);
    if (!in)
        return fail("cannot open " + viewerPath);
    const Bytes viewer{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (viewer.empty())
        return fail(viewerPath + " is empty");

    // The marker text is assembled at run time so that this program's own binary does not
    // carry it as one piece either.
    std::string marker = "ORVT";
    marker += "EXEH";
    const auto markers =
        occurrences(viewer, reinterpret_cast<const std::uint8_t*>(marker.data()), marker.size());
    if (markers.size() != 1)
        return fail("the viewer holds its marker " + std::to_string(markers.size()) +
                    " times, expected once");
    if (markers[0] % pagolux::kExeCopyBlockSize > pagolux::kExeCopyBlockSize - 20)
        return fail("a 2048-byte block boundary cuts the viewer's marker record");

    const auto pattern = pagolux::viewer_icon::packedArt();
    const auto icons = occurrences(viewer, pattern.data(), pattern.size());
    if (icons.size() != 1)
        return fail("the viewer holds its icon pixels " + std::to_string(icons.size()) +
                    " times, expected once");

    Bytes proto(viewer.size());
    std::transform(viewer.begin(), viewer.end(), proto.begin(),
                   [](std::uint8_t b) { return static_cast<std::uint8_t>(b + 1); });

    // iconcomp.dat: our header (magic, version, pixel offset, size, bits, palette), then pixels.
    Bytes comp(static_cast<std::size_t>(pagolux::kIconCompPatternOffset), 0);
    const char magic[] = "PAGOLUX ICONCOMP";
    std::memcpy(comp.data(), magic, sizeof magic - 1);
    putLE32(comp, 16, 1);
    putLE32(comp, 20, static_cast<std::uint32_t>(pagolux::kIconCompPatternOffset));
    putLE32(comp, 24, 32);
    putLE32(comp, 28, 32);
    putLE32(comp, 32, 4);
    putLE32(comp, 36, static_cast<std::uint32_t>(icons[0]));
    for (int i = 0; i < 16; ++i) {
        const auto at = static_cast<std::size_t>(40 + 4 * i);
        const pagolux::PaletteColor& c = pagolux::kIconPalette[static_cast<std::size_t>(i)];
        comp[at] = c.blue;
        comp[at + 1] = c.green;
        comp[at + 2] = c.red;
    }
    comp.insert(comp.end(), pattern.begin(), pattern.end());

    if (!writeAtomically(outDir + pagolux::kProtoExeFileName, proto))
        return fail("cannot write " + outDir + pagolux::kProtoExeFileName);
    if (!writeAtomically(outDir + pagolux::kIconCompFileName, comp))
        return fail("cannot write " + outDir + pagolux::kIconCompFileName);
    std::cout << "ProtoExe.dat: " << proto.size() << " bytes, marker at " << markers[0] << ", icon at "
              << icons[0] << '\n';
    return 0;
}
