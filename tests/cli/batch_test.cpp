// Converting several pictures in one call: every file is exactly what one run
// per picture writes, whatever the number of threads; a bad picture fails
// alone; inputs that would clash are refused before anything is written; the
// progress line appears on a terminal only.

#include "clirunner.h"
#include "knownpictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

// The pictures of the batches: JPEG (several layouts), BMP and GIF, with a
// transparent one.
const char* const Pictures[] = { "photo.jpg", "known.bmp", "transparent.gif", "small.bmp", "flat.gif",
    "jpeg/baseline-420.jpg", "jpeg/progressive-444.jpg", "jpeg/cmyk.jpg", "jpeg/grey.jpg" };
const char* const BadPicture = "cut-photo.jpg";

QString stemOf(const QString& name)
{
    return QFileInfo(name).completeBaseName();
}

// Copies a picture of tests/data into the folder under another name.
void copyData(const QTemporaryDir& folder, const char* file, const char* as)
{
    QFile::copy(knownpictures::dataPath(QString::fromUtf8(file)), folder.filePath(QString::fromUtf8(as)));
}

// Copies the pictures into folder/in; returns their names there.
QStringList copyPictures(const QTemporaryDir& folder, bool withBadPicture)
{
    QDir(folder.path()).mkdir(QStringLiteral("in"));
    QStringList names;
    std::vector<const char*> files(std::begin(Pictures), std::end(Pictures));
    if (withBadPicture)
        files.push_back(BadPicture);
    for (const char* file : files) {
        const QString name = QFileInfo(QString::fromLatin1(file)).fileName();
        QFile::copy(knownpictures::dataPath(QString::fromLatin1(file)), folder.filePath(QStringLiteral("in/") + name));
        names << name;
    }
    return names;
}

QStringList arguments(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

struct BatchCase {
    const char* name;
    int jobs;
    bool withBadPicture;
    QStringList options;
    const char* arrayPrefix; // --c-array, or empty
};

void PrintTo(const BatchCase& row, std::ostream* out)
{
    *out << row.name;
}

class BatchTest : public testing::TestWithParam<BatchCase> {};

TEST_P(BatchTest, WritesWhatOneRunPerPictureWrites)
{
    const BatchCase& row = GetParam();
    QTemporaryDir folder;
    const QStringList names = copyPictures(folder, row.withBadPicture);
    const QString extension = *row.arrayPrefix ? QStringLiteral(".h") : QStringLiteral(".raw");
    QDir(folder.path()).mkdir(QStringLiteral("single"));

    // One run per picture, the array named as the batch names it.
    QStringList expectedFiles;
    for (const QString& name : names) {
        if (name == QLatin1String(BadPicture))
            continue;
        const QString output = QStringLiteral("single/") + stemOf(name) + extension;
        QStringList single { QStringLiteral("convert"), QStringLiteral("in/") + name, QStringLiteral("-o"), output,
            QStringLiteral("-q") };
        single << row.options;
        const QString array = QString::fromLatin1(row.arrayPrefix) + u'_' + stemOf(name).replace(u'-', u'_');
        if (*row.arrayPrefix) // "baseline-420.jpg": pic_baseline_420
            single << QStringLiteral("--c-array") << array;
        const CliRun run = runCli(single, folder.path());
        ASSERT_EQ(run.exitCode, 0) << name.toStdString() << ": " << run.standardError.toStdString();
        expectedFiles << stemOf(name) + extension;
    }
    expectedFiles.sort();

    QStringList batch { QStringLiteral("convert"), QStringLiteral("in"), QStringLiteral("-o"), QStringLiteral("out/"),
        QStringLiteral("-j"), QString::number(row.jobs) };
    batch << row.options;
    if (*row.arrayPrefix)
        batch << QStringLiteral("--c-array") << QString::fromLatin1(row.arrayPrefix);
    const CliRun run = runCli(batch, folder.path());
    ASSERT_TRUE(run.finished);
    const QString errors = QString::fromUtf8(run.standardError);
    if (row.withBadPicture) {
        EXPECT_EQ(run.exitCode, 1);
        const QString bad = QFileInfo(folder.filePath(QStringLiteral("in/") + BadPicture)).absoluteFilePath();
        const QString reason = QStringLiteral("Cannot open \"%1\": the file ends inside the picture's data.").arg(bad);
        EXPECT_TRUE(errors.contains(reason)) << errors.toStdString();
        EXPECT_TRUE(errors.endsWith(
            QStringLiteral("rasterkit-cli: 1 of 10 pictures could not be converted; the other 9 are in \"out/\".\n")))
            << errors.toStdString();
        EXPECT_TRUE(run.standardOutput.isEmpty());
    } else {
        EXPECT_EQ(run.exitCode, 0) << errors.toStdString();
        EXPECT_TRUE(errors.isEmpty()) << "no progress when standard error is not a terminal: " << errors.toStdString();
        EXPECT_EQ(run.standardOutput, QByteArray("9 pictures converted into \"out/\".\n"));
    }
    ASSERT_EQ(folderEntries(folder.filePath(QStringLiteral("out"))), expectedFiles);
    for (const QString& file : expectedFiles) {
        const auto written = readBytes(folder.filePath(QStringLiteral("out/") + file));
        const auto expected = readBytes(folder.filePath(QStringLiteral("single/") + file));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(firstDifference(written, expected), -1) << file.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Jobs, BatchTest,
    testing::Values(BatchCase { "OneThread", 1, false, {}, "" }, BatchCase { "TwoThreads", 2, false, {}, "" },
        BatchCase { "FourThreads", 4, false, {}, "" },
        BatchCase { "FourThreadsWithABadPicture", 4, true, arguments({ "-f", "y5x3", "-W", "33", "-H", "17" }), "" },
        BatchCase { "OneThreadWithABadPicture", 1, true, {}, "" },
        BatchCase { "HeadersFramedScaledLittleEndian", 2, false,
            arguments({ "-f", "rgb544x3", "-W", "90", "-H", "60", "-s", "0.7", "--center", "30,20", "--byte-order",
                "little", "--c-attribute", "PROGMEM" }),
            "pic" }),
    [](const testing::TestParamInfo<BatchCase>& info) { return std::string(info.param.name); });

struct InputCase {
    const char* name;
    QStringList operands;
    QStringList outputs; // in out/, in name order
};

void PrintTo(const InputCase& row, std::ostream* out)
{
    *out << row.name;
}

class BatchInputTest : public testing::TestWithParam<InputCase> {};

// Files as given, folders as the pictures in them (any case of extension,
// other files left out), quoted patterns as the files they match.
TEST_P(BatchInputTest, NamesTheOutputsAfterThePictures)
{
    const InputCase& row = GetParam();
    QTemporaryDir folder;
    copyPictures(folder, false);
    copyData(folder, "small.bmp", "in/Shout.BMP");
    writeBytes(folder.filePath(QStringLiteral("in/notes.txt")), "not a picture");

    QStringList command { QStringLiteral("convert") };
    command << row.operands << QStringLiteral("-o") << QStringLiteral("new/out/") << QStringLiteral("-q");
    const CliRun run = runCli(command, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(folderEntries(folder.filePath(QStringLiteral("new/out"))), row.outputs);
}

INSTANTIATE_TEST_SUITE_P(Inputs, BatchInputTest,
    testing::Values(InputCase { "TwoFiles", arguments({ "in/small.bmp", "in/photo.jpg" }),
                        arguments({ "photo.raw", "small.raw" }) },
        InputCase { "Folder", arguments({ "in" }),
            arguments({ "Shout.raw", "baseline-420.raw", "cmyk.raw", "flat.raw", "grey.raw", "known.raw", "photo.raw",
                "progressive-444.raw", "small.raw", "transparent.raw" }) },
        InputCase { "PatternAndFile", arguments({ "in/*.gif", "in/photo.jpg" }),
            arguments({ "flat.raw", "photo.raw", "transparent.raw" }) },
        InputCase { "PatternIsCaseSensitive", arguments({ "in/*.bmp" }), arguments({ "known.raw", "small.raw" }) },
        InputCase { "PatternsWithClasses", arguments({ "in/s*", "in/[fg]*.*" }),
            arguments({ "flat.raw", "grey.raw", "small.raw" }) }),
    [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    QStringList arguments; // after "convert"
    const char* message;   // a piece of it
};

void PrintTo(const RefusalCase& row, std::ostream* out)
{
    *out << row.name;
}

class BatchRefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(BatchRefusalTest, ExitsTwoBeforeWritingAnything)
{
    const RefusalCase& row = GetParam();
    QTemporaryDir folder;
    copyPictures(folder, false);
    QDir(folder.path()).mkpath(QStringLiteral("other/empty"));
    copyData(folder, "known.gif", "other/small.gif");
    copyData(folder, "small.bmp", "other/local.bmp");
    writeBytes(folder.filePath(QStringLiteral("in/data.raw")), "earlier bytes");
    const QStringList before = folderEntries(folder.path());
    const QStringList inputsBefore = folderEntries(folder.filePath(QStringLiteral("in")));

    QStringList command { QStringLiteral("convert") };
    command << row.arguments;
    const CliRun run = runCli(command, folder.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(QString::fromUtf8(run.standardError).contains(QString::fromUtf8(row.message)))
        << run.standardError.toStdString();
    EXPECT_TRUE(run.standardOutput.isEmpty());
    EXPECT_EQ(folderEntries(folder.path()), before);
    EXPECT_EQ(folderEntries(folder.filePath(QStringLiteral("in"))), inputsBefore);
    EXPECT_EQ(readBytes(folder.filePath(QStringLiteral("in/data.raw"))).size(), 13u);
}

INSTANTIATE_TEST_SUITE_P(Refusals, BatchRefusalTest,
    testing::Values(
        RefusalCase { "SameNameTwice", arguments({ "in/small.bmp", "other/small.gif", "-o", "out/" }),
            "\"in/small.bmp\" and \"other/small.gif\" would both be converted into \"out/small.raw\"" },
        RefusalCase { "SamePictureTwice", arguments({ "in/photo.jpg", "in/*.jpg", "-o", "out/" }),
            "\"in/photo.jpg\" and \"in/photo.jpg\" would both be converted" },
        RefusalCase { "OutputReplacesAnInput", arguments({ "in/small.bmp", "in/data.raw", "-o", "in/" }),
            "would replace the input picture \"in/data.raw\"" },
        RefusalCase { "SeveralIntoOneFile", arguments({ "in/small.bmp", "in/photo.jpg", "-o", "out.raw" }),
            "convert takes one INPUT picture (\"in/small.bmp\"), or several with -o naming a folder" },
        RefusalCase { "Report", arguments({ "in", "-o", "out/", "--report", "report.txt" }),
            "--report names one file" },
        RefusalCase { "Preview", arguments({ "in", "-o", "out/", "--preview", "preview.png" }),
            "--preview names one file" },
        RefusalCase { "StandardInputAmongSeveral", arguments({ "-", "in/photo.jpg", "-o", "out/" }),
            "standard input (\"-\") cannot be one of several INPUTs" },
        RefusalCase {
            "PatternMatchesNothing", arguments({ "in/*.png", "-o", "out/" }), "no file matches \"in/*.png\"" },
        RefusalCase { "WildcardInAFolderName", arguments({ "i*/photo.jpg", "-o", "out/" }),
            "wildcards are matched in file names only" },
        RefusalCase { "FolderWithoutPictures", arguments({ "other/empty", "-o", "out/" }),
            "the folder \"other/empty\" holds no picture" },
        RefusalCase { "NoThreads", arguments({ "in", "-o", "out/", "-j", "0" }), "-j/--jobs 0 is out of range" },
        RefusalCase { "ThreadsNotANumber", arguments({ "in", "-o", "out/", "-j", "all" }),
            "bad number \"all\" for -j/--jobs" },
        RefusalCase { "ArrayNameIsAKeyword", arguments({ "other/local.bmp", "in/small.bmp", "-o", "out/", "--c-array",
                                                  "thread" }),
            "the array name \"thread_local\" made for \"other/local.bmp\" is a keyword" }),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

// Each header's array is the --c-array NAME, '_' and the picture's stem with
// every byte that cannot stand in a C identifier made '_' (both of a UTF-8 "ä").
TEST(BatchHeaders, ArraysAreNamedAfterThePictures)
{
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("in"));
    copyData(folder, "small.bmp", "in/my photo-ä.1.bmp");
    copyData(folder, "flat.gif", "in/2nd.gif");
    const CliRun run = runCli(
        arguments({ "convert", "in", "-o", "out/", "--c-array", "icon", "-W", "4", "-H", "2", "-q" }), folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QStringList expected { QStringLiteral("2nd.h"), QStringLiteral("my photo-ä.1.h") };
    ASSERT_EQ(folderEntries(folder.filePath(QStringLiteral("out"))), expected);
    for (const auto& [file, array] : { std::pair("out/2nd.h", "char icon_2nd["),
             std::pair("out/my photo-ä.1.h", "char icon_my_photo____1[") }) {
        const auto header = readBytes(folder.filePath(QString::fromUtf8(file)));
        EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(header.data()), qsizetype(header.size())).contains(array))
            << file;
    }
}

// On a terminal the progress line is drawn at once and cleared at the end;
// -q leaves the terminal quiet.
TEST(BatchProgress, ShownOnATerminalOnly)
{
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        GTEST_SKIP() << "script (util-linux) runs the program on a terminal";
    QTemporaryDir folder;
    copyPictures(folder, false);
    for (const bool quiet : { false, true }) {
        const QString command = quiet ? QStringLiteral("\"$CLI\" convert in -o quiet/ -j 2 -q")
                                      : QStringLiteral("\"$CLI\" convert in -o out/ -j 2");
        const CliRun run = runCli({}, folder.path(), { { QStringLiteral("CLI"), QStringLiteral(RASTERKIT_CLI_PATH) } },
            [&](QProcess& process) {
                process.setProgram(QStringLiteral("script"));
                process.setArguments({ QStringLiteral("-qec"), command, QStringLiteral("/dev/null") });
            });
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0) << run.standardOutput.toStdString();
        const QByteArray terminal = run.standardOutput;
        if (quiet) {
            EXPECT_TRUE(terminal.isEmpty()) << terminal.toStdString();
        } else {
            EXPECT_TRUE(terminal.startsWith("\r\033[K[....")) << terminal.toStdString();
            EXPECT_TRUE(terminal.contains("] 0/9 pictures")) << terminal.toStdString();
            EXPECT_TRUE(terminal.endsWith("\r\033[K9 pictures converted into \"out/\".\r\n")) << terminal.toStdString();
        }
    }
}

} // namespace
