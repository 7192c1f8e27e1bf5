#include "builder/BuildPipeline.h"

#include "archive/ZLIBArchive.h"
#include "builder/ExeWriter.h"
#include "builder/IconPatcher.h"
#include "builder/PackNotices.h"
#include "builder/ProgramStart.h"
#include "builder/WindowsProgram.h"
#include "format/TextEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"
#include "platform/Posix.h"
#include "platform/UserFile.h"
#include "project/ProjectEditor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace pagolux {
namespace {

bool pathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// 0 when path is a regular file that can be read, else the errno value (EINVAL: not a
// regular file). Never waits: a FIFO is recognised without opening it for good.
int readFailure(const std::string& path)
{
    std::int64_t size = 0;
    const int fd = platform::openRegularFile(path.c_str(), size);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

bool isFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entries as the archive takes them: a file that also lies in an added folder is left to
// the folder (a start page added beside its folder is packed once, without a notice). A link is
// kept as given, since the folder's scan may leave it out.
std::vector<std::string> packList(const std::vector<std::string>& entries)
{
    std::vector<std::string> folders;
    for (const auto& e : entries)
        if (isFolder(e))
            folders.push_back(IncludeTrailingPathDelimiter(e));
    if (folders.empty())
        return entries;
    std::vector<std::string> list;
    for (const auto& e : entries) {
        struct stat st {};
        const bool plainFile = ::lstat(e.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        const bool inFolder =
            plainFile && std::any_of(folders.begin(), folders.end(), [&](const std::string& f) {
                return e.size() > f.size() && e.compare(0, f.size(), f) == 0;
            });
        if (!inFolder)
            list.push_back(e);
    }
    return list;
}

// A folder that the viewer could not start with: it holds no index page, the page a folder
// address serves. Anything but a folder is no such case.
bool isFolderWithoutIndex(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec)))
        return false;
    for (const auto& item : std::filesystem::directory_iterator(path, ec)) {
        std::string name = item.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        if ((name == "index.html" || name == "index.htm") && item.is_regular_file(ec))
            return false;
    }
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The Windows program's identity, icon images and checksum (silent, like the icon patch), then
// its signature. Returns the German reason when signing was asked for and failed.
std::string finishWindows(const BuildRequest& request, const std::string& assembled,
                          const std::string& output)
{
    const std::string fileName = ExtractFileName(output);
    (void)FinishWindowsProgram(assembled, {request.project.settings.projectName, fileName},
                               request.trueColourIcons);
    if (request.signing.certificate.empty())
        return {};
    const char* path = std::getenv("PATH");
    const std::string shownName = DisplayText(request.project.settings.projectName);
    return SignWindowsProgram(assembled, request.signing, shownName.empty() ? fileName : shownName,
                              path ? path : "");
}

} // namespace

std::string BuildPipeline::ReadOutputName(const std::string& fieldText)
{
    if (!fieldText.empty() && pathExists(fieldText))
        return fieldText;
    std::size_t b = 0;
    while (b < fieldText.size() && isBlank(fieldText[b]))
        ++b;
    if (b < fieldText.size() && fieldText[b] == '"') {
        const std::size_t close = fieldText.find('"', b + 1);
        return fieldText.substr(b + 1, close == std::string::npos ? std::string::npos : close - b - 1);
    }
    std::size_t e = fieldText.size();
    while (e > b && isBlank(fieldText[e - 1]))
        --e;
    return fieldText.substr(b, e - b);
}

std::string WriteFailureReason(int systemError)
{
    if (systemError == ENOENT || systemError == ENOTDIR)
        return "Der Ordner existiert nicht.";
    const char* known = WriteErrorText(systemError);
    return known != nullptr ? known : "Das Archiv konnte nicht geschrieben werden.";
}

std::string OutputFailureReason(int systemError, const std::string& output)
{
    const std::string folder = DisplayText(ExtractFilePath(output).empty() ? "." : ExtractFilePath(output));
    switch (systemError) {
    case ENOENT:
    case ENOTDIR:
        return "Der Ordner " + folder + " existiert nicht.";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung, in den Ordner " + folder + " zu schreiben.";
    case EISDIR:
        return "Unter diesem Namen gibt es schon einen Ordner.";
    case 0:
        return std::string(); // a message before this one told why
    default:
        if (const char* known = WriteErrorText(systemError))
            return known;
        return "Systemfehler " + std::to_string(systemError) + ".";
    }
}

BuildOutcome BuildPipeline::run(const BuildRequest& request, std::int32_t& iconPos, const BuildHooks& hooks)
{
    BuildOutcome outcome;
    if (iconPos == 0)
        iconPos = RenderIconPos(request.progPath);

    const std::optional<std::string> start = request.project.startFile();
    if (!start) {
        (void)ui_.showMessage(kMsgNoStartFile, "", MsgIcon::Error, MsgButtons::Ok);
        outcome.status = BuildStatus::NoStartFile;
        return outcome;
    }
    const std::string& startPath = *start;
    // A start folder starts with its index page; any other start entry must be a readable file.
    const int startError = isFolder(startPath) ? 0 : readFailure(startPath);
    if (startError != 0) {
        (void)ui_.showMessage(kMsgStartFileMissing + DisplayText(startPath) + "\n" +
                                  OpenFailureReason(startError),
                              "", MsgIcon::Error, MsgButtons::Ok);
        outcome.status = BuildStatus::NoStartFile;
        return outcome;
    }
    if (isFolderWithoutIndex(startPath)) {
        (void)ui_.showMessage(kMsgStartFolderNoIndex + DisplayText(startPath), "", MsgIcon::Error,
                              MsgButtons::Ok);
        outcome.status = BuildStatus::NoStartFile;
        return outcome;
    }

    const std::string output = ReadOutputName(request.outputField);
    outcome.outputName = output;
    if (output.empty()) {
        (void)ui_.showMessage(kMsgNoOutputName, "", MsgIcon::Error, MsgButtons::Ok);
        outcome.status = BuildStatus::NoOutputName;
        return outcome;
    }
    if (pathExists(output) &&
        ui_.showMessage(std::string(kMsgOverwrite) + "\n" + DisplayText(output), kCaptionOverwrite,
                        MsgIcon::Question, MsgButtons::YesNoCancel) != MsgResult::Yes) {
        outcome.status = BuildStatus::Declined;
        return outcome;
    }

    // Pack the entries into the temporary archive: created exclusively and owner-only in the
    // temporary folder, then used only through its descriptor (its name is removed at once, so
    // nobody can open, replace or re-point it, and a killed build leaves nothing behind). The
    // archive is copied into the program and needs neither a rename nor a flush to the disk.
    std::unique_ptr<TFileStream> scratch;
    std::vector<TArchiveNotice> notices;
    {
        TZLBArchive archive1;
        archive1.CheckCRC = true;
        archive1.SavePaths = true;
        archive1.RecursePaths = true;
        archive1.OnNotice = [&notices](const TArchiveNotice& n) { notices.push_back(n); };
        if (hooks.progress)
            archive1.OnProgress = [&hooks](const std::string&, std::int32_t percent) {
                hooks.progress(percent);
            };
        if (hooks.progress)
            hooks.progress(0);
        std::vector<std::string> list = packList(request.project.entries);
        // A full temporary folder, a file-size limit or a failing disk ends the build here: the
        // archive would lack members, and the old output must stay as it is.
        std::string packFailure;
        try {
            int fd = -1;
            outcome.tempArchive = createNumberedFile(TempFolder(), "tf", ".zlb", fd);
            scratch = TFileStream::Adopt(outcome.tempArchive, fd);
            ::unlink(outcome.tempArchive.c_str());
            archive1.CreateArchive(*scratch);
            archive1.AddFiles(list);
            archive1.CloseArchive();
        } catch (const AtomicWriteError& e) {
            packFailure = WriteFailureReason(e.error());
        } catch (const EArchiveWriteError& e) {
            packFailure = WriteFailureReason(e.SystemError);
        } catch (const EWriteError& e) {
            packFailure = WriteFailureReason(e.SystemError);
        }
        if (!packFailure.empty())
            packFailure += "\nOrdner: " + TempFolder();
        // A path longer than an archive entry holds would be missing from the program (a start
        // page it could not find): that is no success.
        for (const auto& n : notices)
            if (n.Kind == TNoticeKind::PathTooLong && packFailure.empty())
                packFailure = NotPackedLine(n);
        if (!packFailure.empty()) {
            (void)ui_.showMessage(kMsgPackFailed + packFailure, "", MsgIcon::Error, MsgButtons::Ok);
            outcome.status = BuildStatus::Failed;
            return outcome;
        }
    }
    for (const auto& n : notices)
        outcome.notPacked.push_back(NotPackedLine(n));
    if (hooks.project)
        hooks.project->entriesPacked();

    // Assemble beside the output (the file a symbolic link there names: the link stays), patch
    // the icon, then move it into place as a program only its owner may change: 0755 less the
    // umask.
    bool ok = false;
    std::string signFailure;
    int failure = 0; // the system's reason when writing the output failed
    try {
        AtomicFile assembled(output, AtomicFileRules{0755, false, true, true});
        const ExeWriteResult written = WriteExe(request.progPath + kProtoExeFileName, *scratch,
                                                assembled.name(), startPath, request.project.settings, ui_);
        if (written.ok) {
            if (request.icon)
                (void)WriteIcon(assembled.name(), iconPos, *request.icon);
            if (request.target == BuildTarget::Windows)
                signFailure = finishWindows(request, assembled.name(), output);
            if (signFailure.empty()) {
                assembled.commit();
                ok = true;
            }
        }
        failure = written.systemError;
    } catch (const AtomicWriteError& e) {
        ok = false;
        failure = e.error();
    }
    scratch.reset();

    if (!signFailure.empty())
        (void)ui_.showMessage(signFailure, "", MsgIcon::Error, MsgButtons::Ok);
    if (!ok) {
        // The line after the fixed text names the file and the reason.
        const std::string reason = OutputFailureReason(failure, output);
        (void)ui_.showMessage(std::string(kMsgExeFailed) + "\n" + DisplayText(output) +
                                  (reason.empty() ? "" : ": " + reason),
                              "", MsgIcon::Error, MsgButtons::Ok);
        outcome.status = BuildStatus::Failed;
    } else {
        (void)ui_.showMessage(kMsgExeCreated, kCaptionExeCreated, MsgIcon::Information, MsgButtons::Ok);
        outcome.status = BuildStatus::Succeeded;
    }
    if (!outcome.notPacked.empty()) {
        std::string text = kMsgNotPacked;
        for (const auto& line : outcome.notPacked)
            text += "\n" + line;
        (void)ui_.showMessage(text, kCaptionNotPacked, MsgIcon::Warning, MsgButtons::Ok);
    }
    if (ok && request.autoStart) {
        const char* path = std::getenv("PATH");
        outcome.started = startBuiltProgram(ui_, request.target, output, path ? path : "");
    }
    return outcome;
}

} // namespace pagolux
