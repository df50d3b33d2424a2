#pragma once

// Runs the real rasterkit-cli binary in a process of its own.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

struct CliRun {
    int exitCode = -1;
    bool finished = false; // false: it crashed or did not end in time
    QByteArray standardOutput;
    QByteArray standardError;
};

// Environment changes for one run: a name and its value; an empty value
// removes the variable.
using EnvironmentChanges = QList<QPair<QString, QString>>;

// Changes to the process before it starts: its standard input, its limits,
// or a shell that runs the program.
using ProcessSetup = std::function<void(QProcess&)>;

// Runs rasterkit-cli with the arguments in the working folder. The locale is
// C.UTF-8 unless the changes say otherwise.
CliRun runCli(const QStringList& arguments, const QString& workingFolder, const EnvironmentChanges& environment = {},
    const ProcessSetup& setup = {});

std::vector<std::uint8_t> readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// Every entry of a folder, for checking that no stray file was left.
QStringList folderEntries(const QString& path);

// A test with a temporary folder of its own to run rasterkit-cli in.
class CliFolderTest : public testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }
    // Runs rasterkit-cli in the folder, whatever its end.
    CliRun run(const QStringList& arguments) const { return runCli(arguments, m_folder.path()); }
    // Runs rasterkit-cli in the folder, expecting it to end with status 0.
    CliRun runSuccessfully(const QStringList& arguments) const;

    QTemporaryDir m_folder;
};

// "5D 27 FF ..." for readable failure messages.
std::string hexText(const std::vector<std::uint8_t>& bytes, std::size_t limit = 48);

// The index of the first byte that differs, or -1 when the two are equal.
long long firstDifference(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected);
