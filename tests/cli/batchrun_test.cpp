// The batch's threads, in one process: runBatch hands every picture to
// exactly one call whatever the number of threads, counts what failed and
// stops starting pictures when told; the convert command's batch writes, on
// any number of threads, the bytes one conversion per picture writes. Built
// with -DRASTERKIT_TSAN=ON these runs are the thread sanitizer's check of
// the parallel path.

#include "batch.h"
#include "convertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <ostream>
#include <variant>
#include <vector>

namespace {

using namespace rasterkit::cli;

// Standard error's text as the batch wrote it into a temporary file.
class MessageFile {
public:
    MessageFile() : m_file(std::tmpfile()) { }
    ~MessageFile() { std::fclose(m_file); }
    MessageFile(const MessageFile&) = delete;
    MessageFile& operator=(const MessageFile&) = delete;

    std::FILE* file() const { return m_file; }
    QString text() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        QByteArray bytes;
        char buffer[4096];
        for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            bytes.append(buffer, qsizetype(read));
        return QString::fromUtf8(bytes);
    }

private:
    std::FILE* m_file;
};

struct RunCase {
    const char* name;
    int items;
    int jobs;
    int failEvery;   // every failEvery-th item fails (0: none)
    int stopAfter;   // the stop flag is raised once this many calls have begun (0: never)
};

void PrintTo(const RunCase& row, std::ostream* out)
{
    *out << row.name;
}

class RunBatchTest : public testing::TestWithParam<RunCase> {};

TEST_P(RunBatchTest, CallsEachPictureOnceAndCountsWhatFailed)
{
    const RunCase& row = GetParam();
    std::vector<BatchItem> items;
    for (int index = 0; index < row.items; ++index)
        items.push_back({ QStringLiteral("in/%1.bmp").arg(index), QStringLiteral("out/%1.raw").arg(index),
            QString::number(index) });
    const auto calls = std::make_unique<std::atomic<int>[]>(std::size_t(row.items) + 1);
    std::atomic<int> begun { 0 };
    std::atomic<int> stop { 0 };
    const auto fails = [&](int index) { return row.failEvery > 0 && index % row.failEvery == 0; };

    const ConvertOne convertOne = [&](const BatchItem& item) {
        const int index = item.stem.toInt();
        calls[std::size_t(index)].fetch_add(1);
        if (row.stopAfter > 0 && begun.fetch_add(1) + 1 >= row.stopAfter)
            stop.store(2);
        return fails(index) ? QStringLiteral("Cannot open \"%1\": broken.").arg(item.inputPath) : QString();
    };
    MessageFile messages;
    BatchRunOptions options;
    options.jobs = row.jobs;
    options.messages = messages.file();
    options.stop = &stop;
    const BatchSummary summary = runBatch(items, convertOne, options);

    int called = 0;
    int expectedFailed = 0;
    QString expectedMessages;
    for (int index = 0; index < row.items; ++index) {
        const int count = calls[std::size_t(index)].load();
        ASSERT_LE(count, 1) << "picture " << index;
        called += count;
        if (count == 1 && fails(index)) {
            ++expectedFailed;
            expectedMessages += QStringLiteral("in/%1.bmp").arg(index);
        }
    }
    EXPECT_EQ(summary.failed, expectedFailed);
    EXPECT_EQ(summary.converted, called - expectedFailed);
    if (row.stopAfter == 0) {
        EXPECT_EQ(called, row.items);
        EXPECT_FALSE(summary.interrupted);
    } else {
        // Each thread finishes the picture it has begun, and starts no other.
        EXPECT_GE(called, std::min(row.stopAfter, row.items));
        EXPECT_LE(called, std::min(row.stopAfter + row.jobs - 1, row.items));
        EXPECT_EQ(summary.interrupted, called < row.items);
    }
    // One line per failure, in any order, and nothing else.
    const QStringList lines = messages.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), expectedFailed) << messages.text().toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("rasterkit-cli: Cannot open \"in/"))) << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral(".bmp\": broken."))) << line.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, RunBatchTest,
    testing::Values(RunCase { "Empty", 0, 4, 0, 0 }, RunCase { "OneOnOneThread", 1, 1, 0, 0 },
        RunCase { "OneOnManyThreads", 1, 8, 1, 0 }, RunCase { "ManyOnOneThread", 50, 1, 7, 0 },
        RunCase { "ManyOnTwoThreads", 200, 2, 3, 0 }, RunCase { "ManyOnEightThreads", 500, 8, 5, 0 },
        RunCase { "MoreThreadsThanPictures", 5, 64, 2, 0 }, RunCase { "StoppedOnOneThread", 40, 1, 0, 10 },
        RunCase { "StoppedOnFourThreads", 400, 4, 9, 50 }),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

// The pictures of the in-process batches, each several times over so that
// the threads convert the same kinds of picture at the same time.
const char* const Pictures[] = { "photo.jpg", "known.bmp", "transparent.gif", "small.bmp", "flat.gif",
    "jpeg/baseline-420.jpg", "jpeg/progressive-444.jpg", "jpeg/cmyk.jpg", "jpeg/grey.jpg" };
const char* const BadPicture = "cut-photo.jpg";
constexpr int Copies = 3;

QString dataPath(const char* name)
{
    return QStringLiteral(RASTERKIT_TEST_DATA "/") + QString::fromLatin1(name);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ConvertOptions parsed(const QStringList& arguments)
{
    auto options = parseConvert(QStringList { QStringLiteral("rasterkit-cli"), QStringLiteral("convert") } + arguments);
    if (const Reply* reply = std::get_if<Reply>(&options)) {
        ADD_FAILURE() << reply->text.toStdString();
        return {};
    }
    return std::get<ConvertOptions>(std::move(options));
}

struct ConvertCase {
    const char* name;
    int jobs;
    bool withBadPicture;
    QStringList options;
    const char* arrayName; // --c-array, or empty
};

void PrintTo(const ConvertCase& row, std::ostream* out)
{
    *out << row.name;
}

class BatchConvertTest : public testing::TestWithParam<ConvertCase> {};

TEST_P(BatchConvertTest, WritesWhatOneConversionPerPictureWrites)
{
    const ConvertCase& row = GetParam();
    QTemporaryDir folder;
    const QDir root(folder.path());
    root.mkpath(QStringLiteral("in"));
    QStringList stems;
    for (const char* picture : Pictures) {
        const QFileInfo source(dataPath(picture));
        for (int copy = 0; copy < Copies; ++copy) {
            const QString stem = source.completeBaseName() + QStringLiteral("-%1").arg(copy);
            ASSERT_TRUE(QFile::copy(source.filePath(), root.filePath(QStringLiteral("in/%1.%2").arg(stem, source.suffix()))));
            stems << stem;
        }
    }
    if (row.withBadPicture) {
        ASSERT_TRUE(QFile::copy(dataPath(BadPicture), root.filePath(QStringLiteral("in/") + BadPicture)));
    }
    const QString extension = *row.arrayName ? QStringLiteral(".h") : QStringLiteral(".raw");

    QStringList batchArguments { root.filePath(QStringLiteral("in")), QStringLiteral("-o"),
        root.filePath(QStringLiteral("out")) + u'/', QStringLiteral("-j"), QString::number(row.jobs), QStringLiteral("-q") };
    batchArguments << row.options;
    if (*row.arrayName)
        batchArguments << QStringLiteral("--c-array") << QString::fromLatin1(row.arrayName);
    const ConvertOptions batch = parsed(batchArguments);
    ASSERT_EQ(batch.batch.size(), std::size_t(stems.size() + (row.withBadPicture ? 1 : 0)));
    const RunOutcome outcome = runConvert(batch, ".");
    if (row.withBadPicture) {
        EXPECT_EQ(outcome.exitCode, ExitFileError);
        EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("1 of %1 pictures could not be converted").arg(stems.size() + 1)))
            << outcome.error.toStdString();
    } else {
        EXPECT_TRUE(outcome.ok()) << outcome.error.toStdString();
    }

    QStringList expectedFiles;
    for (const QString& stem : std::as_const(stems)) {
        const QString input = QDir(root.filePath(QStringLiteral("in"))).entryList({ stem + QStringLiteral(".*") }).value(0);
        QStringList single { root.filePath(QStringLiteral("in/") + input), QStringLiteral("-o"),
            root.filePath(QStringLiteral("single/") + stem + extension), QStringLiteral("-q") };
        single << row.options;
        if (*row.arrayName)
            single << QStringLiteral("--c-array") << batchArrayName(QString::fromLatin1(row.arrayName), stem);
        root.mkpath(QStringLiteral("single"));
        const RunOutcome one = runConvert(parsed(single), ".");
        ASSERT_TRUE(one.ok()) << one.error.toStdString();
        expectedFiles << stem + extension;
    }
    expectedFiles.sort();
    ASSERT_EQ(QDir(root.filePath(QStringLiteral("out"))).entryList(QDir::Files, QDir::Name), expectedFiles);
    for (const QString& file : std::as_const(expectedFiles)) {
        const QByteArray expected = fileBytes(root.filePath(QStringLiteral("single/") + file));
        ASSERT_FALSE(expected.isEmpty()) << file.toStdString();
        EXPECT_EQ(fileBytes(root.filePath(QStringLiteral("out/") + file)), expected) << file.toStdString();
    }
}

QStringList list(std::initializer_list<const char*> items)
{
    QStringList strings;
    for (const char* item : items)
        strings << QString::fromLatin1(item);
    return strings;
}

INSTANTIATE_TEST_SUITE_P(Threads, BatchConvertTest,
    testing::Values(ConvertCase { "OneThread", 1, false, {}, "" }, ConvertCase { "TwoThreads", 2, false, {}, "" },
        ConvertCase { "EightThreadsWithABadPicture", 8, true, list({ "-f", "y5x3", "-W", "40", "-H", "30" }), "" },
        ConvertCase { "FourThreadsHeadersScaled", 4, false,
            list({ "-f", "rgb565x8", "-W", "64", "-H", "48", "-s", "0.4", "--center", "20,10", "--byte-order",
                "little" }),
            "icon" }),
    [](const testing::TestParamInfo<ConvertCase>& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char* argv[])
{
    // Qt's picture readers are found through the application object, in
    // the module just built.
    QCoreApplication application(argc, argv);
    if (!qEnvironmentVariableIsSet("RASTERKIT_CLI_GUI_MODULE"))
        qputenv("RASTERKIT_CLI_GUI_MODULE", RASTERKIT_BUILT_CLI_GUI_MODULE);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
