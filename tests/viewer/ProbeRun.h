#pragma once
// Runs a built program with the viewer's probe (PAGOLUX_VIEWER_PROBE, and a script for the page
// in PAGOLUX_VIEWER_PROBE_SCRIPT) and collects its key=value lines.

#include "builder/BuildPipeline.h"
#include "tests/support/ScriptedInteraction.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <string>

namespace pagolux {

// Builds request into output as "Go!" does, agreeing to replace an older file; the test fails
// (not stops) when the build does not succeed, naming the last message.
inline std::string buildProgram(BuildRequest& request, std::int32_t& iconPos, const std::string& output)
{
    request.outputField = output;
    test::ScriptedInteraction ui{MsgResult::Cancel};
    ui.answers = {MsgResult::Yes};
    const BuildOutcome r = BuildPipeline(ui).run(request, iconPos, {});
    EXPECT_EQ(r.status, BuildStatus::Succeeded) << (ui.messages.empty() ? "" : ui.messages.back().text);
    return output;
}

struct ProbeRun {
    int exitCode = -1;
    QMap<QString, QString> values;
    QString stderrText;
};

// sandboxSettings false: start the program as a user would, without the test run's
// switches that let Qt WebEngine run for root.
inline ProbeRun runProbe(const std::string& program, const QString& script = {}, bool sandboxSettings = true,
                         const QString& display = {}, const QMap<QString, QString>& extraEnv = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!display.isEmpty())
        env.insert("DISPLAY", display);
    if (!sandboxSettings) {
        env.remove("QTWEBENGINE_DISABLE_SANDBOX");
        env.insert("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    }
    // These tests check the Qt 6 front (its German Qt texts, its answers) unless extraEnv names
    // another engine; the engine test runs every front.
    env.insert("PAGOLUX_VIEWER_ENGINE", "qt6");
    for (auto it = extraEnv.begin(); it != extraEnv.end(); ++it)
        env.insert(it.key(), it.value());
    env.insert("PAGOLUX_VIEWER_PROBE", "1");
    if (!script.isEmpty())
        env.insert("PAGOLUX_VIEWER_PROBE_SCRIPT", script);
    p.setProcessEnvironment(env);
    p.start(QString::fromStdString(program), {});
    ProbeRun run;
    if (!p.waitForFinished(90000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitCode();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            run.values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    run.stderrText = QString::fromUtf8(p.readAllStandardError());
    return run;
}

} // namespace pagolux
