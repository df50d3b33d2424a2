#include "convertCommand.h"

#include "convert/encoders.h"
#include "convert/report.h"
#include "convert/sampling.h"
#include "output/outputfile.h"
#include "platform/picturefile.h"

#include <cstdint>
#include <span>

namespace rasterkit::cli {

namespace {

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
    // Pipes and FIFOs (process substitution) are read as streams, within the
    // size limit; only the pixels the frame samples are decoded, where the
    // format allows it.
    const PictureLoadResult picture
        = loadPicture(options.inputPath, PictureLoadOptions { .readStreams = true, .frame = options.frame });
    if (!picture.ok())
        return fileFailure(picture.message());

    // Both destinations are checked before either is written, so that a bad
    // report path does not fail the run after the output was replaced.
    for (const QString& destination : { options.outputPath, options.reportPath }) {
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

    if (const SaveResult saved = saveOutputBytes(options.outputPath, bytes); !saved.ok())
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
