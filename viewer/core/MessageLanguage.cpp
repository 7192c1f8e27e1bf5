#include "viewer/core/MessageLanguage.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace pagolux {

const char* useGermanMessages()
{
    std::setlocale(LC_ALL, "");
    // Child processes (the engine's web process) inherit the choice.
    ::setenv("LANGUAGE", "de", 1);
    if (const char* german = std::setlocale(LC_MESSAGES, "de_DE.UTF-8"))
        return german;
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current && std::strcmp(current, "C") != 0 && std::strcmp(current, "POSIX") != 0)
        return current;
    if (const char* utf8 = std::setlocale(LC_MESSAGES, "C.UTF-8"))
        return utf8;
    return current;
}

} // namespace pagolux
