// Fuzz target for rasterkit-cli's command lines. The first byte chooses the
// command (convert, decode, pattern, compare or plan); the rest, split at NUL bytes, is the
// argument list after the command's name, read by that command's parser.
// Whatever it holds, the parser must either give the help or the version
// with exit status 0, refuse with exit status 2 and one message naming the
// program, or give options inside the bounds the help states: sizes 1..8192,
// scales 0.1..100, a known format and byte order, no file both read and
// written, and standard output ("-") written by one file at most; a batch
// (several pictures into a folder) writes one file a picture, none shared.
// convert --frames writes one file or one folder, decode --frames one
// folder and one sheet at most. convert --check ends with its reply too: a C identifier a line with exit
// status 0, or the palette and pictures that cannot be read with 1. plan gives a budget
// of 1 byte to 1 TiB, formats and dither modes each once, pictures read by
// name, a CMake file that is none of them, and with it pictures whose
// headers' names differ and that CMake can name.

#include "replay.h"

#include "compareCommand.h"
#include "convertCommand.h"
#include "decodeCommand.h"
#include "patternCommand.h"
#include "planCommand.h"

#include "output/cheader.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <QStringList>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <variant>

namespace {

using namespace rasterkit::cli;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "arguments fuzzer: %s\n", what);
        std::abort();
    }
}

void checkReply(const Reply& reply, const CommandSpec& command, bool checking)
{
    if (checking && reply.exitCode == ExitSuccess && reply.text != helpText(command) && reply.text != versionText()) {
        check(reply.text.endsWith(QLatin1Char('\n')), "--check's names do not end a line");
        for (const QString& name : reply.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            check(rasterkit::isCIdentifier(name.toStdString()), "--check gives a name that is no C identifier");
        return;
    }
    if (checking && reply.exitCode == ExitFileError) {
        // One message a file that cannot be read, each naming it (a name
        // may hold a line break): --palette's file first, then the pictures.
        const bool named = reply.text.startsWith(QLatin1String("rasterkit-cli: Cannot open \""))
            || reply.text.startsWith(QLatin1String("rasterkit-cli: Cannot open the palette \""))
            || reply.text.startsWith(QLatin1String("rasterkit-cli: Cannot use \""));
        check(named && reply.text.endsWith(QLatin1Char('\n')), "--check's failure is no picture's nor palette's");
        return;
    }
    if (reply.exitCode == ExitSuccess) {
        check(reply.text == helpText(command) || reply.text == versionText(), "exit status 0 without help or version");
        return;
    }
    check(reply.exitCode == ExitArgumentError, "a refused command line does not exit with 2");
    check(reply.text.startsWith(QLatin1String("rasterkit-cli: ")) && reply.text.endsWith(QLatin1Char('\n')),
        "a refusal is not one message naming the program");
}

void checkRequest(const FrameRequest& request)
{
    const rasterkit::FrameSettings& frame = request.frame;
    check(rasterkit::pixelFormatFromIndex(rasterkit::formatIndex(request.format)).has_value(), "an unknown format");
    check(request.byteOrder == rasterkit::ByteOrder::BigEndian || request.byteOrder == rasterkit::ByteOrder::LittleEndian,
        "an unknown byte order");
    check(frame.targetWidth >= MinimumSize && frame.targetWidth <= rasterkit::MaximumTargetSize && frame.targetHeight >= MinimumSize
            && frame.targetHeight <= rasterkit::MaximumTargetSize,
        "a size out of range");
    check(std::isfinite(frame.sampleStep) && frame.sampleStep >= MinimumScale && frame.sampleStep <= MaximumScale,
        "a scale out of range");
    const rasterkit::PixelFormatInfo& info = rasterkit::formatInfo(request.format);
    check(request.levels.threshold >= 0 && request.levels.threshold <= 256, "a threshold out of range");
    check(request.levels.colourOrder == rasterkit::ColourOrder::Rgb || !info.grey(), "a grey format in BGR order");
    check(!request.levels.invert || info.mono(), "a colour or grey format inverted");
    check(request.palettePath.isEmpty() || info.paletteEntries() > 0, "a palette for a format without one");
    check(request.levels.palette.empty(), "a palette read while the command line is parsed");
}

// The input is read from a file or "-"; each written file is named once,
// and none is the input, except standard input and output.
void checkFiles(const QString& input, std::initializer_list<QString> written)
{
    check(!input.isEmpty(), "no input");
    QStringList seen;
    for (const QString& path : written) {
        if (path.isEmpty())
            continue; // an optional file not asked for
        check(!seen.contains(path), "two outputs go to the same file");
        check(path != input || path == StandardStream, "an output replaces the input");
        seen << path;
    }
}

// The options, or nothing after checking the help, version or refusal.
template<typename Options>
const Options* optionsOf(const std::variant<Options, Reply>& parsed, const CommandSpec& command, bool checking = false)
{
    if (const Reply* reply = std::get_if<Reply>(&parsed)) {
        checkReply(*reply, command, checking);
        return nullptr;
    }
    return &std::get<Options>(parsed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A folder among the inputs is read for the picture formats Qt knows,
    // which the module just built tells.
    static const bool moduleNamed = qEnvironmentVariableIsSet("RASTERKIT_CLI_GUI_MODULE")
        || qputenv("RASTERKIT_CLI_GUI_MODULE", RASTERKIT_BUILT_CLI_GUI_MODULE);
    if (size == 0 || !moduleNamed)
        return 0;
    const std::array<const CommandSpec*, 5> commands { &convertCommand(), &decodeCommand(), &patternCommand(),
        &compareCommand(), &planCommand() };
    const CommandSpec& command = *commands[data[0] % commands.size()];
    QStringList arguments { QStringLiteral("rasterkit-cli"), command.name };
    if (size > 1) {
        const QByteArray rest(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
        for (const QByteArray& argument : rest.split('\0'))
            arguments << QString::fromUtf8(argument);
    }
    check(commandName(arguments, commands) == command.name, "the program would run another command");

    if (&command == &convertCommand()) {
        const auto parsed = parseConvert(arguments);
        if (const auto* options = optionsOf(parsed, command, arguments.contains(QStringLiteral("--check")))) {
            checkRequest(options->request);
            if (options->frames) {
                // An animation: into one file or one folder, never a batch;
                // what changed only into a file.
                check(options->batch.empty() && options->outputPath.isEmpty() != options->outputFolder.isEmpty()
                        && options->reportPath.isEmpty() && options->previewPath.isEmpty(),
                    "frames without one file or one folder, or with a single picture's outputs");
                check(!options->delta || options->outputFolder.isEmpty(), "what changed written into a folder");
                checkFiles(options->inputPath, { options->outputPath });
            } else if (options->batch.empty()) {
                check(!options->outputPath.isEmpty(), "no output");
                checkFiles(options->inputPath, { options->outputPath, options->reportPath, options->previewPath });
            } else {
                // Several pictures into a folder: one output each, none shared
                // and none an input, and no single-file output besides.
                check(!options->outputFolder.isEmpty() && options->outputPath.isEmpty()
                        && options->reportPath.isEmpty() && options->previewPath.isEmpty(),
                    "a batch without its folder, or with a single output");
                QStringList inputs;
                QStringList outputs;
                for (const BatchItem& item : options->batch) {
                    check(!item.inputPath.isEmpty() && !item.outputPath.isEmpty(), "a batch picture without a file");
                    inputs << item.inputPath;
                    outputs << item.outputPath;
                }
                outputs.removeDuplicates();
                check(outputs.size() == static_cast<qsizetype>(options->batch.size()), "two pictures of a batch share an output");
                for (const QString& output : outputs)
                    check(!inputs.contains(output), "a batch output replaces an input");
                // A shared palette: an indexed format, several pictures,
                // none of them written where the palette goes.
                if (options->sharedPalette) {
                    check(rasterkit::formatInfo(options->request.format).paletteEntries() > 0 && outputs.size() > 1,
                        "a shared palette without an indexed format or several pictures");
                    const QString palette = sharedPalettePath(options->outputFolder, !options->arrayName.isEmpty());
                    for (const QString& output : outputs)
                        check(!sameFile(output, palette), "a batch picture written over the shared palette");
                }
            }
            check(!options->sharedPalette || !options->batch.empty(), "a shared palette for one picture");
            const QString& array = options->arrayName;
            check(array.isEmpty() ? options->arrayAttribute.isEmpty() : array.front().isLetter() || array.front() == u'_',
                "a C array name that is no identifier, or an attribute without an array");
        }
    } else if (&command == &decodeCommand()) {
        const auto parsed = parseDecode(arguments);
        if (const auto* options = optionsOf(parsed, command)) {
            checkRequest(options->request);
            check(!options->outputPath.isEmpty() || (options->frames && !options->sheetPath.isEmpty()), "no output");
            check(options->frames || options->sheetPath.isEmpty(), "a sheet of a still picture");
            checkFiles(options->inputPath, { options->outputPath, options->sheetPath });
        }
    } else if (&command == &compareCommand()) {
        const auto parsed = parseCompare(arguments);
        if (const auto* options = optionsOf(parsed, command)) {
            checkRequest(options->request);
            check(!options->dithers.empty() && options->dithers.size() <= rasterkit::AllDithers.size(), "no dither mode, or more than there are");
            check(!options->formats.empty() && options->formats.size() <= rasterkit::AllPixelFormats.size(), "no format, or one twice");
            checkFiles(options->inputPath, { options->sheetPath });
        }
    } else if (&command == &planCommand()) {
        const auto parsed = parsePlan(arguments);
        if (const auto* options = optionsOf(parsed, command)) {
            checkRequest(options->request);
            check(options->budget >= 1 && options->budget <= MaximumBudget, "a budget out of range");
            check(!options->dithers.empty() && options->dithers.size() <= rasterkit::AllDithers.size(), "no dither mode, or more than there are");
            check(!options->formats.empty() && options->formats.size() <= rasterkit::AllPixelFormats.size(), "no format, or one twice");
            check(!options->inputPaths.isEmpty(), "no picture");
            QStringList names;
            for (const QString& input : options->inputPaths) {
                check(input != StandardStream, "standard input among the pictures");
                checkFiles(input, { options->cmakePath });
                names << QString::fromStdString(
                    rasterkit::pictureArrayName(QFile::encodeName(QFileInfo(input).fileName()).toStdString()));
                check(options->cmakePath.isEmpty() || !input.contains(QLatin1Char(';')), "a picture CMake cannot name");
            }
            names.removeDuplicates();
            check(options->cmakePath.isEmpty() || names.size() == options->inputPaths.size(),
                "two headers of one name in the CMake file");
        }
    } else {
        const auto parsed = parsePattern(arguments);
        if (const auto* options = optionsOf(parsed, command)) {
            checkRequest(options->request);
            check(!options->outputPath.isEmpty(), "no output");
        }
    }
    return 0;
}
