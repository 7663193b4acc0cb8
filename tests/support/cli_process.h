#pragma once
// loftwell-cli run under test: in English, with the test's own home (and so
// its own Trash and history), and what came of it.

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>

inline QProcessEnvironment cliEnvironment(const std::filesystem::path& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "XDG_DATA_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.native()));
    return environment;
}

struct CliOutcome {
    int status; // -1 where it did not end by itself
    QString out;
    QString err;
};

inline CliOutcome finishedCli(QProcess& process, int timeoutMs)
{
    process.waitForFinished(timeoutMs);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}
