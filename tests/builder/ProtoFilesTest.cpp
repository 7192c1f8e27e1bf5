// Checks the ProtoExe.dat and iconcomp.dat that the build made from the viewer: the builder can
// patch exactly one marker inside one 2048-byte block and exactly one icon.

#include "builder/ExeWriter.h"
#include "builder/IconPatcher.h"
#include "tests/builder/TestFiles.h"
#include "tests/support/BuildFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace pagolux {
namespace {

using test::Bytes;

std::vector<std::size_t> occurrences(const Bytes& hay, const Bytes& needle)
{
    std::vector<std::size_t> at;
    for (auto it = hay.begin();; ++it) {
        it = std::search(it, hay.end(), needle.begin(), needle.end());
        if (it == hay.end())
            return at;
        at.push_back(static_cast<std::size_t>(it - hay.begin()));
    }
}

class ProtoFilesTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        binDir = test::binDir();
        const Bytes stored = test::readBytes(binDir + "ProtoExe.dat");
        ASSERT_FALSE(stored.empty());
        decoded.resize(stored.size());
        std::transform(stored.begin(), stored.end(), decoded.begin(),
                       [](auto b) { return std::uint8_t(b - 1); });
        const Bytes comp = test::readBytes(binDir + "iconcomp.dat");
        ASSERT_EQ(comp.size(), 168u + 512u);
        pattern.assign(comp.begin() + 168, comp.end());
    }

    std::string binDir;
    Bytes decoded;
    Bytes pattern;
};

TEST_F(ProtoFilesTest, DecodedPrototypeIsAnElfProgram)
{
    ASSERT_GE(decoded.size(), 4u);
    EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + 4), (Bytes{0x7F, 'E', 'L', 'F'}));
    // ProtoExe.dat is the Linux starter, stripped.
    EXPECT_EQ(decoded, test::readBytes(binDir + "../viewer/linux/pagolux-viewer.stripped"));
}

TEST_F(ProtoFilesTest, MarkerOccursOnceAndNoBlockBoundaryCutsItsPatch)
{
    const auto at = occurrences(decoded, test::bytesOf(kExeMarker));
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0] / 2048, (at[0] + 19) / 2048) << "marker and the 20 patched bytes in one block";
}

TEST_F(ProtoFilesTest, IconPatternOccursOnceAndIsFound)
{
    const auto at = occurrences(decoded, pattern);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(RenderIconPos(binDir), static_cast<std::int32_t>(at[0]));
}

TEST_F(ProtoFilesTest, ViewerStaysSmall)
{
    EXPECT_LE(decoded.size(), 1024u * 1024u);
}

} // namespace
} // namespace pagolux
