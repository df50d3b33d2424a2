#include "convertCommand.h"

#include "framesConvert.h"
#include "guifunctions.h"
#include "paletteFile.h"

#include "convert/boxfilter.h"
#include "convert/byteorder.h"
#include "convert/encoders.h"
#include "convert/quantise.h"
#include "convert/reduceframe.h"
#include "convert/report.h"
#include "convert/transparency.h"
#include "output/cheader.h"
#include "output/previewimage.h"
#include "platform/picturefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <set>

#include <malloc.h>
#include <unistd.h>

namespace rasterkit::cli {

namespace {

const QString Output = QStringLiteral("output");
const QString CArray = QStringLiteral("c-array");
const QString CAttribute = QStringLiteral("c-attribute");
const QString CType = QStringLiteral("c-type");
const QString Preview = QStringLiteral("preview");
const QString Report = QStringLiteral("report");
const QString Quiet = QStringLiteral("quiet");
const QString Jobs = QStringLiteral("jobs");
const QString Check = QStringLiteral("check");
const QString SharedPalette = QStringLiteral("shared-palette");
const QString PaletteStem = QStringLiteral("palette");
const QString Frames = QStringLiteral("frames");
const QString Delta = QStringLiteral("delta");

constexpr int MaximumJobs = 1024;


// -o names a folder: it ends with '/' or is one.
bool namesFolder(const QString& output)
{
    return !output.isEmpty() && (output.endsWith(QLatin1Char('/')) || QFileInfo(output).isDir());
}

// An input that stands for several pictures.
bool namesSeveral(const QString& input)
{
    return isPattern(input) || QFileInfo(input).isDir();
}

QString pictureCount(int count)
{
    return count == 1 ? QStringLiteral("1 picture") : QStringLiteral("%1 pictures").arg(count);
}

// The options every conversion of a command line shares: the C header, the
// frame options, the jobs and quietness.
std::optional<Reply> readConversionOptions(const CommandLine& line, ConvertOptions& options)
{
    if (line.isSet(CArray)) {
        options.arrayName = line.value(CArray);
        if (!isCIdentifier(options.arrayName.toStdString())) {
            return line.failure(QStringLiteral("--c-array \"%1\" is not a C identifier: expected a letter or '_' "
                                               "followed by letters, digits and '_', and no keyword of C or C++.")
                                    .arg(options.arrayName));
        }
    }
    if (line.isSet(CAttribute)) {
        // --check names each array after its picture when --c-array does not.
        if (options.arrayName.isEmpty() && !line.isSet(Check))
            return line.failure(QStringLiteral("--c-attribute needs --c-array NAME: it goes before the array."));
        options.arrayAttribute = line.value(CAttribute);
        for (const QChar character : options.arrayAttribute) {
            if (character.category() == QChar::Other_Control) {
                return line.failure(QStringLiteral("--c-attribute \"%1\" holds a line break or another control "
                                                   "character: give one line of text.")
                                        .arg(options.arrayAttribute));
            }
        }
    }

    if (auto reply = line.readFrame(options.request))
        return reply;
    if (line.isSet(CType)) {
        const QByteArray text = line.value(CType).toUtf8();
        const std::optional<CArrayType> type = parseCArrayType(std::string_view(text.constData(), std::size_t(text.size())));
        if (!type) {
            return line.failure(QStringLiteral("unknown C type \"%1\" for --c-type: expected uint8 or uint16.")
                                    .arg(line.value(CType)));
        }
        options.arrayType = *type;
    }
    if (options.arrayType == CArrayType::Words) {
        const PixelFormat format = options.request.format;
        if (!formatInfo(format).wordsOnly()) {
            QStringList names;
            for (const PixelFormatInfo& info : PixelFormats) {
                if (info.wordsOnly())
                    names << shortNameOf(info.format);
            }
            return line.failure(QStringLiteral("--c-type uint16 needs a format made of 16-bit words (%1): \"%2\" "
                                               "is not one.")
                                    .arg(spokenList(names), fromView(formatInfo(format).name)));
        }
        if (line.isSet(QStringLiteral("byte-order"))) {
            return line.failure(QStringLiteral("--byte-order does not apply with --c-type uint16: the compiler "
                                               "stores the numbers in the target's own order."));
        }
    }
    if (line.isSet(CType) && options.arrayName.isEmpty() && !line.isSet(Check))
        return line.failure(QStringLiteral("--c-type needs --c-array NAME: it is the type of the array."));
    if (line.isSet(SharedPalette) && formatInfo(options.request.format).paletteEntries() == 0) {
        return line.failure(QStringLiteral("--shared-palette does not apply to \"%1\": it is for the indexed "
                                           "formats (%2).")
                                .arg(fromView(formatInfo(options.request.format).name), indexedFormatNames()));
    }
    options.quiet = line.isSet(Quiet);
    options.jobs = QThread::idealThreadCount();
    if (line.isSet(Jobs)) {
        if (const QString error = readWholeNumber(line.value(Jobs), QStringLiteral("-j/--jobs"), 1, MaximumJobs,
                options.jobs);
            !error.isEmpty())
            return line.failure(error);
    }
    return std::nullopt;
}

// Several pictures, a folder or a pattern of them, into a folder.
std::variant<ConvertOptions, Reply> parseBatch(const CommandLine& line, const QStringList& operands)
{
    ConvertOptions options;
    options.outputFolder = line.value(Output);
    for (const QString& option : { Report, Preview }) {
        if (line.isSet(option)) {
            return line.failure(QStringLiteral("--%1 names one file: it cannot be given when several pictures are "
                                               "converted into a folder.")
                                    .arg(option));
        }
    }
    for (const QString& operand : operands) {
        if (operand == StandardStream) {
            return line.failure(QStringLiteral("standard input (\"-\") cannot be one of several INPUTs: convert it "
                                               "on its own."));
        }
        if (operand.isEmpty())
            return line.failure(QStringLiteral("missing INPUT: a picture's name is empty."));
    }
    if (auto reply = readConversionOptions(line, options))
        return *reply;

    const InputList inputs = expandInputs(operands);
    if (!inputs.ok()) {
        if (inputs.fileError)
            return Reply { ExitFileError, QStringLiteral("rasterkit-cli: %1\n").arg(inputs.error) };
        return line.failure(inputs.error);
    }
    const QString extension = options.arrayName.isEmpty() ? QStringLiteral(".raw") : QStringLiteral(".h");
    BatchPlan plan = planBatch(inputs.paths, options.outputFolder, extension);
    if (!plan.ok())
        return line.failure(plan.error);
    if (line.isSet(SharedPalette)) {
        if (plan.items.size() < 2) {
            return line.failure(QStringLiteral("--shared-palette needs several pictures converted into a folder "
                                               "(-o FOLDER/): this call converts 1."));
        }
        const QString palettePath = sharedPalettePath(options.outputFolder, !options.arrayName.isEmpty());
        for (const BatchItem& item : plan.items) {
            if (sameFile(item.outputPath, palettePath)) {
                return line.failure(QStringLiteral("\"%1\" would be converted into \"%2\", where --shared-palette "
                                                   "writes the palette: rename it or convert it in another call.")
                                        .arg(item.inputPath, item.outputPath));
            }
        }
        options.sharedPalette = true;
    }
    if (!options.arrayName.isEmpty()) {
        for (const BatchItem& item : plan.items) {
            const QString name = batchArrayName(options.arrayName, item.stem);
            if (!isCIdentifier(name.toStdString())) {
                return line.failure(QStringLiteral("the array name \"%1\" made for \"%2\" is a keyword of C or "
                                                   "C++: choose another --c-array NAME.")
                                        .arg(name, item.inputPath));
            }
        }
    }
    options.batch = std::move(plan.items);
    return options;
}

// Several pictures into the folder -o names.
bool namesBatch(const CommandLine& line, const QStringList& operands)
{
    return namesFolder(line.value(Output)) && (operands.size() > 1 || namesSeveral(operands.first()));
}

// Several INPUTs without a folder to convert them into.
Reply severalInputsFailure(const CommandLine& line, const QStringList& operands)
{
    return line.failure(QStringLiteral("unexpected argument \"%1\": convert takes one INPUT picture (\"%2\"), "
                                       "or several with -o naming a folder (-o FOLDER/).")
                            .arg(operands.at(1), operands.at(0)));
}

// One picture into one file; -o may be left out when outputRequired is false.
std::variant<ConvertOptions, Reply> parseSingle(const CommandLine& line, const QString& input, bool outputRequired)
{
    ConvertOptions options;
    options.inputPath = input;
    if (input.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: the picture's name is empty."));

    if (auto reply = line.readPath(Output, "output file", outputRequired, options.outputPath, { { input, "input picture", false } }))
        return *reply;
    if (auto reply = line.readPath(Report, "report file", false, options.reportPath,
            { { input, "input picture", false }, { options.outputPath, "output file" } }))
        return *reply;
    if (auto reply = line.readPath(Preview, "preview picture", false, options.previewPath,
            { { input, "input picture", false }, { options.outputPath, "output file" }, { options.reportPath, "report file" } }))
        return *reply;
    if (line.isSet(SharedPalette)) {
        return line.failure(QStringLiteral("--shared-palette needs several pictures converted into a folder "
                                           "(-o FOLDER/): this call converts 1."));
    }
    if (auto reply = readConversionOptions(line, options))
        return *reply;
    return options;
}

// --frames: one animated picture into a folder of frames or an animation file.
std::variant<ConvertOptions, Reply> parseFrames(const CommandLine& line, const QStringList& operands)
{
    if (operands.size() > 1) {
        return line.failure(QStringLiteral("unexpected argument \"%1\": --frames converts one animated picture "
                                           "(\"%2\").")
                                .arg(operands.at(1), operands.at(0)));
    }
    ConvertOptions options;
    options.frames = true;
    options.delta = line.isSet(Delta);
    options.inputPath = operands.first();
    if (options.inputPath.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: the picture's name is empty."));
    if (!line.isSet(Output)) {
        return line.failure(QStringLiteral("--frames needs -o FOLDER/ (one raw file a frame) or -o FILE (one "
                                           "animation file)."));
    }
    for (const QString& option : { Report, Preview, SharedPalette }) {
        if (line.isSet(option)) {
            return line.failure(QStringLiteral("--%1 does not apply with --frames: convert a frame's picture on "
                                               "its own, or check the frames with decode --frames.")
                                    .arg(option));
        }
    }
    if (namesFolder(line.value(Output))) {
        options.outputFolder = line.value(Output);
        if (options.delta) {
            return line.failure(QStringLiteral("--delta is for an animation file (-o FILE): a folder gets every "
                                               "frame whole."));
        }
        if (line.isSet(CArray)) {
            return line.failure(QStringLiteral("--c-array with --frames writes the animation file as one array: "
                                               "give -o FILE, not a folder."));
        }
    } else if (auto reply = line.readPath(Output, "output file", true, options.outputPath,
                   { { options.inputPath, "input picture", false } })) {
        return *reply;
    }
    if (auto reply = readConversionOptions(line, options))
        return *reply;
    if (line.isSet(CType) && options.arrayType == CArrayType::Words) {
        return line.failure(QStringLiteral("--c-type uint16 does not apply with --frames: an animation file's "
                                           "frames are not all whole 16-bit words."));
    }
    const PixelFormatInfo& info = formatInfo(options.request.format);
    if (!options.outputPath.isEmpty() && !animationKeepsRuns(info, options.request.byteOrder)) {
        return line.failure(QStringLiteral("--byte-order little does not apply to an animation file of \"%1\": "
                                           "its run lengths lie inside its 16-bit words, which the device decoder "
                                           "checks high byte first. Use -o FOLDER/ for raw frames.")
                                .arg(fromView(info.name)));
    }
    return options;
}

// Why a picture named on the command line cannot be read, in the words the
// picture loader would use, seen without opening it: it is missing or a
// folder. Empty when neither (and for standard input).
QString pictureFileProblem(const QString& path)
{
    if (path == StandardStream)
        return {};
    const QFileInfo info(path);
    if (!info.exists())
        return PictureLoadResult::failure(PictureError::Missing, info.absoluteFilePath()).message();
    if (info.isDir())
        return PictureLoadResult::failure(PictureError::IsFolder, info.absoluteFilePath()).message();
    return {};
}

QString pictureArrayNameOf(const QString& path)
{
    return QString::fromStdString(pictureArrayName(QFile::encodeName(QFileInfo(path).fileName()).toStdString()));
}

// --check: the command line judged as the conversions it asks for would
// judge it, and their pictures found, with no picture read and no file
// written. Several INPUTs without -o are as many conversions of one picture.
// The reply lists the array name of each picture, one a line.
Reply checkConversions(const CommandLine& line, const QStringList& operands)
{
    QStringList pictures;
    QStringList names;
    QString palettePath;
    if (namesBatch(line, operands)) {
        const auto parsed = parseBatch(line, operands);
        if (const Reply* reply = std::get_if<Reply>(&parsed))
            return *reply;
        const ConvertOptions& batch = std::get<ConvertOptions>(parsed);
        palettePath = batch.request.palettePath;
        for (const BatchItem& item : batch.batch) {
            pictures << item.inputPath;
            names << (batch.arrayName.isEmpty() ? pictureArrayNameOf(item.inputPath)
                                                : batchArrayName(batch.arrayName, item.stem));
        }
    } else {
        if (line.isSet(Output) && operands.size() > 1)
            return severalInputsFailure(line, operands);
        for (const QString& operand : operands) {
            const auto parsed = parseSingle(line, operand, false);
            if (const Reply* reply = std::get_if<Reply>(&parsed))
                return *reply;
            const QString& arrayName = std::get<ConvertOptions>(parsed).arrayName;
            palettePath = std::get<ConvertOptions>(parsed).request.palettePath;
            pictures << operand;
            names << (arrayName.isEmpty() ? pictureArrayNameOf(operand) : arrayName);
        }
    }
    QString problems;
    if (!palettePath.isEmpty()) {
        if (const QString problem = paletteFileProblem(palettePath); !problem.isEmpty())
            problems += QStringLiteral("rasterkit-cli: %1\n").arg(problem);
    }
    for (const QString& picture : pictures) {
        if (const QString problem = pictureFileProblem(picture); !problem.isEmpty())
            problems += QStringLiteral("rasterkit-cli: %1\n").arg(problem);
    }
    if (!problems.isEmpty())
        return Reply { ExitFileError, problems };
    return Reply { ExitSuccess, names.join(QLatin1Char('\n')) + QLatin1Char('\n') };
}

// The first SIGINT or SIGTERM lets the pictures being converted finish and
// starts no more; a second one ends the program at once.
std::atomic<int> stopSignal { 0 };

extern "C" void requestStop(int signal)
{
    stopSignal.store(signal);
}

class StopOnSignals {
public:
    StopOnSignals()
    {
        struct sigaction action {};
        action.sa_handler = requestStop;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_previousInterrupt);
        ::sigaction(SIGTERM, &action, &m_previousTerminate);
    }
    ~StopOnSignals()
    {
        ::sigaction(SIGINT, &m_previousInterrupt, nullptr);
        ::sigaction(SIGTERM, &m_previousTerminate, nullptr);
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

BatchRunOptions batchRunOptions(const ConvertOptions& options)
{
    BatchRunOptions run;
    run.jobs = options.jobs;
    run.messages = stderr;
    run.showProgress = !options.quiet && ::isatty(STDERR_FILENO) == 1;
    run.columns = terminalColumns(STDERR_FILENO);
    run.stop = &stopSignal;
    return run;
}

// --shared-palette without --palette: every picture's frame sampled and
// counted, and the palette chosen for them all. The pictures that cannot
// be read are reported and left out of the palette (and of the batch).
struct CountedBatch {
    Palette palette;
    BatchSummary summary;
    std::vector<BatchItem> counted;
};

CountedBatch countBatch(const ConvertOptions& options)
{
    const FrameRequest& request = options.request;
    ColourHistogram total;
    std::set<QString> counted;
    std::mutex guard;
    const ConvertOne countOne = [&](const BatchItem& item) {
        const PictureLoadResult picture = loadFramePicture(item.inputPath, request);
        if (!picture.ok())
            return picture.message();
        const PixelGrid samples = sampleColours(sourceImageOf(picture.image, picture.origin), request.frame, request.filter);
        ColourHistogram histogram;
        countSamples(histogram, samples.values(), request.levels.colourOrder);
        const std::lock_guard lock(guard);
        total.merge(histogram);
        counted.insert(item.inputPath);
        return QString();
    };
    CountedBatch batch;
    {
        const StopOnSignals stopOnSignals;
        batch.summary = runBatch(options.batch, countOne, batchRunOptions(options));
    }
    for (const BatchItem& item : options.batch) {
        if (counted.count(item.inputPath) > 0)
            batch.counted.push_back(item);
    }
    batch.palette = choosePalette(total, formatInfo(request.format).paletteEntries());
    return batch;
}

// Writes the shared palette into the folder: raw, or a C header.
QString writeSharedPalette(const ConvertOptions& options, const Palette& palette)
{
    const FrameRequest& request = options.request;
    OutputBytes bytes = encodePalette(request.format, palette);
    applyByteOrder(request.format, bytes, request.byteOrder);
    const bool header = !options.arrayName.isEmpty();
    const QString path = sharedPalettePath(options.outputFolder, header);
    if (!header)
        return writeOutput(path, bytes);
    const std::string text = cHeader({ options.paletteArrayName.toStdString(), options.arrayAttribute.toStdString(), 0,
                                         0, request.format, request.byteOrder, options.arrayType, CHeaderPart::Palette, {} },
        bytes);
    return writeOutput(path, byteSpan(text));
}

RunOutcome runBatchConvert(const ConvertOptions& options, std::string_view decimalSeparator)
{
    const QString folder = options.outputFolder;
    if (!QDir().mkpath(folder)) {
        return RunOutcome::fileFailure(
            QStringLiteral("Cannot create the folder \"%1\".").arg(QFileInfo(folder).absoluteFilePath()));
    }
    // Each picture's pixels, samples and bytes are blocks of hundreds of
    // kilobytes to megabytes, which the C library would otherwise hand back
    // to the system after every picture and take again, paying page faults
    // on fresh memory each time: kept for the next picture instead, a batch
    // of 200 small pictures takes a third of the time.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);

    // A palette given is read once for every picture; a shared one is
    // chosen from every picture first.
    ConvertOptions single = options;
    single.batch.clear();
    single.quiet = true;
    if (!options.request.palettePath.isEmpty()) {
        const PaletteFile palette = readPaletteFile(options.request.palettePath, options.request);
        if (!palette.ok())
            return RunOutcome::fileFailure(palette.error);
        single.request.levels.palette = palette.palette;
    }
    std::vector<BatchItem> items = options.batch;
    BatchSummary counting;
    if (options.sharedPalette) {
        single.indexRowsOnly = true;
        if (!options.arrayName.isEmpty())
            single.paletteArrayName = batchArrayName(options.arrayName, PaletteStem);
        if (single.request.levels.palette.empty()) {
            CountedBatch counted = countBatch(options);
            counting = counted.summary;
            if (counting.interrupted || counted.counted.empty()) {
                const int total = static_cast<int>(options.batch.size());
                return RunOutcome { counting.interrupted ? 128 + stopSignal.load() : ExitFileError,
                    QStringLiteral("%1: no picture was converted and no palette written into \"%2\".")
                        .arg(counting.interrupted ? QStringLiteral("stopped while choosing the shared palette")
                                                  : QStringLiteral("none of the %1 could be read").arg(pictureCount(total)),
                            folder),
                    {} };
            }
            single.request.levels.palette = std::move(counted.palette);
            items = std::move(counted.counted);
        }
        if (const QString error = writeSharedPalette(single, single.request.levels.palette); !error.isEmpty())
            return RunOutcome::fileFailure(error);
    }
    single.request.palettePath.clear();

    const ConvertOne convertOne = [&](const BatchItem& item) {
        ConvertOptions one = single;
        one.inputPath = item.inputPath;
        one.outputPath = item.outputPath;
        if (!options.arrayName.isEmpty())
            one.arrayName = batchArrayName(options.arrayName, item.stem);
        return runConvert(one, decimalSeparator).error;
    };

    BatchSummary summary;
    {
        const StopOnSignals stopOnSignals;
        summary = runBatch(items, convertOne, batchRunOptions(options));
    }
    // The pictures that could not be read for the shared palette.
    summary.failed += counting.failed;

    const int total = static_cast<int>(options.batch.size());
    RunOutcome outcome;
    if (summary.interrupted) {
        outcome.exitCode = 128 + stopSignal.load();
        outcome.error = QStringLiteral("stopped: %1 of %2 converted into \"%3\", %4 failed, %5 not started.")
                            .arg(pictureCount(summary.converted))
                            .arg(total)
                            .arg(folder)
                            .arg(summary.failed)
                            .arg(total - summary.converted - summary.failed);
    } else if (summary.failed > 0) {
        outcome.exitCode = ExitFileError;
        outcome.error = QStringLiteral("%1 of %2 could not be converted; the other %3 are in \"%4\".")
                            .arg(summary.failed)
                            .arg(pictureCount(total))
                            .arg(summary.converted)
                            .arg(folder);
    } else if (!options.quiet) {
        outcome.printed = QStringLiteral("%1 converted into \"%2\".\n").arg(pictureCount(total), folder).toStdString();
    }
    return outcome;
}

} // namespace

const CommandSpec& convertCommand()
{
    static const CommandSpec definition {
        QStringLiteral("convert"),
        QStringLiteral("convert INPUT -o OUTPUT [options]"),
        QStringLiteral("Convert a picture into a raw pixel file or a C header."),
        QStringLiteral("Converts the picture INPUT (JPEG, PNG, BMP, GIF) exactly as the Rasterkit window does: samples "
                       "the capture frame, reduces every sample to the format's colour depth, writes the pixels to "
                       "OUTPUT with no header and prints the window's report (which --byte-order does not change). "
                       "Every file is replaced whole or not at all. INPUT may be a pipe; - reads standard input. "
                       "Given several INPUTs, a folder of pictures or a quoted wildcard pattern (\"photos/*.jpg\") "
                       "and a folder as OUTPUT (-o FOLDER/, made if missing), converts every picture with the same "
                       "options into FOLDER/NAME.raw (NAME.h with --c-array), NAME being the picture's file name "
                       "without its extension, on every processor core; a picture that fails is reported and the "
                       "others are still converted."),
        {
            { { QStringLiteral("o"), Output }, QStringLiteral("OUTPUT"),
                QStringLiteral("The file to write: the raw pixels, or a C header with --c-array. Replaced if it "
                               "exists; a device or FIFO is written, never replaced; - writes standard output (the "
                               "report then goes to standard error).") },
            { { CArray }, QStringLiteral("NAME"),
                QStringLiteral("Write a C header instead of the raw bytes: the macros NAME_WIDTH, NAME_HEIGHT, "
                               "NAME_FORMAT, NAME_FORMAT_NAME, NAME_BIG_ENDIAN, NAME_LITTLE_ENDIAN and NAME_SIZE "
                               "(NAME_STRIDE for the formats the window does not offer but the run-length ones, "
                               "NAME_ALPHA_OFFSET where the alpha bytes follow the colours, NAME_TRANSPARENT_KEY "
                               "with --transparent-key: the key's 5:6:5 word as a number), "
                               "and static const unsigned char NAME[] holding exactly the raw file's bytes. NAME "
                               "must be a C identifier. With several pictures each array is named NAME_STEM, STEM "
                               "being the picture's file name without its extension with every byte that cannot "
                               "stand in a C identifier made '_'. An indexed format's header also gives NAME_PALETTE_ENTRIES "
                               "and NAME_INDEX_OFFSET, where the index rows start.") },
            { { CAttribute }, QStringLiteral("TEXT"),
                QStringLiteral("Put TEXT before the array: PROGMEM, a section attribute, an alignment. Needs "
                               "--c-array, except with --check.") },
            { { CType }, QStringLiteral("TYPE"),
                QStringLiteral("The array's type: uint8 (the default: the raw file's bytes) or uint16 (static const "
                               "uint16_t NAME[NAME_SIZE / 2], the 16-bit units as numbers, which the compiler stores "
                               "in the target's order; for the formats made of 16-bit words, without "
                               "--byte-order). Needs --c-array, except with --check.") },
            { { Preview }, QStringLiteral("FILE.png"),
                QStringLiteral("Also write the reduced picture as the window's preview shows it, one pixel per "
                               "output pixel, as PNG (dithered, when --dither is given).") },
            { { Report }, QStringLiteral("FILE"),
                QStringLiteral("Also write the report (UTF-8, CR LF line ends) to FILE.") },
            { { QStringLiteral("q"), Quiet }, {},
                QStringLiteral("Do not print the report (with several pictures: the progress and the closing "
                               "line).") },
            { { QStringLiteral("j"), Jobs }, QStringLiteral("N"),
                QStringLiteral("With several pictures, how many to convert at once, 1..1024. Default: one for each "
                               "processor core.") },
            { { SharedPalette }, {},
                QStringLiteral("With several pictures into a folder, in an indexed format (%1): choose one "
                               "palette for all of them (from every picture's samples; --palette FILE gives it "
                               "instead), write it once as FOLDER/palette.raw (palette.h with --c-array PREFIX, "
                               "the array PREFIX_palette), and write each picture as "
                               "its index rows alone, its header saying so (NAME_INDEX_OFFSET 0) and naming the "
                               "palette's array.")
                    .arg(indexedFormatNames()) },
            { { Check }, {},
                QStringLiteral("Convert nothing: check the options and find every INPUT as the conversion would, "
                               "with the same messages and exit status, without reading a picture or writing a "
                               "file. -o may be left out; several INPUTs without -o are checked as conversions of "
                               "one picture each. Prints the array name of each picture, one a line: NAME with "
                               "--c-array NAME (NAME_STEM for several pictures into a folder), otherwise the name "
                               "rasterkit_add_images() gives its header and array: the file name without its last "
                               "extension, every byte that cannot stand in a C identifier made '_', a '_' before "
                               "a leading digit and after a keyword of C or C++, main or _Pragma (\"8x8.gif\" "
                               "gives _8x8, \"int.bmp\" int_, \"main.jpg\" main_).") },
            { { Frames }, {},
                QStringLiteral("Convert every frame of an animated GIF, each as a browser shows it (after the frame "
                               "before it is disposed of, with its transparency), the frame options applying to "
                               "the whole logical screen. -o FOLDER/ writes each frame whole as FOLDER/NAME_000.raw, "
                               "NAME_001.raw, ...; -o FILE writes one animation file: a 16-byte header (\"RKAN\", "
                               "version 1, the format index, width, height, frame count, loop count with 0 for "
                               "ever, two zero bytes), then for each frame a 16-byte record (x, y, width, height, "
                               "delay in milliseconds, two zero bytes, the data's byte count in 32 bits) and its "
                               "rectangle encoded as a picture of its own. The file's numbers are big-endian "
                               "whatever --byte-order says, which orders the pixel data only. Delays are the "
                               "GIF's hundredths times 10, 100 ms for 0 or 1 hundredth. With --c-array NAME the "
                               "array holds the animation file, with NAME_FRAME_COUNT and NAME_LOOPS beside "
                               "NAME_WIDTH and NAME_HEIGHT. A still picture is converted as one frame, which is "
                               "said on standard error. Frames are counted from 0.") },
            { { Delta }, {},
                QStringLiteral("With --frames -o FILE: store each frame after the first as the smallest rectangle "
                               "holding every pixel that differs from the frame shown before it (0 x 0, with no "
                               "data, when none does), so that a device redraws only that.") },
        },
        { FrameOptionId::Format, FrameOptionId::Width, FrameOptionId::Height, FrameOptionId::Scale,
            FrameOptionId::Origin, FrameOptionId::Center, FrameOptionId::Filter, FrameOptionId::Dither,
            FrameOptionId::ByteOrder, FrameOptionId::Background, FrameOptionId::ColourOrder, FrameOptionId::Rotate,
            FrameOptionId::Mirror, FrameOptionId::Threshold, FrameOptionId::Invert, FrameOptionId::Palette,
            FrameOptionId::TransparentKey },
        {},
        QStringLiteral("rasterkit-cli convert photo.jpg -o photo.raw -f %1 -W 176 -H 132 -s 1.5\n"
                       "rasterkit-cli convert sky.jpg -o sky.raw -f %2 -s 2.7 --filter box \\\n"
                       "    --dither ordered\n"
                       "rasterkit-cli convert logo.gif -o logo.h --c-array logo --c-attribute PROGMEM \\\n"
                       "    -W 128 -H 64 --center 400,300 --byte-order little --preview logo-preview.png\n"
                       "rasterkit-cli convert photos/ 'scans/*.bmp' -o raw/ -f %3 -W 240 -H 240\n"
                       "rasterkit-cli convert spinner.gif --frames --delta -o spinner.rkan -f %3 -W 64 -H 64")
            .arg(shortNameOf(PixelFormat::RGB565x8), shortNameOf(PixelFormat::RGB444x4), shortNameOf(PixelFormat::RGB565)),
    };
    return definition;
}

std::variant<ConvertOptions, Reply> parseConvert(const QStringList& arguments)
{
    CommandLine line(convertCommand());
    if (auto reply = line.parse(arguments))
        return *reply;

    const QStringList operands = line.operands();
    if (operands.isEmpty())
        return line.failure(QStringLiteral("missing INPUT: name the picture to convert (JPEG, PNG, BMP or GIF)."));
    if (line.isSet(Delta) && !line.isSet(Frames))
        return line.failure(QStringLiteral("--delta needs --frames: it stores an animation's frames as what changed."));
    if (line.isSet(Frames) && !line.isSet(Check))
        return parseFrames(line, operands);
    if (line.isSet(Check))
        return checkConversions(line, operands);
    if (namesBatch(line, operands))
        return parseBatch(line, operands);
    if (operands.size() > 1)
        return severalInputsFailure(line, operands);
    return parseSingle(line, operands.at(0), true);
}

QString sharedPalettePath(const QString& folder, bool header)
{
    return QDir(folder).filePath(PaletteStem + (header ? QStringLiteral(".h") : QStringLiteral(".raw")));
}

QString batchArrayName(const QString& prefix, const QString& stem)
{
    return QString::fromStdString(cIdentifierFrom((prefix + QLatin1Char('_') + stem).toStdString()));
}

PictureLoadResult loadFramePicture(const QString& inputPath, const FrameRequest& request)
{
    return loadFramePicture(inputPath, request, request.keepsAlpha());
}

PictureLoadResult loadFramePicture(const QString& inputPath, const FrameRequest& request, bool keepAlpha)
{
    // Pipes and FIFOs (process substitution, "-") are read as streams, within
    // the size limit; for the nearest pixel only the pixels the frame samples
    // are decoded, where the format allows it. Pictures that are not JPEG go
    // through Qt's readers in the module, loaded only for them.
    PictureLoadOptions load { .readStreams = true, .frame = request.frame, .background = request.background,
        .keepAlpha = keepAlpha, .otherReader = modulePictureReader() };
    if (filterInUse(request.filter, request.frame.sampleStep) == SampleFilter::Box)
        load.frame.reset();
    return inputPath == StandardStream ? loadPictureFromStandardInput(load) : loadPicture(inputPath, load);
}

RunOutcome runConvert(const ConvertOptions& options, std::string_view decimalSeparator)
{
    if (options.frames)
        return runFramesConvert(options);
    if (!options.batch.empty())
        return runBatchConvert(options, decimalSeparator);
    FrameRequest request = options.request;
    const FrameSettings& frame = request.frame;
    const PictureLoadResult picture = loadFramePicture(options.inputPath, request);
    if (!picture.ok())
        return RunOutcome::fileFailure(picture.message());
    // An indexed format's palette: --palette FILE's, or (empty) one chosen
    // for the frame, whose colours in use the encoder then writes.
    if (!request.palettePath.isEmpty() && request.levels.palette.empty()) {
        const PaletteFile palette = readPaletteFile(request.palettePath, request);
        if (!palette.ok())
            return RunOutcome::fileFailure(palette.error);
        request.levels.palette = palette.palette;
    }
    const Palette& palette = request.levels.palette;

    // The failures that can be seen before anything is written. Checking
    // every file first keeps a bad report path from failing the run after
    // the output was replaced.
    for (const QString& destination : { options.outputPath, options.previewPath, options.reportPath }) {
        if (destination.isEmpty())
            continue;
        if (const QString problem = destinationProblem(destination); !problem.isEmpty())
            return RunOutcome::fileFailure(problem);
    }

    const PixelGrid grid = reduceFrame(sourceImageOf(picture.image, picture.origin, request.keepsAlpha()), request);
    OutputBytes bytes = options.indexRowsOnly ? encodeIndexRows(request.format, grid, palette)
        : palette.empty()                     ? encode(request.format, grid)
                                              : encode(request.format, grid, palette);
    const std::string report = conversionReport(request.format, frame.targetWidth, frame.targetHeight,
        static_cast<std::int64_t>(bytes.size()), decimalSeparator);
    if (!options.indexRowsOnly)
        applyByteOrder(request.format, bytes, request.byteOrder);

    std::string header;
    if (!options.arrayName.isEmpty()) {
        // The file's own raster: turned, it is the frame's sides swapped.
        CHeaderOptions headerOptions { options.arrayName.toStdString(), options.arrayAttribute.toStdString(),
            grid.width(), grid.height(), request.format, request.byteOrder, options.arrayType,
            options.indexRowsOnly ? CHeaderPart::IndexRows : CHeaderPart::Whole,
            options.paletteArrayName.toStdString() };
        if (request.transparentKey)
            headerOptions.transparentKey = keyValue(formatInfo(request.format), *request.transparentKey, request.levels);
        header = cHeader(headerOptions, bytes);
    }
    const std::span<const std::uint8_t> written = header.empty() ? std::span<const std::uint8_t>(bytes) : byteSpan(header);
    if (const QString error = writeOutput(options.outputPath, written); !error.isEmpty())
        return RunOutcome::fileFailure(error);
    if (!options.previewPath.isEmpty()) {
        const RgbxPicture preview = previewImage(grid, request.format, request.levels.colourOrder);
        if (const QString error = writePicture(options.previewPath, preview); !error.isEmpty())
            return RunOutcome::fileFailure(error);
    }
    if (!options.reportPath.isEmpty()) {
        if (const QString error = writeOutput(options.reportPath, byteSpan(report)); !error.isEmpty())
            return RunOutcome::fileFailure(error);
    }
    RunOutcome outcome;
    // The report goes to standard error when the bytes went to standard output.
    outcome.outputOnStandardOutput = namesStandardOutput(options.outputPath);
    if (!options.quiet)
        outcome.printed = terminalText(report);
    return outcome;
}

std::string terminalText(std::string_view report)
{
    std::string text;
    text.reserve(report.size() + 1);
    for (std::size_t index = 0; index < report.size(); ++index) {
        if (report[index] == '\r' && index + 1 < report.size() && report[index + 1] == '\n')
            continue;
        text += report[index];
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return text;
}

} // namespace rasterkit::cli
