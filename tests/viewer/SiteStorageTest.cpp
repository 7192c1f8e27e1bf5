#include "viewer/core/SiteStorage.h"

#include <gtest/gtest.h>

namespace pagolux::viewer {
namespace {

TEST(SiteStorage, RebuiltProgramsKeepTheirFolderAndOthersGetTheirOwn)
{
    const std::string base = siteStorageName("Meine Seite", "/home/u/site/index.html");
    struct Row {
        const char* name;
        std::string project;
        std::string start;
        bool same;
    };
    const Row rows[] = {
        {"rebuilt from another folder", "Meine Seite", "D:\\web\\index.html", true},
        {"start folder with separator", "Meine Seite", "/home/u/site/index.html/", true},
        {"other project", "Andere Seite", "/home/u/site/index.html", false},
        {"other start file", "Meine Seite", "/home/u/site/start.html", false},
        {"names run together differently", "Meine Seiteindex.html", "/x/", false},
        {"case of the project name", "meine seite", "/home/u/site/index.html", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(siteStorageName(row.project, row.start) == base, row.same) << row.name;
}

TEST(SiteStorage, FolderNameIsOneSafeElement)
{
    struct Row {
        std::string project;
        std::string prefix;
    };
    const Row rows[] = {
        {"Meine Seite", "Meine-Seite-"},
        {"../../etc", "etc-"},
        {"", "site-"},
        {"\xC3\x9C"
         "ber uns",
         "ber-uns-"},
        {std::string(100, 'a'), std::string(40, 'a') + "-"},
    };
    for (const auto& row : rows) {
        const std::string name = siteStorageName(row.project, "index.html");
        EXPECT_EQ(name.substr(0, row.prefix.size()), row.prefix) << row.project;
        EXPECT_EQ(name.size(), row.prefix.size() + 16) << row.project;
        EXPECT_EQ(name.find_first_of("/\\."), std::string::npos) << row.project;
    }
}

} // namespace
} // namespace pagolux::viewer
