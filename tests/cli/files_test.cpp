// Files that cannot be read or written end with exit status 1 and a message
// naming the file and the reason. Output and report are written whole or not
// at all: a failed run leaves no partial file and an existing file untouched.

#include "clirunner.h"
#include "knownpictures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QByteArray EarlierContent = QByteArrayLiteral("earlier content, must survive a failed run");

struct BadInputCase {
    const char* name;
    const char* file;   // in tests/data, or in the temporary folder when local; an absolute path as it is
    bool local;
    const char* reason; // a piece of the message
};

void PrintTo(const BadInputCase& row, std::ostream* out)
{
    *out << row.name;
}

class BadInputTest : public testing::TestWithParam<BadInputCase> {};

TEST_P(BadInputTest, ExitsOneNamingTheFileAndLeavesOutputUntouched)
{
    const BadInputCase& row = GetParam();
    QTemporaryDir folder;
    const QString file = QString::fromLatin1(row.file);
    const QString input = QDir::isAbsolutePath(file) ? file
        : row.local                                  ? folder.filePath(file)
                                                     : knownpictures::dataPath(file);
    if (row.local && QString::fromLatin1(row.name) == QLatin1String("InputIsAFolder")) {
        ASSERT_TRUE(QDir(folder.path()).mkdir(QString::fromLatin1(row.file)));
    }
    const QString output = folder.filePath(QStringLiteral("out.bin"));
    const QString report = folder.filePath(QStringLiteral("report.txt"));
    writeBytes(output, EarlierContent);
    const QStringList before = folderEntries(folder.path());

    const CliRun run = runCli({ QStringLiteral("convert"), input, QStringLiteral("-o"), output, QStringLiteral("--report"),
                                  report },
        folder.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const QString message = QString::fromUtf8(run.standardError);
    EXPECT_TRUE(message.contains(QFileInfo(input).absoluteFilePath())) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(row.reason))) << message.toStdString();
    EXPECT_TRUE(run.standardOutput.isEmpty());
    const auto kept = readBytes(output);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(kept.data()), qsizetype(kept.size())), EarlierContent);
    EXPECT_EQ(folderEntries(folder.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Pictures, BadInputTest,
    testing::Values(BadInputCase { "MissingFile", "nothere.jpg", true, "does not exist" },
        BadInputCase { "InputIsAFolder", "picture.jpg", true, "folder" },
        BadInputCase { "TextNamedJpg", "notapicture.jpg", false, "Cannot open" },
        BadInputCase { "EmptyFile", "empty.jpg", false, "Cannot open" },
        BadInputCase { "TruncatedJpeg", "truncated.jpg", false, "Cannot open" },
        // Cut inside the picture data: the decoders would fill in grey or keep
        // the rest blank without failing, so these are refused before that.
        BadInputCase { "JpegCutInsideData", "cut-photo.jpg", false, "ends inside the picture's data" },
        BadInputCase { "BmpCutInsideRows", "cut-known.bmp", false, "ends inside the picture's data" },
        BadInputCase { "GifCutInsideData", "cut-known.gif", false, "ends inside the picture's data" },
        // Devices that never end: refused from their first bytes (at most
        // 64 KiB), as no picture starts like them.
        BadInputCase { "DevZero", "/dev/zero", false, "it is not a picture that can be read" },
        BadInputCase { "DevUrandom", "/dev/urandom", false, "it is not a picture that can be read" }),
    [](const testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.name); });

struct BadDestinationCase {
    const char* name;
    const char* output; // relative to the temporary folder
    const char* report; // relative to the temporary folder, or empty for none
    const char* namedFile;
    const char* reason;
};

void PrintTo(const BadDestinationCase& row, std::ostream* out)
{
    *out << row.name;
}

class BadDestinationTest : public testing::TestWithParam<BadDestinationCase> {};

TEST_P(BadDestinationTest, ExitsOneAndWritesNothing)
{
    const BadDestinationCase& row = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("afolder")));
    writeBytes(folder.filePath(QStringLiteral("existing.bin")), EarlierContent);
    writeBytes(folder.filePath(QStringLiteral("existing.txt")), EarlierContent);
    const QStringList before = folderEntries(folder.path());

    QStringList arguments { QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("small.bmp")),
        QStringLiteral("-o"), folder.filePath(QString::fromLatin1(row.output)) };
    if (*row.report)
        arguments << QStringLiteral("--report") << folder.filePath(QString::fromLatin1(row.report));
    const CliRun run = runCli(arguments, folder.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const QString message = QString::fromUtf8(run.standardError);
    EXPECT_TRUE(message.contains(QFileInfo(folder.filePath(QString::fromLatin1(row.namedFile))).absoluteFilePath()))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(row.reason))) << message.toStdString();
    EXPECT_TRUE(run.standardOutput.isEmpty());

    EXPECT_EQ(folderEntries(folder.path()), before);
    EXPECT_TRUE(folderEntries(folder.filePath(QStringLiteral("afolder"))).isEmpty());
    for (const char* name : { "existing.bin", "existing.txt" }) {
        const auto kept = readBytes(folder.filePath(QString::fromLatin1(name)));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(kept.data()), qsizetype(kept.size())), EarlierContent) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Destinations, BadDestinationTest,
    testing::Values(
        BadDestinationCase { "OutputInMissingFolder", "missing/out.bin", "", "missing/out.bin", "does not exist" },
        BadDestinationCase { "OutputIsAFolder", "afolder", "", "afolder", "folder" },
        BadDestinationCase { "ReportInMissingFolder", "existing.bin", "missing/report.txt", "missing/report.txt",
            "does not exist" },
        BadDestinationCase { "ReportIsAFolder", "existing.bin", "afolder", "afolder", "folder" },
        BadDestinationCase { "OutputIsAFolderWithReport", "afolder", "existing.txt", "afolder", "folder" }),
    [](const testing::TestParamInfo<BadDestinationCase>& info) { return std::string(info.param.name); });

// A successful run replaces a longer earlier file completely and leaves
// nothing else behind.
TEST(Destinations, ReplacesALongerFileWhole)
{
    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("out.bin"));
    writeBytes(output, QByteArray(100000, 'x'));
    const CliRun run = runCli({ QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("small.bmp")),
                                  QStringLiteral("-o"), output, QStringLiteral("-W"), QStringLiteral("7"),
                                  QStringLiteral("-H"), QStringLiteral("5"), QStringLiteral("-f"), QStringLiteral("5"),
                                  QStringLiteral("-q") },
        folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(readBytes(output).size(), 35u);
    EXPECT_EQ(folderEntries(folder.path()), QStringList { QStringLiteral("out.bin") });
}

// An output path relative to the working folder lands there.
TEST(Destinations, RelativePathsAreTheWorkingFolders)
{
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("sub")));
    const CliRun run = runCli({ QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("small.bmp")),
                                  QStringLiteral("-o"), QStringLiteral("sub/out.bin"), QStringLiteral("--report"),
                                  QStringLiteral("report.txt"), QStringLiteral("-W"), QStringLiteral("2"),
                                  QStringLiteral("-H"), QStringLiteral("2"), QStringLiteral("-q") },
        folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(readBytes(folder.filePath(QStringLiteral("sub/out.bin"))).size(), 8u);
    EXPECT_FALSE(readBytes(folder.filePath(QStringLiteral("report.txt"))).empty());
}

} // namespace
