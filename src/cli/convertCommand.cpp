#include "convertCommand.h"

#include "convert/encoders.h"
#include "convert/report.h"
#include "convert/sampling.h"
#include "output/outputfile.h"
#include "platform/picturefile.h"

#include <QFile>

#include <cstdint>
#include <span>

#include <sys/stat.h>
#include <unistd.h>

namespace rasterkit::cli {

namespace {

// "-" names a standard stream, as in most tools: standard input as INPUT,
// standard output as OUTPUT.
const QString StandardStream = QStringLiteral("-");

// The output goes to standard output for "-", and also for a name of the file
// that standard output already is (/dev/stdout, or a redirection to the same
// file): writing through it leaves the shell's redirection in charge.
bool namesStandardOutput(const QString& path)
{
    if (path == StandardStream)
        return true;
    struct stat named {};
    struct stat standardOutput {};
    return ::stat(QFile::encodeName(path).constData(), &named) == 0 && ::fstat(STDOUT_FILENO, &standardOutput) == 0
        && named.st_dev == standardOutput.st_dev && named.st_ino == standardOutput.st_ino;
}

ConvertOutcome fileFailure(const QString& error)
{
    ConvertOutcome outcome;
    outcome.exitCode = ExitFileError;
    outcome.error = error;
    return outcome;
}

} // namespace

ConvertOutcome runConvert(const ConvertOptions& options, std::string_view decimalSeparator)
{
    // Pipes and FIFOs (process substitution, "-") are read as streams, within
    // the size limit; only the pixels the frame samples are decoded, where
    // the format allows it.
    const PictureLoadOptions streams { .readStreams = true, .frame = options.frame };
    const PictureLoadResult picture = options.inputPath == StandardStream ? loadPictureFromStandardInput(streams)
                                                                        : loadPicture(options.inputPath, streams);
    if (!picture.ok())
        return fileFailure(picture.message());

    // Both destinations are checked before either is written, so that a bad
    // report path does not fail the run after the output was replaced.
    const bool toStandardOutput = namesStandardOutput(options.outputPath);
    for (const QString& destination : { toStandardOutput ? QString() : options.outputPath, options.reportPath }) {
        if (destination.isEmpty())
            continue;
        if (const SaveResult problem = checkDestination(destination); !problem.ok())
            return fileFailure(problem.message());
    }

    const PixelGrid grid
        = sampleFrame(sourceImageOf(picture.image, picture.origin), options.frame, formatIndex(options.format));
    const OutputBytes bytes = encode(options.format, grid);

    ConvertOutcome outcome;
    outcome.report = conversionReport(options.format, options.frame.targetWidth, options.frame.targetHeight,
        static_cast<std::int64_t>(bytes.size()), decimalSeparator);

    outcome.outputOnStandardOutput = toStandardOutput;
    const SaveResult saved
        = toStandardOutput ? saveToStandardOutput(bytes) : saveOutputBytes(options.outputPath, bytes);
    if (!saved.ok())
        return fileFailure(saved.message());
    if (!options.reportPath.isEmpty()) {
        const auto reportBytes = std::as_bytes(std::span(outcome.report));
        const std::span<const std::uint8_t> reportData(
            reinterpret_cast<const std::uint8_t*>(reportBytes.data()), reportBytes.size());
        if (const SaveResult reportSaved = saveOutputBytes(options.reportPath, reportData); !reportSaved.ok())
            return fileFailure(reportSaved.message());
    }
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
