// The German line for each kind of archive notice: the file first, then why, and never the
// archive's English text.
#include "builder/PackNotices.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace pagolux {
namespace {

TEST(PackNotices, OneGermanLinePerKindNamingTheFile)
{
    struct Row {
        TNoticeKind kind;
        int error;
        const char* expected;
    };
    const Row rows[] = {
        {TNoticeKind::Duplicate, 0, "/s/a.html ist zweimal im Projekt"},
        {TNoticeKind::EmptyFolder, 0, "/s/a.html ist ein Ordner ohne lesbare Dateien"},
        {TNoticeKind::Unreadable, EACCES, "/s/a.html kann nicht gelesen werden: Keine Berechtigung"},
        {TNoticeKind::Unreadable, EIO, "/s/a.html kann nicht gelesen werden: Ein-/Ausgabefehler"},
        {TNoticeKind::Unreadable, 0, "/s/a.html kann nicht gelesen werden: Lesefehler"},
        {TNoticeKind::Missing, ENOENT, "/s/a.html kann nicht gelesen werden: Die Datei existiert nicht"},
        {TNoticeKind::NotRegularFile, EINVAL,
         "/s/a.html kann nicht gelesen werden: Keine gewöhnliche Datei (eine benannte Pipe, ein Gerät oder "
         "ein "
         "Ordner)"},
        {TNoticeKind::PathTooLong, 0,
         "/s/a.html hat einen Pfad, der länger ist als ein Archiveintrag fasst (255 Bytes)"},
        {TNoticeKind::LinkOutside, 0,
         "/s/a.html ist eine Verknüpfung aus dem Ordner heraus und wurde nicht gepackt"},
    };
    for (const auto& row : rows) {
        const TArchiveNotice n{row.kind, "/s/a.html", row.error, "English text of the archive"};
        EXPECT_EQ(NotPackedLine(n), row.expected) << static_cast<int>(row.kind) << " " << row.error;
    }
}

TEST(PackNotices, AFileNameInTheSystemsLegacyEncodingIsShownReadably)
{
    // A name in Latin-1 (as an old project may hold) must not break the UTF-8 text.
    const TArchiveNotice n{TNoticeKind::Duplicate,
                           "/s/gr\xF6\xDF"
                           "e.html",
                           0, ""};
    const std::string line = NotPackedLine(n);
    EXPECT_EQ(line.find("\xF6\xDF"), std::string::npos) << line;
    EXPECT_NE(line.find(" ist zweimal im Projekt"), std::string::npos) << line;
}

} // namespace
} // namespace pagolux
