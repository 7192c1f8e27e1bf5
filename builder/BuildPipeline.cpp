#include "builder/BuildPipeline.h"

#include "archive/ZLIBArchive.h"
#include "builder/ExeWriter.h"
#include "builder/IconPatcher.h"
#include "builder/ProgramStart.h"
#include "format/TextEncoding.h"
#include "platform/AtomicFile.h"
#include "platform/FileNameUtils.h"
#include "platform/Paths.h"
#include "platform/UserFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

bool isReadable(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
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
    const char* known = WriteErrorText(systemError);
    return known != nullptr ? known : "Das Archiv konnte nicht geschrieben werden.";
}

BuildOutcome BuildPipeline::run(const BuildRequest& request, std::int32_t& iconPos, const BuildHooks& hooks)
{
    BuildOutcome outcome;
    if (iconPos == 0)
        iconPos = RenderIconPos(request.progPath);

    if (request.startIndex < 0 || request.startIndex >= static_cast<int>(request.entries.size())) {
        (void)ui_.showMessage(kMsgNoStartFile, "", MsgIcon::Error, MsgButtons::Ok);
        outcome.status = BuildStatus::NoStartFile;
        return outcome;
    }
    const std::string startPath = request.entries[static_cast<std::size_t>(request.startIndex)];
    if (!isReadable(startPath)) {
        (void)ui_.showMessage(kMsgStartFileMissing + DisplayText(startPath), "", MsgIcon::Error,
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
    if (pathExists(output) && ui_.showMessage(kMsgOverwrite, kCaptionOverwrite, MsgIcon::Question,
                                              MsgButtons::YesNoCancel) != MsgResult::Yes) {
        outcome.status = BuildStatus::Declined;
        return outcome;
    }

    // Pack the entries into the temporary archive.
    outcome.tempArchive = freeNumberedName(TempFolder(), "tf", ".zlb");
    ScratchFile archiveGuard(outcome.tempArchive);
    {
        // The archive is written straight into its scratch file: it is copied into the program
        // and removed, so it needs neither a rename into place nor a flush to the disk. Declared
        // before the archive, which refers to it until it is gone.
        std::optional<TFileStream> scratch;
        TZLBArchive archive1;
        archive1.CheckCRC = true;
        archive1.SavePaths = true;
        archive1.RecursePaths = true;
        archive1.OnErrorLogged = [&outcome](const std::string& msg) { outcome.notPacked.push_back(msg); };
        if (hooks.progress)
            archive1.OnProgress = [&hooks](const std::string&, std::int32_t percent) {
                hooks.progress(percent);
            };
        if (hooks.progress)
            hooks.progress(0);
        std::vector<std::string> list = request.entries;
        // A full temporary folder, a file-size limit or a failing disk ends the build here: the
        // archive would lack members, and the old output must stay as it is.
        std::string packFailure;
        try {
            scratch.emplace(outcome.tempArchive, TFileMode::fmCreate);
            archive1.CreateArchive(*scratch);
            archive1.AddFiles(list);
            archive1.CloseArchive();
            scratch->Close();
        } catch (const EArchiveWriteError& e) {
            packFailure = WriteFailureReason(e.SystemError);
        } catch (const EWriteError& e) {
            packFailure = WriteFailureReason(e.SystemError);
        }
        if (!packFailure.empty()) {
            archiveGuard.remove();
            (void)ui_.showMessage(kMsgPackFailed + packFailure + "\nOrdner: " + TempFolder(), "",
                                  MsgIcon::Error, MsgButtons::Ok);
            outcome.status = BuildStatus::Failed;
            return outcome;
        }
    }
    if (hooks.updateListBox)
        hooks.updateListBox();

    // Assemble beside the output (the file a symbolic link there names: the link stays), patch
    // the icon, then move it into place as a program only its owner may change: 0755 less the
    // umask.
    bool ok = false;
    try {
        AtomicFile assembled(output, AtomicFileRules{0755, false, true, true});
        const ExeWriteResult written = WriteExe(request.progPath + kProtoExeFileName, outcome.tempArchive,
                                                assembled.name(), startPath, request.settings, ui_);
        if (written.ok) {
            if (request.icon)
                (void)WriteIcon(assembled.name(), iconPos, *request.icon);
            assembled.commit();
            ok = true;
        }
    } catch (const AtomicWriteError&) {
        ok = false;
    }
    archiveGuard.remove();

    if (!ok) {
        (void)ui_.showMessage(kMsgExeFailed, "", MsgIcon::Error, MsgButtons::Ok);
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
