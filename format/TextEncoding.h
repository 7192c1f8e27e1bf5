#pragma once
// Texts stored as bytes (project names, entries, favourite folders) and how they are shown.
// Files written on Linux hold UTF-8; files written by Windows programs hold the ANSI code page,
// on German (and every western European) Windows Windows-1252: "Übung" is the byte 0xDC
// followed by "bung". The bytes are never changed for the sake of showing them: a text is
// decoded for the screen only, and written back as it was read unless the user edits it.

#include <string>
#include <string_view>

namespace pagolux {

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
[[nodiscard]] bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, as Windows itself maps them.
[[nodiscard]] std::string Windows1252ToUtf8(std::string_view bytes);

// The text to show for stored bytes: the bytes themselves when they are UTF-8, otherwise their
// Windows-1252 reading. Always valid UTF-8.
[[nodiscard]] std::string DisplayText(std::string_view bytes);

} // namespace pagolux
