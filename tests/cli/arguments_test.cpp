// Bad command lines end with exit status 2 and a message that names the
// argument and what it accepts; nothing is written. The option values that
// convert refuses come from tests/data/bad-options.tsv, which the CMake
// package's test passes through rasterkit_add_images() too. --help and
// --version work.

#include "clirunner.h"
#include "knownpictures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct BadArgumentCase {
    const char* name;
    QStringList arguments; // "IN" and "OUT" stand for a good picture and an output path
    const char* namedArgument;
    const char* accepted;  // a piece of the accepted values in the message
};

void PrintTo(const BadArgumentCase& row, std::ostream* out)
{
    *out << row.name;
}

class BadArgumentTest : public testing::TestWithParam<BadArgumentCase> {};

TEST_P(BadArgumentTest, ExitsTwoNamingTheArgument)
{
    const BadArgumentCase& row = GetParam();
    QTemporaryDir folder;
    QStringList arguments;
    for (const QString& argument : row.arguments) {
        if (argument == QLatin1String("IN"))
            arguments << knownpictures::dataPath(QStringLiteral("small.bmp"));
        else if (argument == QLatin1String("OUT"))
            arguments << folder.filePath(QStringLiteral("out.bin"));
        else
            arguments << argument;
    }
    const CliRun run = runCli(arguments, folder.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    const QString message = QString::fromUtf8(run.standardError);
    EXPECT_TRUE(message.contains(QString::fromUtf8(row.namedArgument))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(row.accepted))) << message.toStdString();
    EXPECT_TRUE(run.standardOutput.isEmpty());
    EXPECT_TRUE(folderEntries(folder.path()).isEmpty()) << folderEntries(folder.path()).join(u' ').toStdString();
}

const QString In = QStringLiteral("IN");
const QString Out = QStringLiteral("OUT");

QStringList convertWith(const QStringList& options)
{
    return QStringList { QStringLiteral("convert"), In, QStringLiteral("-o"), Out } + options;
}

QStringList decodeWith(const QStringList& options)
{
    return QStringList { QStringLiteral("decode"), In, QStringLiteral("-o"), Out } + options;
}

QStringList planWith(const QStringList& options)
{
    return QStringList { QStringLiteral("plan"), In, QStringLiteral("--budget"), QStringLiteral("64KiB") } + options;
}

INSTANTIATE_TEST_SUITE_P(CommandLines, BadArgumentTest,
    testing::Values(
        BadArgumentCase { "NoArguments", {}, "no command", "Usage: rasterkit-cli convert INPUT -o OUTPUT" },
        BadArgumentCase { "UnknownCommand", { "transmogrify", In, "-o", Out }, "\"transmogrify\"", "convert" },
        BadArgumentCase { "MissingInput", { "convert", "-o", Out }, "INPUT", "JPEG, PNG, BMP or GIF" },
        BadArgumentCase { "MissingOutput", { "convert", In }, "-o/--output", "OUTPUT" },
        BadArgumentCase { "OutputWithoutValue", { "convert", In, "-o" }, "-o", "--report" },
        BadArgumentCase { "EmptyOutput", { "convert", In, "-o", "" }, "-o/--output", "empty" },
        BadArgumentCase { "OutputIsTheInput", { "convert", In, "-o", In }, "-o/--output", "input picture" },
        BadArgumentCase { "ExtraPositional", { "convert", In, "extra.jpg", "-o", Out }, "\"extra.jpg\"", "one INPUT" },
        BadArgumentCase { "UnknownOption", convertWith({ "--bogus" }), "bogus", "--origin" },
        BadArgumentCase { "UnknownShortOption", convertWith({ "-x" }), "'x'", "-W" },
        BadArgumentCase { "HeightEmpty", convertWith({ "-H", "" }), "-H/--height", "1 to 8192" },
        BadArgumentCase { "EmptyReport", convertWith({ "--report", "" }), "--report", "empty" },
        BadArgumentCase { "ReportIsTheOutput", convertWith({ "--report", Out }), "--report", "output" },
        BadArgumentCase { "ArrayNameDigitFirst", convertWith({ "--c-array", "1logo" }), "\"1logo\"", "C identifier" },
        BadArgumentCase { "ArrayNameDash", convertWith({ "--c-array", "my-logo" }), "--c-array", "C identifier" },
        BadArgumentCase { "ArrayNameKeywordOfC", convertWith({ "--c-array", "int" }), "--c-array", "keyword" },
        BadArgumentCase { "ArrayNameKeywordOfCxx", convertWith({ "--c-array", "class" }), "--c-array", "keyword" },
        BadArgumentCase { "ArrayNameEmpty", convertWith({ "--c-array", "" }), "--c-array", "C identifier" },
        BadArgumentCase { "AttributeWithoutArray", convertWith({ "--c-attribute", "PROGMEM" }), "--c-attribute",
            "--c-array NAME" },
        BadArgumentCase { "AttributeOnTwoLines", convertWith({ "--c-array", "logo", "--c-attribute", "A\nB" }),
            "--c-attribute", "one line" },
        BadArgumentCase { "PreviewIsTheOutput", convertWith({ "--preview", Out }), "--preview", "output" },
        BadArgumentCase { "PreviewEmpty", convertWith({ "--preview", "" }), "--preview", "empty" },
        BadArgumentCase { "PreviewAndOutputBothStandardOutput", { "convert", In, "-o", "-", "--preview", "-" }, "--preview",
            "both write standard output" },
        BadArgumentCase { "BackgroundFiveDigits", convertWith({ "--background", "F0F0F" }), "--background", "RRGGBB" },
        BadArgumentCase { "BackgroundNotHex", convertWith({ "--background", "GGGGGG" }), "--background", "RRGGBB" },
        BadArgumentCase { "BackgroundWithALineBreak", convertWith({ "--background", "FFFFFF\n" }), "--background",
            "RRGGBB" },
        BadArgumentCase { "FilterEmpty", convertWith({ "--filter", "" }), "--filter", "nearest or box" },
        BadArgumentCase { "DitherWithoutValue", convertWith({ "--dither" }), "--dither", "--filter" },
        BadArgumentCase { "CompareWithoutInput", { "compare", "--json" }, "INPUT", "JPEG, PNG, BMP or GIF" },
        BadArgumentCase { "CompareTwoInputs", { "compare", In, "other.jpg" }, "\"other.jpg\"", "one INPUT" },
        BadArgumentCase { "CompareDitherUnknown", { "compare", In, "--dither", "random" }, "\"random\" for --dither",
            "none, ordered, diffusion, atkinson or all" },
        BadArgumentCase { "CompareFilterUnknown", { "compare", In, "--filter", "lanczos" }, "--filter", "nearest or box" },
        BadArgumentCase { "CompareTakesNoFormat", { "compare", In, "-f", "0" }, "'f'", "The options of compare" },
        BadArgumentCase { "CompareTakesNoOutput", { "compare", In, "-o", Out }, "'o'", "--sheet" },
        BadArgumentCase { "CompareSheetIsTheInput", { "compare", In, "--sheet", In }, "--sheet", "input picture" },
        BadArgumentCase { "CompareSheetEmpty", { "compare", In, "--sheet", "" }, "--sheet", "empty" },
        BadArgumentCase { "CompareBadWidth", { "compare", In, "-W", "0" }, "-W/--width", "1 to 8192" },
        BadArgumentCase { "CompareBadBackground", { "compare", In, "--background", "red" }, "--background", "RRGGBB" },
        BadArgumentCase { "DecodeWithoutFormat", decodeWith({ "-W", "2", "-H", "2" }), "-f/--format", "decode needs it" },
        BadArgumentCase { "DecodeWithoutHeight", decodeWith({ "-f", "0", "-W", "2" }), "-H/--height", "decode needs it" },
        BadArgumentCase { "DecodeWithoutRaw", { "decode", "-o", Out, "-f", "0", "-W", "2", "-H", "2" }, "RAW",
            "raw pixel file" },
        BadArgumentCase { "DecodeWithoutOutput", { "decode", In, "-f", "0", "-W", "2", "-H", "2" }, "-o/--output",
            "FILE.png" },
        BadArgumentCase { "DecodeTakesNoScale", decodeWith({ "-f", "0", "-W", "2", "-H", "2", "-s", "2" }), "'s'",
            "--byte-order" },
        BadArgumentCase { "DecodeBadWidth", decodeWith({ "-f", "0", "-W", "0", "-H", "2" }), "-W/--width", "1 to 8192" },
        BadArgumentCase { "PatternWithoutFormat", { "pattern", "-o", Out }, "-f/--format", "pattern needs it" },
        BadArgumentCase { "PatternReadsNoFile", { "pattern", In, "-f", "0", "-o", Out }, "small.bmp", "reads no file" },
        BadArgumentCase { "PatternTakesNoOrigin", { "pattern", "-f", "0", "-o", Out, "--origin", "1,1" }, "origin",
            "The options of pattern" },
        BadArgumentCase { "PlanWithoutInput", { "plan", "--budget", "1KiB" }, "INPUT", "JPEG, PNG, BMP or GIF" },
        BadArgumentCase { "PlanWithoutBudget", { "plan", In }, "--budget SIZE", "(256KiB, 1.5MiB)" },
        BadArgumentCase { "PlanBudgetZero", planWith({ "--budget", "0" }), "--budget 0 is out of range",
            "from 1 byte to 1048576MiB" },
        BadArgumentCase { "PlanBudgetWord", planWith({ "--budget", "lots" }), "bad budget \"lots\" for --budget",
            "a whole number of bytes (65536 or 65536B), or a number followed by KiB or MiB" },
        BadArgumentCase { "PlanBudgetNegative", planWith({ "--budget", "-5" }), "\"-5\" for --budget", "KiB or MiB" },
        BadArgumentCase { "PlanBudgetInKB", planWith({ "--budget", "256KB" }), "\"256KB\" for --budget", "KiB or MiB" },
        BadArgumentCase { "PlanBudgetInLowerCase", planWith({ "--budget", "256kib" }), "\"256kib\"", "KiB or MiB" },
        BadArgumentCase { "PlanBudgetSpaced", planWith({ "--budget", "256 KiB" }), "\"256 KiB\"", "no space" },
        BadArgumentCase { "PlanBudgetFractionOfAByte", planWith({ "--budget", "1.5" }), "\"1.5\"",
            "a whole number of bytes" },
        BadArgumentCase { "PlanBudgetFractionInBytes", planWith({ "--budget", "10.5B" }), "\"10.5B\"",
            "a whole number of bytes" },
        BadArgumentCase { "PlanBudgetWithoutDigits", planWith({ "--budget", ".5MiB" }), "\".5MiB\"", "1.5MiB" },
        BadArgumentCase { "PlanBudgetLineBreak", planWith({ "--budget", "5\n" }), "bad budget", "KiB or MiB" },
        BadArgumentCase { "PlanBudgetUnderAByte", planWith({ "--budget", "0.0009KiB" }),
            "--budget 0.0009KiB is out of range", "from 1 byte" },
        BadArgumentCase { "PlanBudgetOverOneTiB", planWith({ "--budget", "1048577MiB" }), "--budget 1048577MiB",
            "out of range" },
        BadArgumentCase { "PlanBudgetPast64Bits", planWith({ "--budget", "99999999999999999999" }),
            "--budget 99999999999999999999", "out of range" },
        BadArgumentCase { "PlanStandardInput", { "plan", "-", "--budget", "1KiB" }, "standard input",
            "reads each picture by name" },
        BadArgumentCase { "PlanFormatsUnknown", planWith({ "--formats", "rgb565,rgb999" }), "\"rgb999\" in --formats",
            "separated by commas" },
        BadArgumentCase { "PlanBackgroundOfAlpha", planWith({ "--formats", "rgb565,rgb565a8", "--background", "FFFFFF" }),
            "--background does not apply to \"RGB 5:6:5 A8\"", "keeps the alpha" },
        BadArgumentCase { "PlanDitherModesUnknown", planWith({ "--dither-modes", "none,all" }),
            "\"all\" in --dither-modes", "none, ordered, diffusion or atkinson, separated by commas" },
        BadArgumentCase { "PlanDitherModesEmpty", planWith({ "--dither-modes", "" }), "\"\" in --dither-modes",
            "e.g. --dither-modes none,diffusion" },
        BadArgumentCase { "PlanTakesNoFormat", planWith({ "-f", "0" }), "'f'", "The options of plan" },
        BadArgumentCase { "PlanTakesNoDither", planWith({ "--dither", "none" }), "dither", "--dither-modes" },
        BadArgumentCase { "PlanOriginAndCenter", planWith({ "--origin", "0,0", "--center", "1,1" }), "--origin",
            "cannot be used together" },
        BadArgumentCase { "PlanBadBackground", planWith({ "--background", "red" }), "--background", "RRGGBB" },
        BadArgumentCase { "PlanPatternMatchesNothing", { "plan", "absent*.jpg", "--budget", "1KiB" }, "absent*.jpg",
            "no file matches" },
        BadArgumentCase { "PlanCmakeIsTheInput", planWith({ "--cmake", In }), "--cmake", "input picture" },
        BadArgumentCase { "PlanCmakeEmpty", planWith({ "--cmake", "" }), "--cmake FILE is empty", "CMake file" },
        BadArgumentCase { "PlanCmakeHeadersShareAName", { "plan", In, In, "--budget", "1KiB", "--cmake", "plan.cmake" },
            "would both become small.h", "rename one of them" }),
    [](const testing::TestParamInfo<BadArgumentCase>& info) { return std::string(info.param.name); });

// A row of tests/data/bad-options.tsv.
struct BadOptionRow {
    std::string name;
    QStringList options; // each option and its value
    QString message;     // the start of the message, after "rasterkit-cli: "
};

void PrintTo(const BadOptionRow& row, std::ostream* out)
{
    *out << row.name;
}

// Tab-separated fields: the name, the options and values, the message.
std::vector<BadOptionRow> badOptionRows()
{
    std::vector<BadOptionRow> rows;
    std::ifstream table(RASTERKIT_TEST_DATA "/bad-options.tsv");
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line.front() == '#')
            continue;
        const QStringList fields = QString::fromStdString(line).split(QLatin1Char('\t'));
        rows.push_back({ fields.first().toStdString(), fields.mid(1, fields.size() - 2), fields.last() });
    }
    return rows;
}

class BadOptionTest : public testing::TestWithParam<BadOptionRow> {};

// The conversion refuses the value before it reads the picture, and
// --check, which rasterkit_add_images() runs at configure time, refuses it
// with the same message and exit status.
TEST_P(BadOptionTest, ConvertAndCheckRefuseItAlike)
{
    const BadOptionRow& row = GetParam();
    QTemporaryDir folder;
    const QString picture = knownpictures::dataPath(QStringLiteral("small.bmp"));
    const CliRun converted = runCli(
        QStringList { QStringLiteral("convert"), picture, QStringLiteral("-o"), folder.filePath(QStringLiteral("out.bin")) }
            + row.options,
        folder.path());
    const CliRun checked
        = runCli(QStringList { QStringLiteral("convert"), QStringLiteral("--check"), picture } + row.options, folder.path());
    ASSERT_TRUE(converted.finished);
    ASSERT_TRUE(checked.finished);
    EXPECT_EQ(converted.exitCode, 2);
    const QString message = QString::fromUtf8(converted.standardError);
    EXPECT_TRUE(message.startsWith(QStringLiteral("rasterkit-cli: ") + row.message)) << message.toStdString();
    EXPECT_TRUE(converted.standardOutput.isEmpty());
    EXPECT_TRUE(folderEntries(folder.path()).isEmpty()) << folderEntries(folder.path()).join(u' ').toStdString();
    EXPECT_EQ(checked.exitCode, converted.exitCode);
    EXPECT_EQ(checked.standardError.toStdString(), converted.standardError.toStdString());
    EXPECT_TRUE(checked.standardOutput.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(SharedTable, BadOptionTest, testing::ValuesIn(badOptionRows()),
    [](const testing::TestParamInfo<BadOptionRow>& info) { return info.param.name; });

TEST(HelpAndVersion, HelpListsEveryOption)
{
    QTemporaryDir folder;
    for (const QStringList& arguments : { QStringList { QStringLiteral("--help") },
             QStringList { QStringLiteral("-h") }, QStringList { QStringLiteral("convert"), QStringLiteral("--help") } }) {
        const CliRun run = runCli(arguments, folder.path());
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0);
        const QString help = QString::fromUtf8(run.standardOutput);
        EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: rasterkit-cli convert INPUT -o OUTPUT"))) << help.toStdString();
        for (const char* option : { "--output", "--format", "--width", "--height", "--scale", "--origin", "--center",
                 "--report", "--quiet", "--version", "\"RGB 5:4:4x3\"", "y5x3", "--byte-order", "--c-array",
                 "--c-attribute", "--preview", "--background", "Example" })
            EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
        EXPECT_TRUE(run.standardError.isEmpty());
    }
}

// Each command's help: its usage first, its options, which formats the byte
// order leaves alone, and an example of the command.
TEST(HelpAndVersion, EveryCommandsHelpIsComplete)
{
    QTemporaryDir folder;
    const struct {
        const char* command;
        const char* usage;
        QStringList pieces;
    } rows[] = {
        { "convert", "Usage: rasterkit-cli convert INPUT -o OUTPUT",
            { "--c-array NAME", "NAME_WIDTH", "--c-attribute TEXT", "--preview FILE.png", "--background RRGGBB",
                "F0F0F0", "--center X,Y", "--byte-order ORDER", "\"RGB 3:3:2x8\", \"Y 5x3\"",
                "stay unchanged", "  rasterkit-cli convert ", "--check", "rasterkit_add_images()" } },
        { "convert", "Usage: rasterkit-cli convert INPUT -o OUTPUT",
            { "--filter FILTER", "nearest", "box", "linear light", "Default nearest.", "--dither MODE", "ordered",
                "diffusion", "Default none.", "as PNG (dithered," } },
        { "compare", "Usage: rasterkit-cli compare INPUT",
            { "--dither MODE", "all", "--sheet FILE.png", "--json", "banding_psnr", "ratio", "unencoded size",
                "divided by bytes", "10 log10(255^2 / MSE)", "sigma 1.5", "inf in the table, null in the JSON",
                "--filter FILTER", "--center X,Y", "--background RRGGBB", "  rasterkit-cli compare " } },
        { "decode", "Usage: rasterkit-cli decode RAW -f F -W N -H N -o FILE.png",
            { "--byte-order ORDER", "-W, --width N", "Required.", "byte offset", "  rasterkit-cli decode " } },
        { "pattern", "Usage: rasterkit-cli pattern -f F -o RAW",
            { "--byte-order ORDER", "Default 320.", "border", "top-left corner", "  rasterkit-cli pattern " } },
        { "plan", "Usage: rasterkit-cli plan INPUT... --budget SIZE",
            { "--budget SIZE", "KiB", "MiB", "rounded down", "--formats LIST", "i8),", "--dither-modes LIST",
                "--json", "banding_psnr", "null", "keep colour and no alpha", "--cmake FILE", "rasterkit_add_images()", "--filter FILTER",
                "--center X,Y", "--background RRGGBB", "--threshold N", "--byte-order ORDER", "headroom", "nothing is chosen",
                "  rasterkit-cli plan " } },
    };
    for (const auto& row : rows) {
        const CliRun run = runCli({ QString::fromLatin1(row.command), QStringLiteral("--help") }, folder.path());
        ASSERT_EQ(run.exitCode, 0);
        const QString help = QString::fromUtf8(run.standardOutput);
        EXPECT_TRUE(help.startsWith(QString::fromLatin1(row.usage))) << help.toStdString();
        for (const QString& piece : row.pieces)
            EXPECT_TRUE(help.contains(piece)) << row.command << ": " << piece.toStdString();
        const bool sampling = QLatin1String(row.command) == QLatin1String("convert")
            || QLatin1String(row.command) == QLatin1String("compare") || QLatin1String(row.command) == QLatin1String("plan");
        EXPECT_FALSE(help.contains(QStringLiteral("--scale")) && !sampling) << row.command;
    }
}

TEST(HelpAndVersion, VersionNamesTheProgram)
{
    QTemporaryDir folder;
    for (const char* option : { "--version", "-v" }) {
        const CliRun run = runCli({ QString::fromLatin1(option) }, folder.path());
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.standardOutput.toStdString(), "rasterkit-cli 9.0\n");
    }
}

// The format is accepted as its index, its listed name in any case, or its
// short name; all of them give the same bytes as the index.
TEST(FormatSpellings, AllSpellingsGiveTheSameBytes)
{
    QTemporaryDir folder;
    const QString picture = knownpictures::dataPath(QStringLiteral("small.bmp"));
    const struct {
        const char* index;
        const char* spellings[3];
    } rows[] = {
        { "1", { "RGB 5:6:5x8", "rgb565x8", "rgb 5:6:5X8" } },
        { "7", { "Y 5x3", "y5x3", "Y5X3" } },
    };
    for (const auto& row : rows) {
        const QString expectedPath = folder.filePath(QStringLiteral("index.bin"));
        ASSERT_EQ(runCli({ QStringLiteral("convert"), picture, QStringLiteral("-o"), expectedPath, QStringLiteral("-f"),
                             QString::fromLatin1(row.index), QStringLiteral("-q") },
                      folder.path())
                      .exitCode,
            0);
        const auto expected = readBytes(expectedPath);
        ASSERT_FALSE(expected.empty());
        for (const char* spelling : row.spellings) {
            const QString outPath = folder.filePath(QStringLiteral("spelled.bin"));
            const CliRun run = runCli({ QStringLiteral("convert"), picture, QStringLiteral("-o"), outPath,
                                          QStringLiteral("--format=") + QString::fromLatin1(spelling), QStringLiteral("-q") },
                folder.path());
            EXPECT_EQ(run.exitCode, 0) << spelling << ": " << run.standardError.toStdString();
            EXPECT_EQ(readBytes(outPath), expected) << spelling;
        }
    }
}

} // namespace
