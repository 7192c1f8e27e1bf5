#pragma once
// Signing a built Windows program with Authenticode through Debian's osslsigncode, before the
// program is moved into place. The certificate is a PKCS#12 file; its password, when it has
// one, is read by the tool from a file named here or from a pipe, so it never appears on a
// command line, on disk, in the project or in any message.

#include <string>

namespace pagolux {

struct SigningRequest {
    std::string certificate;  // the .p12 / .pfx file; empty: no signing
    std::string passwordFile; // file whose content is the password; empty: none
    std::string password;     // the password itself (the window's field), when no file is named
    std::string timestampUrl; // time-stamping server; empty: no time stamp
};

inline constexpr char kMsgSignToolMissing[] =
    "Das Programm konnte nicht signiert werden: osslsigncode ist nicht installiert.";
inline constexpr char kMsgSignWrongPassword[] =
    "Das Programm konnte nicht signiert werden: das Kennwort des Zertifikats ist falsch. Zertifikat: ";
inline constexpr char kMsgSignNeedsPassword[] =
    "Das Programm konnte nicht signiert werden: das Zertifikat ist mit einem Kennwort geschützt, "
    "aber keines wurde angegeben. Zertifikat: ";
inline constexpr char kMsgSignDamaged[] =
    "Das Programm konnte nicht signiert werden: das Zertifikat ist beschädigt oder keine "
    "PKCS#12-Datei. Zertifikat: ";
inline constexpr char kMsgSignUnreadable[] =
    "Das Programm konnte nicht signiert werden: das Zertifikat kann nicht gelesen werden. Zertifikat: ";
inline constexpr char kMsgSignPasswordUnreadable[] =
    "Das Programm konnte nicht signiert werden: die Kennwortdatei kann nicht gelesen werden: ";
inline constexpr char kMsgSignTimestamp[] =
    "Das Programm konnte nicht signiert werden: der Zeitstempel-Server antwortet nicht: ";
inline constexpr char kMsgSignFailed[] = "Das Programm konnte nicht signiert werden: ";

// Signs file in place, its description (shown by Windows when it asks for consent) being
// programName. Returns "" when signed, else the German reason naming the file concerned.
// The tool is looked up on PATH (the search path given).
[[nodiscard]] std::string SignWindowsProgram(const std::string& file, const SigningRequest& request,
                                             const std::string& programName, const std::string& searchPath);

} // namespace pagolux
