// bench-go PROJECT.pgx OUTPUT
//
// Opens the project in the real main window (on Qt's offscreen platform) and clicks "Go!" as a
// user would, answering every question with Yes or OK. Exits 0 when the build succeeded and the
// output exists. bench-archive starts it and takes its peak memory: the window's own together
// with the build's, which is what a user's machine sees for "Go!".

#include "app/MainUnit.h"
#include "app/TApplication.h"
#include "builder/UserInteraction.h"
#include "controls/TFilenameEdit.h"

#include <QTest>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

using namespace pagolux;

// Says Yes to every question and remembers whether an error was shown.
class Answering : public UserInteraction {
  public:
    explicit Answering(bool& failed) : failed(failed) {}
    MsgResult showMessage(const std::string& text, const std::string&, MsgIcon icon,
                          MsgButtons buttons) override
    {
        if (icon == MsgIcon::Error) {
            failed = true;
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        return buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::Yes;
    }
    void showError(const std::string& text) override
    {
        failed = true;
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void openUrl(const std::string&) override {}
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }

  private:
    bool& failed;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench-go PROJECT.pgx OUTPUT\n");
        return 2;
    }
    const std::string project = argv[1], output = argv[2];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    bool failed = false;
    TApplication::prepareWebEngine();
    TApplication app(argc, argv);
    {
        TMainForm form(nullptr, std::make_unique<Answering>(failed));
        form.show();
        form.OpenFile(project);
        control<TFilenameEdit>(form, "EXENameEdit")->setFileName(output);
        QTest::mouseClick(control<PictureButton>(form, "GoBtn1"), Qt::LeftButton);
    }
    std::error_code ec;
    return !failed && std::filesystem::exists(output, ec) ? 0 : 1;
}
