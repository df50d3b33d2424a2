// plan's choice, in one process: on a table of budgets (impossible, the
// smallest files exactly, tight, loose, beyond every file) over a few small
// pictures, the choice plan prints fits the budget, and trying every choice
// finds none with a higher lowest banding PSNR, nor one with the same lowest
// figure and fewer bytes; a budget under the smallest files is refused with
// the bytes missing. The pictures are measured on several threads, which the
// thread sanitizer's build checks. And the budgets --budget accepts.

#include "planCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace {

using namespace rasterkit;
using namespace rasterkit::cli;

QString dataPath(const char* name)
{
    return QStringLiteral(RASTERKIT_TEST_DATA "/") + QString::fromLatin1(name);
}

// The best any choice achieves, found by trying every one: the highest
// lowest banding PSNR among the choices that fit, and the fewest bytes
// among those that reach it.
struct BestChoice {
    bool fits = false;
    double lowestBandingPsnr = -std::numeric_limits<double>::infinity();
    std::int64_t total = 0;
};

void tryEveryChoice(std::span<const std::vector<CompareRow>> options, std::int64_t budget, std::size_t picture,
    double lowest, std::int64_t total, BestChoice& best)
{
    if (total > budget)
        return; // sizes are positive: adding pictures cannot bring it back
    if (picture == options.size()) {
        if (!best.fits || lowest > best.lowestBandingPsnr || (lowest == best.lowestBandingPsnr && total < best.total))
            best = { true, lowest, total };
        return;
    }
    for (const CompareRow& option : options[picture]) {
        tryEveryChoice(options, budget, picture + 1, std::min(lowest, option.bandingPsnr), total + option.bytes, best);
    }
}

struct PlanCase {
    const char* name;
    std::vector<const char*> pictures;
    std::vector<const char*> options; // frame options, --formats, --dither-modes
    double share;                     // the budget: the smallest files, and this share of the way to the largest
    std::int64_t extra;               // bytes added to the budget
};

void PrintTo(const PlanCase& row, std::ostream* out)
{
    *out << row.name;
}

class PlanChoiceTest : public testing::TestWithParam<PlanCase> {};

TEST_P(PlanChoiceTest, NoChoiceIsBetterThanThePlan)
{
    const PlanCase& row = GetParam();
    // The options as plan measures them, through its parser with a budget
    // for now.
    QStringList arguments { QStringLiteral("rasterkit-cli"), QStringLiteral("plan") };
    for (const char* picture : row.pictures)
        arguments << dataPath(picture);
    for (const char* option : row.options)
        arguments << QString::fromUtf8(option);
    const auto parsed = parsePlan(arguments + QStringList { QStringLiteral("--budget"), QStringLiteral("1") });
    ASSERT_TRUE(std::holds_alternative<PlanOptions>(parsed)) << std::get<Reply>(parsed).text.toStdString();
    const PlanOptions measuring = std::get<PlanOptions>(parsed);
    std::vector<std::vector<CompareRow>> options;
    std::int64_t smallest = 0;
    std::int64_t largest = 0;
    for (const QString& picture : measuring.inputPaths) {
        auto measured = measurePicture(picture, measuring.request, measuring.formats, measuring.dithers);
        ASSERT_TRUE(std::holds_alternative<std::vector<CompareRow>>(measured)) << picture.toStdString();
        const auto& rows = std::get<std::vector<CompareRow>>(measured);
        const auto [least, most] = std::minmax_element(rows.begin(), rows.end(),
            [](const CompareRow& a, const CompareRow& b) { return a.bytes < b.bytes; });
        smallest += least->bytes;
        largest += most->bytes;
        options.push_back(rows);
    }
    const std::int64_t budget = smallest + std::int64_t(std::floor(row.share * double(largest - smallest))) + row.extra;
    ASSERT_GT(budget, 0);

    const auto planned = parsePlan(arguments
        + QStringList { QStringLiteral("--budget"), QString::number(budget), QStringLiteral("--json") });
    ASSERT_TRUE(std::holds_alternative<PlanOptions>(planned));
    const RunOutcome outcome = runPlan(std::get<PlanOptions>(planned));
    BestChoice best;
    tryEveryChoice(options, budget, 0, std::numeric_limits<double>::infinity(), 0, best);

    if (!best.fits) {
        EXPECT_EQ(outcome.exitCode, ExitFileError);
        EXPECT_TRUE(outcome.printed.empty());
        const std::int64_t missingBytes = smallest - budget;
        const QString missing = missingBytes == 1 ? QStringLiteral("so 1 byte is missing.")
                                            : QStringLiteral("so %1 bytes are missing.").arg(missingBytes);
        EXPECT_TRUE(outcome.error.contains(missing)) << outcome.error.toStdString() << "\nexpected: " << missing.toStdString();
        return;
    }
    ASSERT_EQ(outcome.exitCode, ExitSuccess) << outcome.error.toStdString();
    const QJsonObject plan = QJsonDocument::fromJson(QByteArray::fromStdString(outcome.printed)).object();
    const QJsonArray pictures = plan.value(QStringLiteral("pictures")).toArray();
    ASSERT_EQ(pictures.size(), qsizetype(options.size())) << outcome.printed;
    EXPECT_EQ(plan.value(QStringLiteral("budget")).toInteger(), budget);

    // Each row is one of its picture's options, with its figures.
    std::int64_t total = 0;
    double lowest = std::numeric_limits<double>::infinity();
    for (qsizetype index = 0; index < pictures.size(); ++index) {
        const QJsonObject chosen = pictures.at(index).toObject();
        EXPECT_EQ(chosen.value(QStringLiteral("picture")).toString(), measuring.inputPaths.at(index));
        const auto& rows = options[std::size_t(index)];
        const auto option = std::find_if(rows.begin(), rows.end(), [&](const CompareRow& candidate) {
            return chosen.value(QStringLiteral("format")).toString().toStdString() == formatInfo(candidate.format).name
                && chosen.value(QStringLiteral("dither")).toString().toStdString() == ditherName(candidate.dither);
        });
        ASSERT_NE(option, rows.end()) << outcome.printed;
        EXPECT_EQ(chosen.value(QStringLiteral("bytes")).toInteger(), option->bytes);
        const QJsonValue banding = chosen.value(QStringLiteral("banding_psnr"));
        if (std::isinf(option->bandingPsnr))
            EXPECT_TRUE(banding.isNull());
        else
            EXPECT_NEAR(banding.toDouble(), option->bandingPsnr, 0.00005);
        total += option->bytes;
        lowest = std::min(lowest, option->bandingPsnr);
    }
    EXPECT_EQ(plan.value(QStringLiteral("total")).toInteger(), total);
    EXPECT_LE(total, budget);
    EXPECT_EQ(lowest, best.lowestBandingPsnr);
    EXPECT_EQ(total, best.total);
}

// known.bmp's bands and noise, known.gif's 16 colours and a photo, scaled
// down through the box filter; and a flat picture, whose colour some
// formats hold exactly (an infinite figure), beside a frame that runs off
// small.bmp and a picture with transparent squares, in a few formats and
// modes.
const std::vector<const char*> Photos { "known.bmp", "known.gif", "photo.jpg" };
const std::vector<const char*> PhotoFrame { "-W", "24", "-H", "18", "-s", "2", "--filter", "box" };
const std::vector<const char*> Flat { "flat.gif", "small.bmp", "transparent.gif" };
const std::vector<const char*> FlatFrame { "-W", "16", "-H", "12", "--origin", "-2,-1", "--formats",
    "rgb888,rgb565x8,rgb332,rgb444x4", "--dither-modes", "none,atkinson" };

INSTANTIATE_TEST_SUITE_P(Budgets, PlanChoiceTest,
    testing::Values(PlanCase { "OneByteShortOfTheSmallest", Photos, PhotoFrame, 0.0, -1 },
        PlanCase { "TheSmallestExactly", Photos, PhotoFrame, 0.0, 0 },
        PlanCase { "Tight", Photos, PhotoFrame, 0.03, 0 },
        PlanCase { "Halfway", Photos, PhotoFrame, 0.5, 0 },
        PlanCase { "OneByteShortOfTheLargest", Photos, PhotoFrame, 1.0, -1 },
        PlanCase { "Loose", Photos, PhotoFrame, 1.0, 100000 },
        PlanCase { "FlatFarShort", Flat, FlatFrame, 0.0, -100 },
        PlanCase { "FlatTight", Flat, FlatFrame, 0.1, 0 },
        PlanCase { "FlatHalfway", Flat, FlatFrame, 0.5, 0 },
        PlanCase { "FlatLoose", Flat, FlatFrame, 1.0, 0 }),
    [](const testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

struct BudgetCase {
    const char* name;
    const char* text;
    std::int64_t bytes;
};

void PrintTo(const BudgetCase& row, std::ostream* out)
{
    *out << row.name;
}

class BudgetTest : public testing::TestWithParam<BudgetCase> {};

TEST_P(BudgetTest, ReadsAsItsWholeBytes)
{
    const auto budget = parseBudget(QString::fromLatin1(GetParam().text));
    ASSERT_TRUE(std::holds_alternative<std::int64_t>(budget)) << std::get<QString>(budget).toStdString();
    EXPECT_EQ(std::get<std::int64_t>(budget), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Spellings, BudgetTest,
    testing::Values(BudgetCase { "Bytes", "65536", 65536 }, BudgetCase { "BytesWithB", "65536B", 65536 },
        BudgetCase { "OneByte", "1", 1 }, BudgetCase { "LeadingZeros", "000000000000000000000012", 12 },
        BudgetCase { "KiB", "256KiB", 262144 }, BudgetCase { "MiB", "1MiB", 1048576 },
        BudgetCase { "HalfMiB", "1.5MiB", 1572864 }, BudgetCase { "FractionRoundedDown", "0.1KiB", 102 },
        BudgetCase { "OneByteAsAFraction", "0.0009765625KiB", 1 },
        BudgetCase { "JustUnderTwoBytes", "0.00195312499999999999999999KiB", 1 },
        BudgetCase { "ManyDigits", "2.00000000000000000000000000001MiB", 2097152 },
        BudgetCase { "Largest", "1048576MiB", MaximumBudget }, BudgetCase { "LargestInBytes", "1099511627776", MaximumBudget }),
    [](const testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

} // namespace
