#include "convertCommand.h"

#include "convert/encoders.h"
#include "convert/report.h"
#include "convert/sampling.h"
#include "output/outputfile.h"
#include "platform/picturefile.h"

#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <span>

namespace rasterkit::cli {

namespace {

// The failures that can be seen before anything is written: a destination
// that is a folder, or whose folder does not exist. Checking both files first
// keeps a bad report path from failing the run after the output was replaced.
QString destinationProblem(const QString& path)
{
    const QFileInfo info(path);
    const QString shown = info.absoluteFilePath();
    if (info.isDir())
        return QStringLiteral("Cannot write \"%1\": it is a folder.").arg(shown);
    const QDir folder = info.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("Cannot write \"%1\": the folder \"%2\" does not exist.").arg(shown, folder.absolutePath());
    return {};
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
    // Only the pixels the frame samples are decoded, where the format allows it.
    const PictureLoadResult picture = loadPictureForFrame(options.inputPath, options.frame);
    if (!picture.ok())
        return fileFailure(picture.error);

    for (const QString& destination : { options.outputPath, options.reportPath }) {
        if (destination.isEmpty())
            continue;
        if (const QString problem = destinationProblem(destination); !problem.isEmpty())
            return fileFailure(problem);
    }

    const PixelGrid grid
        = sampleFrame(sourceImageOf(picture.image, picture.origin), options.frame, formatIndex(options.format));
    const OutputBytes bytes = encode(options.format, grid);

    ConvertOutcome outcome;
    outcome.report = conversionReport(options.format, options.frame.targetWidth, options.frame.targetHeight,
        static_cast<std::int64_t>(bytes.size()), decimalSeparator);

    if (const SaveResult saved = saveOutputBytes(options.outputPath, bytes); !saved.ok())
        return fileFailure(saved.error);
    if (!options.reportPath.isEmpty()) {
        const auto reportBytes = std::as_bytes(std::span(outcome.report));
        const std::span<const std::uint8_t> reportData(
            reinterpret_cast<const std::uint8_t*>(reportBytes.data()), reportBytes.size());
        if (const SaveResult saved = saveOutputBytes(options.reportPath, reportData); !saved.ok())
            return fileFailure(saved.error);
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
