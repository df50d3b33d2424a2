#include "compareCommand.h"

#include "convertCommand.h"
#include "guifunctions.h"
#include "sheet.h"

#include "convert/animation.h"

#include "convert/boxfilter.h"
#include "convert/dither.h"
#include "convert/encoders.h"
#include "convert/quality.h"
#include "convert/report.h"
#include "convert/transparency.h"
#include "output/previewimage.h"
#include "platform/gifframes.h"
#include "platform/picturefile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rasterkit::cli {

namespace {

const QString DitherOption = QStringLiteral("dither");
const QString Sheet = QStringLiteral("sheet");
const QString Json = QStringLiteral("json");
const QString Formats = QStringLiteral("formats");
const QString AllDitherModes = QStringLiteral("all");
const QString Frames = QStringLiteral("frames");
const QString Delta = QStringLiteral("delta");
constexpr int SheetLabelLines = 2; // the format; the dither mode and the size


} // namespace

std::string decibels(double value)
{
    if (std::isinf(value))
        return "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

namespace {

std::string fixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string jsonDecibels(double value)
{
    return std::isfinite(value) ? fixed(value, 4) : std::string("null");
}

QString formatListExample()
{
    return QStringLiteral("%1,%2,0").arg(shortNameOf(PixelFormat::RGB565), shortNameOf(PixelFormat::Mono1));
}

namespace {

// The names of the grey formats, quoted, from the format table.
QString greyFormatNames()
{
    QStringList names;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (info.grey() && !info.keepsAlpha())
            names << QStringLiteral("\"%1\"").arg(fromView(info.name));
    }
    return spokenList(names);
}

// The names of the formats that keep alpha, quoted.
QString alphaFormatNames()
{
    QStringList names;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (info.keepsAlpha())
            names << QStringLiteral("\"%1\"").arg(fromView(info.name));
    }
    return spokenList(names);
}

} // namespace

const CommandSpec& compareCommand()
{
    static const CommandSpec definition {
        QStringLiteral("compare"),
        QStringLiteral("compare INPUT [options]"),
        QStringLiteral("Show the size and the quality of one frame in every format."),
        QStringLiteral(
            "Samples the frame of the picture INPUT once, converts it to all %1 formats, or those --formats names "
            "(with --dither all, in each of the %3 dither modes too) without writing them, and prints a row for "
            "each, or a JSON array "
            "with --json:\n"
            "  bytes         the size of the raw file convert writes with the same options\n"
            "  ratio         the unencoded size, width x height x the bytes of an unencoded\n"
            "                pixel (2 in the formats of 16-bit words, 1 in the others),\n"
            "                divided by bytes, cut to two decimals as convert's report gives\n"
            "                it: how many times smaller the file is\n"
            "  psnr          the peak signal-to-noise ratio in dB of the reduced picture, as\n"
            "                the preview shows it, against the unreduced samples:\n"
            "                10 log10(255^2 / MSE), MSE the mean squared difference of red,\n"
            "                green and blue; higher is closer\n"
            "  banding_psnr  the same after both pictures are blurred with the same Gaussian\n"
            "                (sigma 1.5 pixels), much as the eye blurs neighbouring pixels:\n"
            "                the fine noise of dithering costs little here, while bands in\n"
            "                skies and gradients cost in full\n"
            "A grey format (%2) keeps no colour, so it is measured against the exact grey of each sample, on the "
            "scale its levels are shown on: its figures say how well its levels render the grey. The formats "
            "that keep the alpha (%4) are measured as their previews show them, drawn over F0F0F0, against the "
            "picture over F0F0F0; --background leaves them out unless --formats names them, which it then "
            "refuses. Samples outside the picture take no part. When nothing differs the PSNR is infinite: inf "
            "in the table, null in the JSON.")
            .arg(PixelFormatCount)
            .arg(greyFormatNames())
            .arg(AllDithers.size())
            .arg(alphaFormatNames()),
        {
            { { DitherOption }, QStringLiteral("MODE"),
                QStringLiteral("none (the default), ordered or diffusion, as convert takes them, or all for "
                               "the three in turn, each format's rows together.") },
            { { Sheet }, QStringLiteral("FILE.png"),
                QStringLiteral("Also write the previews side by side in one PNG, each labelled with its format, "
                               "dither mode and size; - writes standard output (the table then goes to standard "
                               "error).") },
            { { Formats }, QStringLiteral("LIST"),
                QStringLiteral("The formats to measure, as -f takes them, separated by commas (%1). Default: "
                               "every format.")
                    .arg(formatListExample()) },
            { { Json }, {},
                QStringLiteral("Print a JSON array instead of the table: one object a row with the keys index (the "
                               "format's index, as -f takes it), format, dither, filter, bytes, ratio, psnr and "
                               "banding_psnr; an infinite PSNR is null.") },
            framesMeasureOptions()[0],
            framesMeasureOptions()[1],
        },
        { FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::Scale, FrameOptionId::Origin,
            FrameOptionId::Center, FrameOptionId::Filter, FrameOptionId::Background, FrameOptionId::Threshold },
        {},
        QStringLiteral("rasterkit-cli compare sky.jpg -W 176 -H 132 -s 2.7 --dither all \\\n"
                       "    --sheet sky-sheet.png\n"
                       "rasterkit-cli compare logo.gif --filter box --json > logo.json"),
    };
    return definition;
}

std::vector<OptionSpec> framesMeasureOptions()
{
    return {
        { { Frames }, {},
            QStringLiteral("Measure every frame of an animated GIF, each as convert --frames composes it, as one "
                           "picture: bytes are the sum of the frames' bytes (the animation file adds 16 bytes and "
                           "16 a frame), ratio and PSNR are those of all frames together.") },
        { { Delta }, {},
            QStringLiteral("With --frames: count each frame after the first as convert --frames --delta stores it, "
                           "the rectangle of what changed.") },
    };
}

std::optional<Reply> readFramesMeasure(const CommandLine& line, FramesMeasure& measure)
{
    measure.frames = line.isSet(Frames);
    measure.delta = line.isSet(Delta);
    if (measure.delta && !measure.frames)
        return line.failure(QStringLiteral("--delta needs --frames: it counts an animation's frames as what changed."));
    return std::nullopt;
}

QString readFormatList(const QString& text, const QString& option, std::vector<PixelFormat>& formats)
{
    formats.clear();
    for (const QString& item : text.split(QLatin1Char(','))) {
        const QByteArray name = item.trimmed().toUtf8();
        const auto format = parsePixelFormat(std::string_view(name.constData(), std::size_t(name.size())));
        if (!format) {
            return QStringLiteral("unknown format \"%1\" in %2: expected formats as -f takes them, separated by "
                                  "commas, e.g. %2 %3.")
                .arg(item, option, formatListExample());
        }
        if (std::find(formats.begin(), formats.end(), *format) == formats.end())
            formats.push_back(*format);
    }
    return {};
}

std::variant<CompareOptions, Reply> parseCompare(const QStringList& arguments)
{
    CommandLine line(compareCommand());
    if (auto reply = line.parse(arguments))
        return *reply;

    const QStringList operands = line.operands();
    if (operands.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: name the picture to compare (JPEG, PNG, BMP or GIF)."));
    if (operands.size() > 1) {
        return line.failure(QStringLiteral("unexpected argument \"%1\": compare takes one INPUT picture (\"%2\").")
                                .arg(operands.at(1), operands.at(0)));
    }
    CompareOptions options;
    options.inputPath = operands.at(0);
    if (options.inputPath.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: the picture's name is empty."));
    if (auto reply = line.readPath(Sheet, "sheet picture", false, options.sheetPath,
            { { options.inputPath, "input picture", false } }))
        return *reply;

    options.dithers = { Dither::None };
    if (line.isSet(DitherOption)) {
        const QString text = line.value(DitherOption);
        if (text.compare(AllDitherModes, Qt::CaseInsensitive) == 0) {
            options.dithers.assign(AllDithers.begin(), AllDithers.end());
        } else if (const auto dither = ditherOfName(text)) {
            options.dithers = { *dither };
        } else {
            return line.failure(QStringLiteral("unknown dither mode \"%1\" for --dither: expected %2 or all.")
                                    .arg(text, ditherNames().replace(QStringLiteral(" or "), QStringLiteral(", "))));
        }
    }

    // --background is not for the formats that keep alpha: left out of the
    // default list, refused in --formats.
    const bool backgroundGiven = line.isSet(QStringLiteral("background"));
    for (const PixelFormat format : AllPixelFormats) {
        if (!backgroundGiven || !formatInfo(format).keepsAlpha())
            options.formats.push_back(format);
    }
    if (line.isSet(Formats)) {
        if (const QString problem = readFormatList(line.value(Formats), QStringLiteral("--formats"), options.formats);
            !problem.isEmpty())
            return line.failure(problem);
    }
    if (auto reply = line.readFrame(options.request))
        return *reply;
    for (const PixelFormat format : options.formats) {
        FrameRequest request = options.request;
        request.format = format;
        if (const QString problem = transparencyOptionProblem(request, backgroundGiven); !problem.isEmpty())
            return line.failure(problem);
    }
    options.json = line.isSet(Json);
    if (auto reply = readFramesMeasure(line, options.measure))
        return *reply;
    return options;
}

std::string compareTable(const std::vector<CompareRow>& rows)
{
    struct Cells {
        std::string index, format, dither, filter, bytes, ratio, psnr, banding;
    };
    std::vector<Cells> cells { { "index", "format", "dither", "filter", "bytes", "ratio", "psnr", "banding_psnr" } };
    for (const CompareRow& row : rows) {
        cells.push_back({ std::to_string(formatIndex(row.format)), std::string(formatInfo(row.format).name),
            std::string(ditherName(row.dither)), std::string(sampleFilterName(row.filter)), std::to_string(row.bytes),
            fixed(row.ratio, 2), decibels(row.psnr), decibels(row.bandingPsnr) });
    }
    // Text columns to the left, numbers to the right.
    const auto width = [&cells](std::string Cells::*member) {
        std::size_t widest = 0;
        for (const Cells& row : cells)
            widest = std::max(widest, (row.*member).size());
        return widest;
    };
    const auto pad = [](const std::string& text, std::size_t width, bool right) {
        const std::string spaces(width - text.size(), ' ');
        return right ? spaces + text : text + spaces;
    };
    const std::size_t widths[] = { width(&Cells::index), width(&Cells::format), width(&Cells::dither),
        width(&Cells::filter), width(&Cells::bytes), width(&Cells::ratio), width(&Cells::psnr), width(&Cells::banding) };
    std::string text;
    for (const Cells& row : cells) {
        const std::string line = pad(row.index, widths[0], true) + "  " + pad(row.format, widths[1], false) + "  "
            + pad(row.dither, widths[2], false) + "  " + pad(row.filter, widths[3], false) + "  "
            + pad(row.bytes, widths[4], true) + "  " + pad(row.ratio, widths[5], true) + "  "
            + pad(row.psnr, widths[6], true) + "  " + pad(row.banding, widths[7], true);
        text += line + '\n';
    }
    return text;
}

std::string compareJson(const std::vector<CompareRow>& rows)
{
    std::string text = "[";
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const CompareRow& row = rows[index];
        text += index == 0 ? "\n" : ",\n";
        text += "  {\"index\": " + std::to_string(formatIndex(row.format))
            + ", \"format\": " + jsonString(formatInfo(row.format).name)
            + ", \"dither\": " + jsonString(ditherName(row.dither))
            + ", \"filter\": " + jsonString(sampleFilterName(row.filter))
            + ", \"bytes\": " + std::to_string(row.bytes) + ", \"ratio\": " + fixed(row.ratio, 2)
            + ", \"psnr\": " + jsonDecibels(row.psnr) + ", \"banding_psnr\": " + jsonDecibels(row.bandingPsnr) + "}";
    }
    return text + "\n]\n";
}

bool anyKeepsAlpha(std::span<const PixelFormat> formats)
{
    return std::any_of(formats.begin(), formats.end(), [](PixelFormat format) { return formatInfo(format).keepsAlpha(); });
}

std::variant<FrameSamples, QString> sampleFrame(
    const PictureLoadResult& picture, const FrameRequest& request, bool keepAlpha)
{
    FrameSamples samples;
    if (!keepAlpha) {
        samples.colours = sampleColours(sourceImageOf(picture.image, picture.origin), request.frame, request.filter);
        return samples;
    }
    const RgbxPicture blended = flattenedPicture(picture.image, request.background);
    if (blended.isNull() && !picture.image.isNull())
        return QStringLiteral("Cannot measure \"%1\": not enough memory for its picture.").arg(picture.file);
    samples.colours = sampleColours(sourceImageOf(blended, picture.origin), request.frame, request.filter);
    samples.straight
        = sampleColoursAndAlphas(sourceImageOf(picture.image, picture.origin, true), request.frame, request.filter);
    return samples;
}

std::vector<CompareRow> measureFrame(const FrameSamples& samples, const FrameRequest& request,
    std::span<const PixelFormat> formats, std::span<const Dither> dithers, const ReducedGridVisitor& visit)
{
    const FrameSettings& frame = request.frame;
    const QualityMeter meter(samples.colours);
    std::vector<CompareRow> rows;
    rows.reserve(formats.size() * dithers.size());
    for (const PixelFormat format : formats) {
        for (const Dither dither : dithers) {
            ReductionRequest reduction = request;
            reduction.format = format;
            reduction.dither = dither;
            const PixelGrid reduced = formatInfo(format).keepsAlpha()
                ? reduceSampledFrame(samples.straight, reduction)
                : reduceColours(samples.colours, format, dither, request.levels);
            CompareRow row { format, dither, request.filter };
            row.bytes = static_cast<std::int64_t>(encode(format, reduced).size());
            row.ratio = compressionRatio(uncompressedSize(format, frame.targetWidth, frame.targetHeight), row.bytes);
            const QualityFigures figures = meter.measure(reduced, format);
            row.psnr = figures.psnr;
            row.bandingPsnr = figures.bandingPsnr;
            rows.push_back(row);
            if (visit)
                visit(row, reduced);
        }
    }
    return rows;
}

namespace {

// 255^2 / 10^(psnr / 10): the mean squared error a figure stands for.
double squaredErrorOf(double psnr)
{
    return std::isinf(psnr) ? 0.0 : 255.0 * 255.0 / std::pow(10.0, psnr / 10.0);
}

} // namespace

std::variant<std::vector<CompareRow>, QString> measurePicture(const QString& path, const FrameRequest& request,
    std::span<const PixelFormat> formats, std::span<const Dither> dithers, const FramesMeasure& measure,
    const ReducedGridVisitor& visit)
{
    const bool keepAlpha = anyKeepsAlpha(formats);
    if (!measure.frames) {
        const PictureLoadResult picture = loadFramePicture(path, request, keepAlpha);
        if (!picture.ok())
            return picture.message();
        std::variant<FrameSamples, QString> sampled = sampleFrame(picture, request, keepAlpha);
        if (QString* problem = std::get_if<QString>(&sampled))
            return std::move(*problem);
        return measureFrame(std::get<FrameSamples>(sampled), request, formats, dithers, visit);
    }

    // Each row's sums over the frames: bytes, and the squared errors.
    std::vector<CompareRow> rows;
    std::vector<double> errors;
    std::vector<double> bandingErrors;
    std::vector<PixelGrid> previous; // each row's grid of the frame before, for delta
    QString problem;
    int frameCount = 0;
    const PictureLoadOptions load { .readStreams = true, .background = request.background, .keepAlpha = keepAlpha,
        .otherReader = modulePictureReader() };
    const AnimationLoadResult loaded = loadAnimatedPicture(path, load, [&](int index, const RgbxPicture& screen, int) {
        if (!problem.isEmpty())
            return;
        PictureLoadResult picture;
        picture.image = screen;
        picture.file = path;
        std::variant<FrameSamples, QString> sampled = sampleFrame(picture, request, keepAlpha);
        if (QString* failure = std::get_if<QString>(&sampled)) {
            problem = std::move(*failure);
            return;
        }
        std::size_t at = 0;
        const ReducedGridVisitor measureDelta = [&](const CompareRow& row, const PixelGrid& reduced) {
            if (index == 0 && visit)
                visit(row, reduced);
            if (measure.delta && index > 0) {
                const AnimationFrame frame = animationFrame(reduced, &previous[at], 0,
                    [&row](const PixelGrid& grid) { return encode(row.format, grid); });
                rows[at].bytes += static_cast<std::int64_t>(frame.data.size());
            }
            if (measure.delta) {
                if (previous.size() <= at)
                    previous.resize(at + 1);
                previous[at] = reduced;
            }
            ++at;
        };
        const std::vector<CompareRow> frameRows = measureFrame(std::get<FrameSamples>(sampled), request, formats,
            dithers, measure.delta || (index == 0 && visit) ? measureDelta : ReducedGridVisitor());
        if (index == 0) {
            rows = frameRows;
            errors.assign(rows.size(), 0.0);
            bandingErrors.assign(rows.size(), 0.0);
        }
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (index > 0 && !measure.delta)
                rows[row].bytes += frameRows[row].bytes;
            errors[row] += squaredErrorOf(frameRows[row].psnr);
            bandingErrors[row] += squaredErrorOf(frameRows[row].bandingPsnr);
        }
        ++frameCount;
    });
    if (!loaded.ok())
        return loaded.status.message();
    if (!problem.isEmpty())
        return problem;
    const FrameSettings& frame = request.frame;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        rows[row].psnr = peakSignalToNoiseRatio(errors[row] / frameCount);
        rows[row].bandingPsnr = peakSignalToNoiseRatio(bandingErrors[row] / frameCount);
        rows[row].ratio = compressionRatio(
            frameCount * uncompressedSize(rows[row].format, frame.targetWidth, frame.targetHeight), rows[row].bytes);
    }
    return rows;
}

RunOutcome runCompare(const CompareOptions& options)
{
    const FrameRequest& request = options.request;
    const FrameSettings& frame = request.frame;
    // Each format's dither modes side by side, two formats a row; or four
    // formats a row with one mode.
    const int sheetColumns = options.dithers.size() > 1 ? 2 * int(options.dithers.size()) : 4;
    const int tileCount = int(options.formats.size() * options.dithers.size());
    const auto sheetTooLarge = [&] {
        return QStringLiteral("Cannot make the sheet \"%1\": %2 previews of %3 x %4 pixels do not fit in one "
                              "picture of at most %5 x %5 pixels; choose a smaller frame.")
            .arg(options.sheetPath)
            .arg(tileCount)
            .arg(frame.targetWidth)
            .arg(frame.targetHeight)
            .arg(MaximumSheetSide);
    };
    // Known before the picture is read.
    if (!options.sheetPath.isEmpty()
        && !sheetFits(tileCount, sheetColumns, frame.targetWidth, frame.targetHeight, SheetLabelLines))
        return RunOutcome::fileFailure(sheetTooLarge());

    if (!options.sheetPath.isEmpty()) {
        if (const QString problem = destinationProblem(options.sheetPath); !problem.isEmpty())
            return RunOutcome::fileFailure(problem);
    }
    std::vector<SheetTile> tiles;
    ReducedGridVisitor addTile;
    if (!options.sheetPath.isEmpty()) {
        addTile = [&tiles](const CompareRow& row, const PixelGrid& reduced) {
            tiles.push_back({ previewImage(reduced, row.format),
                { fromView(formatInfo(row.format).name),
                    QStringLiteral("%1, %2 bytes").arg(fromView(ditherName(row.dither))).arg(row.bytes) } });
        };
    }
    const auto measured = measurePicture(options.inputPath, request, options.formats, options.dithers, options.measure, addTile);
    if (const QString* problem = std::get_if<QString>(&measured))
        return RunOutcome::fileFailure(*problem);
    const std::vector<CompareRow>& rows = std::get<std::vector<CompareRow>>(measured);
    // The tiles show the first frame; their bytes are the rows'.
    for (std::size_t index = 0; index < tiles.size() && index < rows.size(); ++index) {
        tiles[index].label.last() = QStringLiteral("%1, %2 bytes").arg(fromView(ditherName(rows[index].dither))).arg(rows[index].bytes);
    }

    if (!options.sheetPath.isEmpty()) {
        const RgbxPicture sheet = contactSheet(tiles, sheetColumns);
        if (sheet.isNull())
            return RunOutcome::fileFailure(sheetTooLarge());
        if (const QString error = writePicture(options.sheetPath, sheet); !error.isEmpty())
            return RunOutcome::fileFailure(error);
    }
    RunOutcome outcome;
    outcome.outputOnStandardOutput = !options.sheetPath.isEmpty() && namesStandardOutput(options.sheetPath);
    outcome.printed = options.json ? compareJson(rows) : compareTable(rows);
    return outcome;
}

} // namespace rasterkit::cli
