// Fuzz target for rasterkit-cli's command line: the input, split at NUL
// bytes, is the argument list after the program's name. Whatever it holds,
// parsing must end in one of the four actions with its exit code, a failure
// must say what is wrong, and a conversion must only be asked for with
// options inside the bounds the convert command states.

#include "replay.h"

#include "cliOptions.h"

#include <QByteArray>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "arguments fuzzer: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace rasterkit::cli;
    QStringList arguments { QStringLiteral("rasterkit-cli") };
    for (const QByteArray& argument : QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\0'))
        arguments << QString::fromUtf8(argument);

    const CliParseResult result = parseCommandLine(arguments);
    switch (result.action) {
    case CliAction::ShowHelp:
        check(result.exitCode == ExitSuccess && result.text == usageText(), "help is not the usage text");
        break;
    case CliAction::ShowVersion:
        check(result.exitCode == ExitSuccess && result.text == versionText(), "version is not the version text");
        break;
    case CliAction::Fail:
        check(result.exitCode == ExitArgumentError, "a refused command line does not exit with 2");
        check(result.text.startsWith(QLatin1String("rasterkit-cli: ")) && result.text.endsWith(QLatin1Char('\n')),
            "a refusal is not one message naming the program");
        break;
    case CliAction::Convert: {
        const ConvertOptions& options = result.options;
        const rasterkit::FrameSettings& frame = options.frame;
        check(result.exitCode == ExitSuccess, "a conversion does not exit with 0");
        // "-" is a standard stream, standard input as INPUT and standard output as OUTPUT.
        const auto distinct = [](const QString& first, const QString& second) {
            return first != second || first == QLatin1String("-");
        };
        check(!options.inputPath.isEmpty() && !options.outputPath.isEmpty()
                && distinct(options.inputPath, options.outputPath),
            "a conversion without distinct input and output");
        check(distinct(options.reportPath, options.inputPath) && distinct(options.reportPath, options.outputPath),
            "the report would replace the input or the output");
        check(rasterkit::pixelFormatFromIndex(rasterkit::formatIndex(options.format)).has_value(), "an unknown format");
        check(frame.targetWidth >= MinimumSize && frame.targetWidth <= MaximumSize && frame.targetHeight >= MinimumSize
                && frame.targetHeight <= MaximumSize,
            "a size out of range");
        check(std::isfinite(frame.sampleStep) && frame.sampleStep >= MinimumScale && frame.sampleStep <= MaximumScale,
            "a scale out of range");
        break;
    }
    default:
        check(false, "an unknown action");
    }
    return 0;
}
