// Pipelines: standard input and output, pipes, FIFOs and device nodes as the
// input and the output, and a file size limit, each run from a shell as a
// user types it.

#include "clirunner.h"
#include "knownpictures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

#include <unistd.h>

namespace {

struct StreamCase {
    const char* name;
    const char* script; // for bash in a temporary folder: $CLI is the program, $IN the picture
    const char* output; // the file that holds the output afterwards; "" standard output; "-" none
    bool needsSuperuser;
};

void PrintTo(const StreamCase& row, std::ostream* out)
{
    *out << row.name;
}

class StreamTest : public testing::TestWithParam<StreamCase> {};

TEST_P(StreamTest, GivesTheBytesOfAPlainRun)
{
    const StreamCase& row = GetParam();
    if (row.needsSuperuser && ::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs the superuser";
    QTemporaryDir folder;
    const QString picture = knownpictures::dataPath(QStringLiteral("photo.jpg"));
    const QString reference = folder.filePath(QStringLiteral("reference.raw"));
    ASSERT_EQ(runCli({ QStringLiteral("convert"), picture, QStringLiteral("-o"), reference, QStringLiteral("-q") },
                  folder.path())
                  .exitCode,
        0);

    const CliRun run = runCli({}, folder.path(),
        { { QStringLiteral("CLI"), QStringLiteral(RASTERKIT_CLI_PATH) }, { QStringLiteral("IN"), picture } },
        [&](QProcess& process) {
            process.setProgram(QStringLiteral("bash"));
            process.setArguments({ QStringLiteral("-c"), QString::fromUtf8(row.script) });
        });
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const auto expected = readBytes(reference);
    ASSERT_EQ(expected.size(), 153600u);
    if (*row.output == 0) {
        const std::vector<std::uint8_t> written(run.standardOutput.begin(), run.standardOutput.end());
        EXPECT_EQ(firstDifference(written, expected), -1) << written.size() << " bytes on standard output";
        EXPECT_TRUE(run.standardError.contains("153600")) << "the report goes to standard error";
    } else if (QLatin1String(row.output) != QLatin1String("-")) {
        const auto written = readBytes(folder.filePath(QString::fromUtf8(row.output)));
        EXPECT_EQ(firstDifference(written, expected), -1) << written.size() << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Pipelines, StreamTest,
    testing::Values(StreamCase { "OutputDash", R"("$CLI" convert "$IN" -o -)", "", false },
        StreamCase { "OutputDevStdout", R"("$CLI" convert "$IN" -o /dev/stdout)", "", false },
        StreamCase { "DevStdoutRedirectedToAFile", R"("$CLI" convert "$IN" -o /dev/stdout > out.raw)", "out.raw", false },
        StreamCase { "InputDash", R"("$CLI" convert - -o out.raw < "$IN")", "out.raw", false },
        StreamCase { "DashToDash", R"(cat "$IN" | "$CLI" convert - -o -)", "", false },
        StreamCase { "ProcessSubstitution", R"("$CLI" convert <(cat "$IN") -o out.raw)", "out.raw", false },
        StreamCase { "FifoInput", R"(mkfifo in && { cat "$IN" > in & } && "$CLI" convert in -o out.raw)", "out.raw", false },
        StreamCase { "FifoOutputStaysAFifo",
            R"(mkfifo fifo && { cat fifo > out.raw & } && "$CLI" convert "$IN" -o fifo && wait && test -p fifo)",
            "out.raw", false },
        StreamCase { "DeviceNodeStaysANode", R"(mknod null c 1 3 && "$CLI" convert "$IN" -o null && test -c null)", "-",
            true },
        // A disk that fills up, or a file size limit, stops the writing part
        // way: the run fails with the system's reason, and the existing file
        // keeps every byte, with no temporary file left beside it.
        StreamCase { "FileSizeLimitKeepsTheOldFile",
            R"sh(head -c 100000 /dev/urandom | tee old > out.raw; (ulimit -f 64; "$CLI" convert "$IN" -o out.raw 2> error)
               test $? = 1 && grep -q 'out.raw": writing failed (File too large)' error && cmp old out.raw &&
               test "$(ls)" = "$(printf 'error\nold\nout.raw\nreference.raw')")sh",
            "-", false }),
    [](const testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

} // namespace
