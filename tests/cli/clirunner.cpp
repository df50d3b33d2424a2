#include "clirunner.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

CliRun runCli(const QStringList& arguments, const QString& workingFolder, const EnvironmentChanges& environment,
    const ProcessSetup& setup)
{
    QProcessEnvironment processEnvironment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "LC_ALL", "LC_NUMERIC", "LANG", "LANGUAGE" })
        processEnvironment.remove(QString::fromLatin1(name));
    processEnvironment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    for (const auto& [name, value] : environment) {
        if (value.isEmpty())
            processEnvironment.remove(name);
        else
            processEnvironment.insert(name, value);
    }

    QProcess process;
    process.setProcessEnvironment(processEnvironment);
    process.setWorkingDirectory(workingFolder);
    process.setProgram(QStringLiteral(RASTERKIT_CLI_PATH));
    process.setArguments(arguments);
    if (setup)
        setup(process);
    process.start();
    CliRun run;
    if (!process.waitForStarted(10000))
        return run;
    run.finished = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.standardOutput = process.readAllStandardOutput();
    run.standardError = process.readAllStandardError();
    // In a sanitizer build a finding may come with the exit status a test
    // expects anyway (1 for a bad file), so the report itself fails the test.
    if (run.standardError.contains("Sanitizer") || run.standardError.contains("runtime error:"))
        ADD_FAILURE() << "rasterkit-cli " << arguments.join(u' ').toStdString() << "\n" << run.standardError.toStdString();
    return run;
}

std::vector<std::uint8_t> readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QStringList folderEntries(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

std::string hexText(const std::vector<std::uint8_t>& bytes, std::size_t limit)
{
    std::string text;
    char buffer[4];
    for (std::size_t index = 0; index < bytes.size() && index < limit; ++index) {
        std::snprintf(buffer, sizeof buffer, "%02X", bytes[index]);
        if (!text.empty())
            text += ' ';
        text += buffer;
    }
    if (bytes.size() > limit)
        text += " ...";
    return text;
}

long long firstDifference(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected)
{
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (mismatch.first == actual.end() && mismatch.second == expected.end())
        return -1;
    return static_cast<long long>(mismatch.first - actual.begin());
}

CliRun CliFolderTest::runSuccessfully(const QStringList& arguments) const
{
    const CliRun result = run(arguments);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << arguments.join(u' ').toStdString() << "\n" << result.standardError.toStdString();
    return result;
}
