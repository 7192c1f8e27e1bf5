// The WebKitGTK fronts' dialogs must speak German also where the desktop has no German locale
// (and under the plain C locale, where gettext ignores the language list).

#include "viewer/core/MessageLanguage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <libintl.h>
#include <string>

namespace pagolux {
namespace {

TEST(MessageLanguage, GtkTextsAreGermanWhateverTheDesktopsLocale)
{
    struct Row {
        const char* variable;
        const char* value;
    } rows[] = {{"LANG", "C"},        {"LANG", "POSIX"},       {"LC_ALL", "C"},
                {"LC_MESSAGES", "C"}, {"LANG", "xx_YY.UTF-8"}, {nullptr, nullptr}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.variable ? std::string(row.variable) + "=" + row.value : "no locale variable");
        for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
            ::unsetenv(v);
        if (row.variable)
            ::setenv(row.variable, row.value, 1);
        std::setlocale(LC_ALL, "C");

        const std::string used = useGermanMessages();
        EXPECT_NE(used, "C");
        EXPECT_STREQ(dgettext("gtk30", "_Cancel"), "_Abbrechen");
        EXPECT_STREQ(dgettext("gtk30", "_Save"), "_Speichern");
        EXPECT_STREQ(std::getenv("LANGUAGE"), "de") << "the web process inherits the choice";
    }
}

} // namespace
} // namespace pagolux
