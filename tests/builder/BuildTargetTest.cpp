// The target system of a build: names, the default by output name, where each target's
// prototype lives and how the default output name follows the target.

#include "builder/BuildTarget.h"

#include <gtest/gtest.h>

namespace pagolux {
namespace {

TEST(BuildTarget, NamesAndDefaultByOutputName)
{
    EXPECT_EQ(parseBuildTarget("linux"), BuildTarget::Linux);
    EXPECT_EQ(parseBuildTarget("Windows"), BuildTarget::Windows);
    EXPECT_EQ(parseBuildTarget("WINDOWS"), BuildTarget::Windows);
    for (const char* bad : {"", "win", "windows ", "macos"})
        EXPECT_EQ(parseBuildTarget(bad), std::nullopt) << bad;
    for (const BuildTarget t : {BuildTarget::Linux, BuildTarget::Windows})
        EXPECT_EQ(parseBuildTarget(buildTargetName(t)), t);

    const struct {
        const char* output;
        BuildTarget target;
    } rows[] = {
        {"/home/u/ziel", BuildTarget::Linux},
        {"/home/u/ziel.exe", BuildTarget::Windows},
        {"PROGRAMM.EXE", BuildTarget::Windows},
        {"a.exe.bak", BuildTarget::Linux},
        {"exe", BuildTarget::Linux},
        {".exe", BuildTarget::Windows},
        {"/home/u/site.exe/ziel", BuildTarget::Linux},
    };
    for (const auto& r : rows)
        EXPECT_EQ(defaultBuildTarget(r.output), r.target) << r.output;
}

TEST(BuildTarget, PrototypeFolderAndOutputName)
{
    EXPECT_EQ(protoFolder("/usr/lib/pagolux/", BuildTarget::Linux), "/usr/lib/pagolux/");
    EXPECT_EQ(protoFolder("/usr/lib/pagolux/", BuildTarget::Windows), "/usr/lib/pagolux/windows/");

    const struct {
        const char* name;
        BuildTarget target;
        const char* expected;
    } rows[] = {
        {"/home/u/ziel", BuildTarget::Windows, "/home/u/ziel.exe"},
        {"/home/u/ziel.exe", BuildTarget::Linux, "/home/u/ziel"},
        {"/home/u/ziel", BuildTarget::Linux, "/home/u/ziel"},
        {"ziel.exe", BuildTarget::Windows, "ziel.exe"},
        {"ziel", BuildTarget::Windows, "ziel.exe"},
        // A name of the user's own stays as typed.
        {"/home/u/meine-seiten", BuildTarget::Windows, "/home/u/meine-seiten"},
        {"/home/u/Ziel.exe", BuildTarget::Linux, "/home/u/Ziel.exe"},
        {"/home/u/ziel/", BuildTarget::Windows, "/home/u/ziel/"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(outputNameForTarget(r.name, r.target), r.expected) << r.name;
}

} // namespace
} // namespace pagolux
