#include "builder/PackNotices.h"

#include "format/TextEncoding.h"

#include <cerrno>

namespace pagolux {

std::string OpenFailureReason(int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ENOTDIR:
        return "Die Datei existiert nicht";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung";
    case EINVAL:
        return "Keine gewöhnliche Datei (eine benannte Pipe, ein Gerät oder ein Ordner)";
    case ELOOP:
        return "Zu viele symbolische Verknüpfungen";
    case EIO:
        return "Ein-/Ausgabefehler";
    case EMFILE:
    case ENFILE:
        return "Zu viele geöffnete Dateien";
    case ENAMETOOLONG:
        return "Der Name ist zu lang";
    default:
        return "Systemfehler " + std::to_string(systemError);
    }
}

std::string NotPackedLine(const TArchiveNotice& notice)
{
    const std::string file = DisplayText(notice.Path);
    switch (notice.Kind) {
    case TNoticeKind::Duplicate:
        return file + " ist zweimal im Projekt";
    case TNoticeKind::EmptyFolder:
        return file + " ist ein Ordner ohne lesbare Dateien";
    case TNoticeKind::Missing:
        return file + " kann nicht gelesen werden: " + OpenFailureReason(ENOENT);
    case TNoticeKind::NotRegularFile:
        return file + " kann nicht gelesen werden: " + OpenFailureReason(EINVAL);
    case TNoticeKind::PathTooLong:
        return file + " hat einen Pfad, der länger ist als ein Archiveintrag fasst (255 Bytes)";
    case TNoticeKind::LinkOutside:
        return file + " ist eine Verknüpfung aus dem Ordner heraus und wurde nicht gepackt";
    case TNoticeKind::Unreadable:
        break;
    }
    // An unreadable file whose open gave no reason failed while it was read.
    return file + " kann nicht gelesen werden: " +
           (notice.SystemError != 0 ? OpenFailureReason(notice.SystemError) : std::string("Lesefehler"));
}

} // namespace pagolux
