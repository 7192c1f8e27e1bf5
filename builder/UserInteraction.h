#pragma once
// The one way the program talks to its user: message boxes, file dialogs, opening documents
// and starting programs. The main window holds a Qt implementation; tests and the
// command-line builder substitute their own (scripted answers, or plain text on a terminal).
// Qt-free so that the build pipeline can run without a window.

#include <optional>
#include <string>
#include <vector>

namespace pagolux {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    std::string title;            // empty: the platform's default title
    std::string filter;           // "Beschreibung|*.ext|..." pairs, as the original dialogs used them
    std::string defaultExt;       // appended when the user typed a name without extension
    std::string initialDir;       // empty: the dialog's own choice
    std::string fileName;         // preset name
    bool overwritePrompt = false; // save dialogs: ask before choosing an existing file
    bool picturePreview = false;  // open dialogs: show a preview of the selected picture
};

class UserInteraction {
  public:
    virtual ~UserInteraction() = default;

    // A modal message box. An empty caption shows the platform's default title.
    [[nodiscard]] virtual MsgResult showMessage(const std::string& text, const std::string& caption,
                                                MsgIcon icon, MsgButtons buttons) = 0;
    // The application's default error display: the error's text, captioned "Pagolux 2.0".
    virtual void showError(const std::string& text) = 0;
    // File dialogs; std::nullopt when the user cancelled. Paths are the file system's bytes.
    [[nodiscard]] virtual std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) = 0;
    [[nodiscard]] virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;
    // Opens a web address in the user's browser; the outcome is not examined.
    virtual void openUrl(const std::string& url) = 0;
    // Starts `program` (a path) with `arguments` as a detached process. False when it could not
    // be started; what the program does once it runs is not followed.
    [[nodiscard]] virtual bool startProgram(const std::string& program,
                                            const std::vector<std::string>& arguments) = 0;
};

} // namespace pagolux
