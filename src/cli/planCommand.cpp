#include "planCommand.h"

#include "batch.h"
#include "convertCommand.h"

#include "convert/boxfilter.h"
#include "output/cheader.h"
#include "platform/picturefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>

#include <unistd.h>

namespace rasterkit::cli {

namespace {

const QString Budget = QStringLiteral("budget");
const QString Formats = QStringLiteral("formats");
const QString DitherModes = QStringLiteral("dither-modes");
const QString Json = QStringLiteral("json");
const QString Cmake = QStringLiteral("cmake");

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;


QString byteCount(std::int64_t bytes)
{
    return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

// "1 byte is", "2 bytes are".
QString missingBytes(std::int64_t bytes)
{
    return bytes == 1 ? QStringLiteral("1 byte is") : QStringLiteral("%1 bytes are").arg(bytes);
}

QString pictureCount(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(count);
}

// The formats plan chooses among unless --formats names others: those whose
// levels are colours, the formats --colour-order applies to, less those that
// keep alpha (they draw over a background plan knows nothing of, and an
// opaque picture only costs them more bytes). New rows of the format table
// join them by themselves.
std::vector<PixelFormat> colourFormats()
{
    std::vector<PixelFormat> formats;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (!info.grey() && !info.keepsAlpha())
            formats.push_back(info.format);
    }
    return formats;
}

QString colourFormatNames()
{
    QStringList names;
    for (const PixelFormat format : colourFormats())
        names << shortNameOf(format);
    return spokenList(names);
}

QString ditherListExample()
{
    return QStringLiteral("%1,%2").arg(fromView(ditherName(Dither::None)), fromView(ditherName(Dither::Diffusion)));
}

// --dither-modes LIST: dither modes as --dither takes them, separated by
// commas, each once.
QString readDitherList(const QString& text, std::vector<Dither>& dithers)
{
    dithers.clear();
    for (const QString& item : text.split(QLatin1Char(','))) {
        const auto dither = ditherOfName(item.trimmed());
        if (!dither) {
            return QStringLiteral("unknown dither mode \"%1\" in --dither-modes: expected %2, separated by commas, "
                                  "e.g. --dither-modes %3.")
                .arg(item, ditherNames(), ditherListExample());
        }
        if (std::find(dithers.begin(), dithers.end(), *dither) == dithers.end())
            dithers.push_back(*dither);
    }
    return {};
}

const QString BudgetForms = QStringLiteral(
    "expected a size greater than 0: a whole number of bytes (65536 or 65536B), or a number followed by KiB or MiB "
    "(256KiB, 1.5MiB), with no space between");

QString budgetOutOfRange(const QString& text)
{
    return QStringLiteral("--budget %1 is out of range: expected from 1 byte to %2MiB.").arg(text).arg(MaximumBudget / MiB);
}

// A CMake quoted argument of text that holds no ';' and no control character.
std::string cmakeQuoted(const QString& text)
{
    std::string quoted = "\"";
    for (const char character : text.toStdString()) {
        if (character == '\\' || character == '"' || character == '$')
            quoted += '\\';
        quoted += character;
    }
    return quoted + '"';
}

// Why a picture cannot be named in the CMake file: a ';' would split the
// list of pictures, a line break the file.
QString cmakeNameProblem(const QString& path)
{
    if (path.contains(QLatin1Char(';')))
        return QStringLiteral("\"%1\" holds a ';', which CMake takes for a list's separator").arg(path);
    for (const QChar character : path) {
        if (character.category() == QChar::Other_Control)
            return QStringLiteral("\"%1\" holds a line break or another control character").arg(path);
    }
    return {};
}

// The shortest decimal text that reads back as the same scale, without an
// exponent, as -s and SCALE take it.
std::string scaleText(double scale)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, scale, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

// The picture's array and header name, as rasterkit_add_images() gives it.
QString arrayNameOf(const QString& path)
{
    return QString::fromStdString(pictureArrayName(QFile::encodeName(QFileInfo(path).fileName()).toStdString()));
}

// Why --cmake's file cannot name the pictures: a name CMake cannot hold, or
// two pictures whose headers would share a name (the calls' libraries put
// their folders on one include path).
QString cmakeProblem(const QStringList& paths)
{
    QHash<QString, QString> pictureByName;
    for (const QString& path : paths) {
        if (const QString problem = cmakeNameProblem(path); !problem.isEmpty())
            return QStringLiteral("%1: it cannot be named in --cmake's file; rename it.").arg(problem);
        const QString name = arrayNameOf(path);
        if (const auto other = pictureByName.constFind(name); other != pictureByName.cend()) {
            return QStringLiteral("\"%1\" and \"%2\" would both become %3.h in --cmake's file: rename one of them.")
                .arg(other.value(), path, name);
        }
        pictureByName.insert(name, path);
    }
    return {};
}

} // namespace

const CommandSpec& planCommand()
{
    static const CommandSpec definition {
        QStringLiteral("plan"),
        QStringLiteral("plan INPUT... --budget SIZE [options]"),
        QStringLiteral("Choose a format and dither mode for each picture so that all fit a byte budget."),
        QStringLiteral(
            "Measures each picture INPUT (JPEG, PNG, BMP, GIF; a folder stands for the pictures in it, a quoted "
            "wildcard pattern for the files it matches) as compare does, sampling its frame once and converting "
            "it to every format with every dither mode asked for, on every processor core, with a progress line "
            "on a terminal. It then chooses one format and dither mode for each picture so that the files add up "
            "to at most the budget and the lowest banding PSNR among the pictures is as high as it can be; of the "
            "choices that reach it, the one with the fewest bytes. The choice is exact, not an estimate: for a "
            "figure T each picture's smallest file whose banding PSNR reaches T is taken, and T is the highest "
            "figure among the measured ones for which those files fit. Prints a row for each picture (picture, "
            "format, dither, bytes, psnr and banding_psnr, as compare gives them), then the total, the budget and "
            "the headroom left, or a JSON object with --json. By default the formats are those that keep colour "
            "and no alpha (%1), each in every dither mode. When even the smallest file of every picture is over the budget, "
            "nothing is chosen and the exit status is 1, naming the bytes missing. --byte-order changes no size: "
            "it is passed on to --cmake's calls alone.")
            .arg(colourFormatNames()),
        {
            { { Budget }, QStringLiteral("SIZE"),
                QStringLiteral("Required. The bytes the pictures may take in all: a whole number of bytes (65536 "
                               "or 65536B), or a number followed by KiB (1024 bytes) or MiB (1048576 bytes), with "
                               "no space between, such as 256KiB or 1.5MiB; a fraction is rounded down to whole "
                               "bytes. From 1 byte to %1MiB.")
                    .arg(MaximumBudget / MiB) },
            { { Formats }, QStringLiteral("LIST"),
                QStringLiteral("The formats to choose among, as -f takes them, separated by commas (%1). Default: "
                               "the formats that keep colour and no alpha. --background is refused with a "
                               "format that keeps alpha.")
                    .arg(formatListExample()) },
            { { DitherModes }, QStringLiteral("LIST"),
                QStringLiteral("The dither modes to choose among, as convert's --dither takes them, separated by "
                               "commas (%1). Default: all of them.")
                    .arg(ditherListExample()) },
            { { Json }, {},
                QStringLiteral("Print a JSON object instead of the table: budget and total (bytes), and pictures, "
                               "one object a picture in the order given with the keys picture, format, dither, "
                               "bytes, psnr and banding_psnr, as compare's; an infinite PSNR is null.") },
            { { Cmake }, QStringLiteral("FILE"),
                QStringLiteral("Also write a CMake file that builds exactly this choice: one rasterkit_add_images() "
                               "call for each format and dither mode chosen, with the frame options given here, "
                               "naming the pictures relative to FILE's folder; include() it after "
                               "find_package(Rasterkit) and link the interface library named after FILE "
                               "(plan.cmake: plan), which links every call's. Each call's library is that name, the "
                               "format's short name and the dither mode (plan_%1_%2). - writes standard output, "
                               "naming the pictures by absolute paths (the table then goes to standard error).")
                    .arg(shortNameOf(PixelFormat::RGB565), fromView(ditherName(Dither::Diffusion))) },
            framesMeasureOptions()[0],
            framesMeasureOptions()[1],
        },
        { FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::Scale, FrameOptionId::Origin,
            FrameOptionId::Center, FrameOptionId::Filter, FrameOptionId::Background, FrameOptionId::Threshold,
            FrameOptionId::ByteOrder },
        {},
        QStringLiteral("rasterkit-cli plan photos/ --budget 256KiB -W 176 -H 132 -s 2 --filter box\n"
                       "rasterkit-cli plan logo.png 'icons/*.gif' --budget 40000 -W 64 -H 64 \\\n"
                       "    --formats %1,%2 --dither-modes %3 --cmake pictures.cmake")
            .arg(shortNameOf(PixelFormat::RGB565), shortNameOf(PixelFormat::RGB332), ditherListExample()),
    };
    return definition;
}

std::variant<std::int64_t, QString> parseBudget(const QString& text)
{
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("([0-9]+)(?:\\.([0-9]+))?(B|KiB|MiB)?")));
    const QRegularExpressionMatch match = form.match(text);
    const QString fraction = match.captured(2);
    const QString unitText = match.captured(3);
    // A fraction of a byte is no size.
    if (!match.hasMatch() || (!fraction.isEmpty() && (unitText.isEmpty() || unitText == QLatin1String("B"))))
        return QStringLiteral("bad budget \"%1\" for --budget: %2.").arg(text, BudgetForms);
    const std::int64_t unit = unitText == QLatin1String("MiB") ? MiB : unitText == QLatin1String("KiB") ? KiB : 1;

    QString whole = match.captured(1);
    while (whole.size() > 1 && whole.front() == u'0')
        whole.remove(0, 1);
    bool wholeRead = false;
    const qulonglong units = whole.size() <= 18 ? whole.toULongLong(&wholeRead) : 0;
    if (!wholeRead || units > qulonglong(MaximumBudget / unit))
        return budgetOutOfRange(text);
    std::int64_t bytes = std::int64_t(units) * unit;
    // The fraction's whole bytes, exactly, however many its digits: the
    // product of its digits d1 d2 ... dn and the unit, worked out from the
    // last digit as on paper, is carry x 10^n + n digits, so the carry left
    // is floor(0.d1...dn x unit).
    std::int64_t carry = 0;
    for (qsizetype index = fraction.size() - 1; index >= 0; --index)
        carry = ((fraction.at(index).unicode() - u'0') * unit + carry) / 10;
    bytes += carry;
    if (bytes < 1 || bytes > MaximumBudget)
        return budgetOutOfRange(text);
    return bytes;
}

std::variant<PlanOptions, Reply> parsePlan(const QStringList& arguments)
{
    CommandLine line(planCommand());
    if (auto reply = line.parse(arguments))
        return *reply;

    const QStringList operands = line.operands();
    if (operands.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: name the pictures to plan for (JPEG, PNG, BMP or GIF)."));
    for (const QString& operand : operands) {
        if (operand.isEmpty())
            return line.failure(QStringLiteral("missing INPUT: a picture's name is empty."));
        if (operand == StandardStream) {
            return line.failure(QStringLiteral("standard input (\"-\") cannot be an INPUT of plan: it reads each "
                                               "picture by name."));
        }
    }

    PlanOptions options;
    if (!line.isSet(Budget))
        return line.failure(QStringLiteral("missing --budget SIZE: %1.").arg(BudgetForms));
    const auto budget = parseBudget(line.value(Budget));
    if (const QString* problem = std::get_if<QString>(&budget))
        return line.failure(*problem);
    options.budget = std::get<std::int64_t>(budget);

    options.formats = colourFormats();
    if (line.isSet(Formats)) {
        if (const QString problem = readFormatList(line.value(Formats), QStringLiteral("--formats"), options.formats);
            !problem.isEmpty())
            return line.failure(problem);
    }
    options.dithers.assign(AllDithers.begin(), AllDithers.end());
    if (line.isSet(DitherModes)) {
        if (const QString problem = readDitherList(line.value(DitherModes), options.dithers); !problem.isEmpty())
            return line.failure(problem);
    }
    if (auto reply = line.readFrame(options.request))
        return *reply;
    options.byteOrderGiven = line.isSet(QStringLiteral("byte-order"));
    options.backgroundGiven = line.isSet(QStringLiteral("background"));
    for (const PixelFormat format : options.formats) {
        FrameRequest request = options.request;
        request.format = format;
        if (const QString problem = transparencyOptionProblem(request, options.backgroundGiven); !problem.isEmpty())
            return line.failure(problem);
    }
    options.json = line.isSet(Json);
    if (auto reply = line.readPath(Cmake, "CMake file", false, options.cmakePath))
        return *reply;
    if (auto reply = readFramesMeasure(line, options.measure))
        return *reply;
    if (options.measure.frames && !options.cmakePath.isEmpty()) {
        return line.failure(QStringLiteral("--cmake does not apply with --frames: rasterkit_add_images() converts "
                                           "still pictures; convert the animations with convert --frames."));
    }

    const InputList inputs = expandInputs(operands);
    if (!inputs.ok()) {
        if (inputs.fileError)
            return Reply { ExitFileError, QStringLiteral("rasterkit-cli: %1\n").arg(inputs.error) };
        return line.failure(inputs.error);
    }
    options.inputPaths = inputs.paths;
    if (!options.cmakePath.isEmpty()) {
        for (const QString& input : options.inputPaths) {
            if (sameFile(input, options.cmakePath)) {
                return line.failure(QStringLiteral("--cmake \"%1\" names the input picture \"%2\": choose another "
                                                   "CMake file.")
                                        .arg(options.cmakePath, input));
            }
        }
        if (const QString problem = cmakeProblem(options.inputPaths); !problem.isEmpty())
            return line.failure(problem);
    }
    return options;
}

// Why the choice is exact. Write a choice's floor for the lowest banding
// PSNR among its options, and cost(T) for the bytes of the choice that takes
// for each picture its smallest option whose banding PSNR reaches T (none
// when a picture has no such option).
// 1. A choice whose floor is T costs at least cost(T): each of its options
//    reaches T, so each is at least as large as the smallest that does.
//    Hence some choice of floor T or more fits exactly when cost(T) is at
//    most the budget, and then cost(T)'s own choice is one, with the fewest
//    bytes.
// 2. cost grows with T (a higher T leaves each picture fewer options), so
//    the figures T that fit are all those up to the highest one, T*.
// 3. A floor is always one option's own figure, so the best floor is the
//    highest measured figure T* with cost(T*) within the budget, found by a
//    binary search over the sorted figures. The lowest figure of all lets
//    every option in, so it fits whenever the smallest options do.
// 4. The choice of cost(T*) has the floor T* exactly (its floor is a figure
//    that fits and at least T*), and by 1 no choice with that floor has fewer
//    bytes. Among a picture's options of equal size that reach T*, the one
//    with the higher banding PSNR, then PSNR, is taken: the floor and the
//    total stay the same.
PlanChoice choosePlan(std::span<const std::vector<CompareRow>> options, std::int64_t budget)
{
    PlanChoice choice;
    // The better of two options of one picture that both reach the floor.
    const auto better = [](const CompareRow& candidate, const CompareRow& best) {
        if (candidate.bytes != best.bytes)
            return candidate.bytes < best.bytes;
        if (candidate.bandingPsnr != best.bandingPsnr)
            return candidate.bandingPsnr > best.bandingPsnr;
        return candidate.psnr > best.psnr;
    };
    // Each picture's best option whose banding PSNR reaches floor, or
    // nothing when one has none; and their bytes.
    const auto chooseAt = [&](double floor, std::vector<std::size_t>& chosen) -> std::optional<std::int64_t> {
        chosen.assign(options.size(), 0);
        std::int64_t total = 0;
        for (std::size_t picture = 0; picture < options.size(); ++picture) {
            const std::vector<CompareRow>& rows = options[picture];
            std::optional<std::size_t> best;
            for (std::size_t index = 0; index < rows.size(); ++index) {
                if (rows[index].bandingPsnr >= floor && (!best || better(rows[index], rows[*best])))
                    best = index;
            }
            if (!best)
                return std::nullopt;
            chosen[picture] = *best;
            total += rows[*best].bytes;
        }
        return total;
    };

    std::vector<double> figures;
    for (const std::vector<CompareRow>& rows : options) {
        for (const CompareRow& row : rows)
            figures.push_back(row.bandingPsnr);
    }
    std::sort(figures.begin(), figures.end());
    figures.erase(std::unique(figures.begin(), figures.end()), figures.end());

    std::vector<std::size_t> chosen;
    const std::optional<std::int64_t> smallest
        = figures.empty() ? std::nullopt : chooseAt(-std::numeric_limits<double>::infinity(), chosen);
    if (!smallest || *smallest > budget) {
        choice.total = smallest.value_or(0);
        return choice;
    }
    // figures[low] fits; figures[high] and above do not (high past the end: none known not to).
    std::size_t low = 0;
    std::size_t high = figures.size();
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        const std::optional<std::int64_t> total = chooseAt(figures[middle], chosen);
        if (total && *total <= budget)
            low = middle;
        else
            high = middle;
    }
    choice.total = *chooseAt(figures[low], choice.chosen);
    choice.lowestBandingPsnr = std::numeric_limits<double>::infinity();
    for (std::size_t picture = 0; picture < options.size(); ++picture)
        choice.lowestBandingPsnr = std::min(choice.lowestBandingPsnr, options[picture][choice.chosen[picture]].bandingPsnr);
    return choice;
}

std::string planTable(const QStringList& pictures, std::span<const CompareRow> rows, std::int64_t budget)
{
    // Text columns to the left, numbers to the right.
    constexpr std::size_t ColumnCount = 6;
    constexpr std::array<bool, ColumnCount> rightAligned { false, false, false, true, true, true };
    std::vector<std::array<std::string, ColumnCount>> cells {
        { "picture", "format", "dither", "bytes", "psnr", "banding_psnr" } };
    std::int64_t total = 0;
    double lowest = std::numeric_limits<double>::infinity();
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const CompareRow& row = rows[index];
        cells.push_back({ pictures.at(qsizetype(index)).toStdString(), std::string(formatInfo(row.format).name),
            std::string(ditherName(row.dither)), std::to_string(row.bytes), decibels(row.psnr),
            decibels(row.bandingPsnr) });
        total += row.bytes;
        lowest = std::min(lowest, row.bandingPsnr);
    }
    // Characters, not bytes: a picture's name may hold any.
    const auto widthOf = [](const std::string& text) { return std::size_t(QString::fromStdString(text).size()); };
    std::array<std::size_t, ColumnCount> widths {};
    for (const auto& line : cells) {
        for (std::size_t column = 0; column < ColumnCount; ++column)
            widths[column] = std::max(widths[column], widthOf(line[column]));
    }
    std::string text;
    for (const auto& line : cells) {
        std::string joined;
        for (std::size_t column = 0; column < ColumnCount; ++column) {
            const std::string spaces(widths[column] - widthOf(line[column]), ' ');
            joined += (column > 0 ? "  " : "") + (rightAligned[column] ? spaces + line[column] : line[column] + spaces);
        }
        while (!joined.empty() && joined.back() == ' ')
            joined.pop_back();
        text += joined + '\n';
    }
    const std::string totalText = std::to_string(total);
    const std::string budgetText = std::to_string(budget);
    const std::string headroomText = std::to_string(budget - total);
    const std::size_t numberWidth = std::max({ totalText.size(), budgetText.size(), headroomText.size() });
    const auto summary = [&](const char* label, const std::string& number) {
        return std::string(label) + std::string(numberWidth - number.size() + 2, ' ') + number + " bytes\n";
    };
    return text + '\n' + summary("total   ", totalText) + summary("budget  ", budgetText)
        + summary("headroom", headroomText) + "lowest banding_psnr: " + decibels(lowest) + '\n';
}

std::string planJson(const QStringList& pictures, std::span<const CompareRow> rows, std::int64_t budget)
{
    std::int64_t total = 0;
    for (const CompareRow& row : rows)
        total += row.bytes;
    std::string text = "{\n  \"budget\": " + std::to_string(budget) + ",\n  \"total\": " + std::to_string(total)
        + ",\n  \"pictures\": [";
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const CompareRow& row = rows[index];
        text += index == 0 ? "\n" : ",\n";
        text += "    {\"picture\": " + jsonString(pictures.at(qsizetype(index)).toStdString())
            + ", \"format\": " + jsonString(formatInfo(row.format).name)
            + ", \"dither\": " + jsonString(ditherName(row.dither)) + ", \"bytes\": " + std::to_string(row.bytes)
            + ", \"psnr\": " + jsonDecibels(row.psnr) + ", \"banding_psnr\": " + jsonDecibels(row.bandingPsnr) + "}";
    }
    return text + (rows.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string planCmake(const PlanOptions& options, std::span<const CompareRow> rows)
{
    const bool toStandardOutput = namesStandardOutput(options.cmakePath);
    const QString stem = toStandardOutput ? QStringLiteral("plan") : QFileInfo(options.cmakePath).completeBaseName();
    const std::string library = cIdentifierFrom(stem.isEmpty() ? std::string("plan") : stem.toStdString());
    const QDir folder = QFileInfo(options.cmakePath).absoluteDir();
    // Relative to the file's folder, so that the project can move as a
    // whole; absolute for standard output, and for a picture whose path
    // shares no folder with the file's but the root.
    const auto pictureText = [&](const QString& path) {
        const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        const auto topFolder = [](const QString& text) { return text.section(QLatin1Char('/'), 1, 1); };
        if (toStandardOutput || topFolder(absolute) != topFolder(folder.absolutePath()))
            return cmakeQuoted(absolute);
        return "\"${CMAKE_CURRENT_LIST_DIR}/" + cmakeQuoted(folder.relativeFilePath(absolute)).substr(1);
    };

    const FrameRequest& request = options.request;
    const FrameSettings& frame = request.frame;
    std::int64_t total = 0;
    for (const CompareRow& row : rows)
        total += row.bytes;
    std::string text = "# Made by rasterkit-cli plan: " + pictureCount(rows.size()).toStdString() + " in "
        + std::to_string(total) + " of " + std::to_string(options.budget) + " bytes.\n"
        + "# include() it after find_package(Rasterkit) and link " + library
        + ", which makes every picture's\n# C header as the plan chose.\n"
        + "if(NOT COMMAND rasterkit_add_images)\n    find_package(Rasterkit REQUIRED)\nendif()\n";

    // One call for each format and dither mode chosen, in the order the
    // options were measured in.
    std::vector<std::string> targets;
    for (const PixelFormat format : options.formats) {
        for (const Dither dither : options.dithers) {
            std::string images;
            for (std::size_t index = 0; index < rows.size(); ++index) {
                if (rows[index].format != format || rows[index].dither != dither)
                    continue;
                images += "\n        " + pictureText(options.inputPaths.at(qsizetype(index))) + " # "
                    + std::to_string(rows[index].bytes) + " bytes";
            }
            if (images.empty())
                continue;
            const PixelFormatInfo& info = formatInfo(format);
            const std::string target
                = cIdentifierFrom(library + '_' + std::string(info.shortName) + '_' + std::string(ditherName(dither)));
            targets.push_back(target);
            text += "\nrasterkit_add_images(" + target + " FORMAT " + std::string(info.shortName) + " DITHER "
                + std::string(ditherName(dither)) + "\n    WIDTH " + std::to_string(frame.targetWidth) + " HEIGHT "
                + std::to_string(frame.targetHeight) + " SCALE " + scaleText(frame.sampleStep) + " ORIGIN "
                + std::to_string(frame.frameLeft) + ',' + std::to_string(frame.frameTop) + " FILTER "
                + std::string(sampleFilterName(request.filter));
            if (info.mono())
                text += " THRESHOLD " + std::to_string(request.levels.threshold);
            if (options.backgroundGiven && !info.keepsAlpha()) {
                text += " BACKGROUND "
                    + QStringLiteral("%1").arg(request.background & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper().toStdString();
            }
            if (options.byteOrderGiven)
                text += " BYTE_ORDER " + std::string(byteOrderName(request.byteOrder));
            text += "\n    IMAGES" + images + "\n)\n";
        }
    }
    text += "\nadd_library(" + library + " INTERFACE)\ntarget_link_libraries(" + library + " INTERFACE";
    for (const std::string& target : targets)
        text += "\n    " + target;
    return text + "\n)\n";
}

RunOutcome runPlan(const PlanOptions& options)
{
    if (!options.cmakePath.isEmpty()) {
        if (const QString problem = destinationProblem(options.cmakePath); !problem.isEmpty())
            return RunOutcome::fileFailure(problem);
    }

    std::vector<BatchItem> items;
    for (const QString& path : options.inputPaths)
        items.push_back({ path, {}, QFileInfo(path).completeBaseName() });
    std::vector<std::vector<CompareRow>> measured(items.size());
    // A picture that cannot be read leaves no plan to make: no further one is started.
    std::atomic<int> stop { 0 };
    const ConvertOne measureOne = [&](const BatchItem& item) {
        const auto result = measurePicture(item.inputPath, options.request, options.formats, options.dithers, options.measure);
        if (const QString* error = std::get_if<QString>(&result)) {
            stop.store(1);
            return *error;
        }
        measured[std::size_t(&item - items.data())] = std::get<std::vector<CompareRow>>(result);
        return QString();
    };
    BatchRunOptions run;
    run.jobs = QThread::idealThreadCount();
    run.messages = stderr;
    run.showProgress = ::isatty(STDERR_FILENO) == 1;
    run.columns = terminalColumns(STDERR_FILENO);
    run.stop = &stop;
    const BatchSummary summary = runBatch(items, measureOne, run);
    if (summary.failed > 0 || summary.interrupted) {
        return RunOutcome::fileFailure(QStringLiteral("no plan made: %1 of %2 could not be read.")
                               .arg(summary.failed)
                               .arg(pictureCount(items.size())));
    }

    const PlanChoice choice = choosePlan(measured, options.budget);
    if (!choice.fits()) {
        const QString text = items.size() == 1
            ? QStringLiteral("the picture does not fit the budget of %1: its smallest file takes %2, so %3 missing.")
            : QStringLiteral("the %4 do not fit the budget of %1: their smallest files take %2 in all, so %3 "
                             "missing.");
        return RunOutcome::fileFailure(text.arg(byteCount(options.budget), byteCount(choice.total),
            missingBytes(choice.total - options.budget), pictureCount(items.size())));
    }
    std::vector<CompareRow> rows;
    for (std::size_t picture = 0; picture < measured.size(); ++picture)
        rows.push_back(measured[picture][choice.chosen[picture]]);

    RunOutcome outcome;
    if (!options.cmakePath.isEmpty()) {
        if (const QString error = writeOutput(options.cmakePath, byteSpan(planCmake(options, rows))); !error.isEmpty())
            return RunOutcome::fileFailure(error);
        outcome.outputOnStandardOutput = namesStandardOutput(options.cmakePath);
    }
    outcome.printed = options.json ? planJson(options.inputPaths, rows, options.budget)
                                   : planTable(options.inputPaths, rows, options.budget);
    return outcome;
}

} // namespace rasterkit::cli
