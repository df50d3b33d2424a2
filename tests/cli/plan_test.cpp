// plan's output: its JSON object has exactly the keys budget, total and
// pictures, each picture's row exactly compare's keys, with compare's own
// figures for that format and dither mode (an infinite PSNR null); the table
// shows the same rows, the total, the budget and the headroom. A picture
// that cannot be read and a budget too small end with exit status 1 and
// write no CMake file; on a terminal the measuring shows a progress line.
// (The choice itself is checked against every choice in planchoice_test.cpp,
// the CMake file built in tests/package/cmake_plan.cmake.)

#include "clirunner.h"
#include "knownpictures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList strings(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

struct OutputCase {
    const char* name;
    QStringList pictures; // in tests/data
    QStringList frame;    // frame options, and --formats: compare's too
    QStringList choice;   // the budget and the dither modes: plan's alone
    bool infinite;        // every PSNR is infinite
};

void PrintTo(const OutputCase& row, std::ostream* out)
{
    *out << row.name;
}

class PlanOutputTest : public CliFolderTest, public testing::WithParamInterface<OutputCase> {
protected:
    CliRun run(const QStringList& arguments) const
    {
        const CliRun result = runSuccessfully(arguments);
        EXPECT_TRUE(result.standardError.isEmpty()) << "no progress line off a terminal: "
                                                    << result.standardError.toStdString();
        return result;
    }
};

TEST_P(PlanOutputTest, JsonAndTableHoldComparesRowsAndTheTotals)
{
    const OutputCase& row = GetParam();
    QStringList pictures;
    for (const QString& picture : row.pictures)
        pictures << knownpictures::dataPath(picture);
    const QStringList arguments = QStringList { u"plan"_s } + pictures + row.frame + row.choice;
    const CliRun json = run(arguments + QStringList { u"--json"_s });
    QJsonParseError error;
    const QJsonObject plan = QJsonDocument::fromJson(json.standardOutput, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.standardOutput.toStdString();
    EXPECT_EQ(plan.keys(), strings({ "budget", "pictures", "total" }));
    const QJsonArray rows = plan.value(u"pictures"_s).toArray();
    ASSERT_EQ(rows.size(), pictures.size());

    qint64 total = 0;
    for (qsizetype index = 0; index < rows.size(); ++index) {
        const QJsonObject chosen = rows.at(index).toObject();
        EXPECT_EQ(chosen.keys(), strings({ "banding_psnr", "bytes", "dither", "format", "picture", "psnr" }));
        EXPECT_EQ(chosen.value(u"picture"_s).toString(), pictures.at(index));
        const CliRun compared
            = run(QStringList { u"compare"_s, pictures.at(index), u"--json"_s, u"--dither"_s, u"all"_s } + row.frame);
        bool found = false;
        for (const QJsonValue value : QJsonDocument::fromJson(compared.standardOutput).array()) {
            const QJsonObject option = value.toObject();
            if (option.value(u"format"_s) != chosen.value(u"format"_s) || option.value(u"dither"_s) != chosen.value(u"dither"_s))
                continue;
            found = true;
            for (const QString& key : { u"bytes"_s, u"psnr"_s, u"banding_psnr"_s })
                EXPECT_EQ(chosen.value(key), option.value(key)) << pictures.at(index).toStdString() << " " << key.toStdString();
        }
        EXPECT_TRUE(found) << "compare has no row for " << QJsonDocument(chosen).toJson().toStdString();
        EXPECT_EQ(chosen.value(u"psnr"_s).isNull(), row.infinite);
        EXPECT_EQ(chosen.value(u"banding_psnr"_s).isNull(), row.infinite);
        total += chosen.value(u"bytes"_s).toInteger();
    }
    EXPECT_EQ(plan.value(u"total"_s).toInteger(), total);
    const qint64 budget = plan.value(u"budget"_s).toInteger();
    EXPECT_LE(total, budget);

    // The table: a heading, the same rows, then the total, the budget and the headroom.
    const QStringList lines = QString::fromUtf8(run(arguments).standardOutput).split(u'\n');
    ASSERT_EQ(lines.size(), rows.size() + 7) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.at(0).simplified(), u"picture format dither bytes psnr banding_psnr"_s);
    for (qsizetype index = 0; index < rows.size(); ++index) {
        const QJsonObject chosen = rows.at(index).toObject();
        const QString line = lines.at(index + 1);
        EXPECT_TRUE(line.startsWith(pictures.at(index) + u"  "_s)) << line.toStdString();
        const QString rest = line.mid(pictures.at(index).size()).simplified();
        EXPECT_TRUE(rest.startsWith(chosen.value(u"format"_s).toString() + u' ' + chosen.value(u"dither"_s).toString()
            + u' ' + QString::number(chosen.value(u"bytes"_s).toInteger()) + u' '))
            << line.toStdString();
        // Two decimals in the table, four in the JSON.
        const QString banding = rest.section(u' ', -1);
        if (row.infinite)
            EXPECT_EQ(banding, u"inf"_s) << line.toStdString();
        else
            EXPECT_NEAR(banding.toDouble(), chosen.value(u"banding_psnr"_s).toDouble(), 0.00501) << line.toStdString();
    }
    EXPECT_EQ(lines.at(rows.size() + 1), QString());
    EXPECT_EQ(lines.at(rows.size() + 2).simplified(), u"total %1 bytes"_s.arg(total));
    EXPECT_EQ(lines.at(rows.size() + 3).simplified(), u"budget %1 bytes"_s.arg(budget));
    EXPECT_EQ(lines.at(rows.size() + 4).simplified(), u"headroom %1 bytes"_s.arg(budget - total));
    EXPECT_TRUE(lines.at(rows.size() + 5).startsWith(u"lowest banding_psnr: "_s));
    EXPECT_EQ(lines.at(rows.size() + 6), QString());
}

INSTANTIATE_TEST_SUITE_P(Sets, PlanOutputTest,
    testing::Values(
        OutputCase { "PhotosInEveryColourFormat", strings({ "known.bmp", "photo.jpg", "known.gif" }),
            strings({ "-W", "32", "-H", "24", "--center", "30,20" }), strings({ "--budget", "2.5KiB" }), false },
        OutputCase { "ScaledDownThroughTheBoxFilter", strings({ "photo.jpg", "transparent.gif" }),
            strings({ "-W", "20", "-H", "16", "-s", "2.5", "--filter", "box", "--background", "203040", "--formats",
                "rgb565,rgb444x4,y5x3,mono", "--threshold", "90" }),
            strings({ "--budget", "1200", "--dither-modes", "diffusion,none" }), false },
        OutputCase { "HeldExactly", strings({ "flat.gif", "known.bmp" }),
            strings({ "-W", "40", "-H", "30", "--formats", "rgb888" }),
            strings({ "--budget", "1MiB", "--dither-modes", "ordered" }), true }),
    [](const testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    QStringList arguments; // after "plan"; "cut-photo.jpg" and "known.bmp" are in tests/data
    const char* message;   // a piece of standard error
};

void PrintTo(const FailureCase& row, std::ostream* out)
{
    *out << row.name;
}

class PlanFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(PlanFailureTest, ExitsOneWritingNothing)
{
    QTemporaryDir folder;
    QStringList arguments { u"plan"_s };
    for (const QString& argument : GetParam().arguments)
        arguments << (argument.endsWith(u".jpg"_s) || argument.endsWith(u".bmp"_s) ? knownpictures::dataPath(argument) : argument);
    const CliRun run = runCli(arguments + QStringList { u"--cmake"_s, u"plan.cmake"_s }, folder.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardOutput.isEmpty());
    EXPECT_TRUE(QString::fromUtf8(run.standardError).contains(QString::fromUtf8(GetParam().message)))
        << run.standardError.toStdString();
    EXPECT_TRUE(folderEntries(folder.path()).isEmpty()) << folderEntries(folder.path()).join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Runs, PlanFailureTest,
    testing::Values(FailureCase { "PictureCutShort", strings({ "known.bmp", "cut-photo.jpg", "--budget", "1MiB" }),
                        "cut-photo.jpg\": the file ends inside the picture's data.\nrasterkit-cli: no plan made: 1 of "
                        "2 pictures could not be read.\n" },
        FailureCase { "BudgetTooSmall",
            strings({ "known.bmp", "--budget", "100", "-W", "64", "-H", "48", "--formats", "rgb565", "--dither-modes",
                "none" }),
            "rasterkit-cli: the picture does not fit the budget of 100 bytes: its smallest file takes 6144 bytes, so "
            "6044 bytes are missing.\n" },
        FailureCase { "BudgetOneByteShort",
            strings({ "known.bmp", "small.bmp", "--budget", "12287", "-W", "64", "-H", "48", "--formats", "rgb565",
                "--dither-modes", "none" }),
            "rasterkit-cli: the 2 pictures do not fit the budget of 12287 bytes: their smallest files take 12288 bytes "
            "in all, so 1 byte is missing.\n" }),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// On a terminal the progress line is drawn while the pictures are measured
// and cleared before the table.
TEST(PlanProgress, ShownOnATerminal)
{
    if (QStandardPaths::findExecutable(u"script"_s).isEmpty())
        GTEST_SKIP() << "script (util-linux) runs the program on a terminal";
    QTemporaryDir folder;
    const QString command = u"\"$CLI\" plan \"$DATA/known.bmp\" \"$DATA/photo.jpg\" --budget 4KiB -W 32 -H 24"_s;
    const CliRun run = runCli({}, folder.path(),
        { { u"CLI"_s, QStringLiteral(RASTERKIT_CLI_PATH) }, { u"DATA"_s, QStringLiteral(RASTERKIT_TEST_DATA) } },
        [&](QProcess& process) {
            process.setProgram(u"script"_s);
            process.setArguments({ u"-qec"_s, command, u"/dev/null"_s });
        });
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.standardOutput.toStdString();
    const QByteArray terminal = run.standardOutput;
    EXPECT_TRUE(terminal.startsWith("\r\033[K[....")) << terminal.toStdString();
    EXPECT_TRUE(terminal.contains("] 0/2 pictures")) << terminal.toStdString();
    EXPECT_TRUE(terminal.contains("\r\033[Kpicture ")) << terminal.toStdString();
}

} // namespace
