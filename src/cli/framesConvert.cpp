#include "framesConvert.h"

#include "guifunctions.h"
#include "paletteFile.h"

#include "convert/bilingual.h"
#include "convert/byteorder.h"
#include "convert/encoders.h"
#include "output/cheader.h"
#include "platform/gifframes.h"

#include <QDir>
#include <QFileInfo>

namespace rasterkit::cli {

namespace {

QString frameCountText(int count)
{
    return count == 1 ? QStringLiteral("1 frame") : QStringLiteral("%1 frames").arg(count);
}

// The stem of the frames' files: the picture's file name without its
// extension, "frame" for standard input.
QString frameStem(const QString& inputPath)
{
    if (inputPath == StandardStream)
        return QStringLiteral("frame");
    const QString stem = QFileInfo(inputPath).completeBaseName();
    return stem.isEmpty() ? QStringLiteral("frame") : stem;
}

} // namespace

QString frameFileName(const QString& stem, int index, int frameCount, const QString& extension)
{
    const int digits = std::max(3, static_cast<int>(QString::number(std::max(frameCount - 1, 0)).size()));
    return QStringLiteral("%1_%2%3").arg(stem).arg(index, digits, 10, QLatin1Char('0')).arg(extension);
}

ConvertedAnimation convertFrames(const QString& inputPath, const FrameRequest& given, bool delta,
    const ConvertedFrameVisitor& visitor)
{
    ConvertedAnimation converted;
    FrameRequest request = given;
    if (!request.palettePath.isEmpty() && request.levels.palette.empty()) {
        const PaletteFile palette = readPaletteFile(request.palettePath, request);
        if (!palette.ok()) {
            converted.error = palette.error;
            return converted;
        }
        request.levels.palette = palette.palette;
    }
    const Palette& palette = request.levels.palette;
    const RectangleEncoder encodeRectangle = [&](const PixelGrid& grid) {
        OutputBytes bytes = palette.empty() ? encode(request.format, grid) : encode(request.format, grid, palette);
        applyByteOrder(request.format, bytes, request.byteOrder);
        return bytes;
    };

    Animation& animation = converted.animation;
    animation.format = request.format;
    animation.width = request.outputWidth();
    animation.height = request.outputHeight();
    PixelGrid previous;
    std::int64_t fileSize = AnimationHeaderBytes;
    bool tooLarge = false;
    const PictureLoadOptions load { .readStreams = true, .background = request.background,
        .keepAlpha = request.keepsAlpha(), .otherReader = modulePictureReader() };
    const AnimationLoadResult loaded = loadAnimatedPicture(inputPath, load,
        [&](int index, const RgbxPicture& screen, int delay) {
            if (tooLarge)
                return;
            PixelGrid grid = reduceFrame(sourceImageOf(screen, {}, request.keepsAlpha()), request);
            if (visitor)
                visitor(index, grid);
            AnimationFrame frame = animationFrame(grid, delta && index > 0 ? &previous : nullptr, delay, encodeRectangle);
            fileSize += static_cast<std::int64_t>(AnimationRecordBytes + frame.data.size());
            if (fileSize > MaximumPictureBytes) {
                tooLarge = true;
                animation.frames.clear();
                return;
            }
            animation.frames.push_back(std::move(frame));
            if (delta)
                previous = std::move(grid);
        });
    if (!loaded.ok()) {
        converted.error = loaded.status.message();
        return converted;
    }
    if (tooLarge) {
        converted.error = QStringLiteral("Cannot convert the frames of \"%1\": converted, they would take more than %2.")
                              .arg(loaded.status.file, QString::fromStdString(byteSizeText(MaximumPictureBytes, Language::English)));
        return converted;
    }
    animation.loops = std::min(loaded.loops, MaximumAnimationNumber);
    converted.still = loaded.still;
    return converted;
}

RunOutcome runFramesConvert(const ConvertOptions& options)
{
    const FrameRequest& request = options.request;
    const bool toFolder = !options.outputFolder.isEmpty();
    if (!toFolder) {
        if (const QString problem = destinationProblem(options.outputPath); !problem.isEmpty())
            return RunOutcome::fileFailure(problem);
    }
    ConvertedAnimation converted = convertFrames(options.inputPath, request, options.delta);
    if (!converted.ok())
        return RunOutcome::fileFailure(converted.error);
    const Animation& animation = converted.animation;
    const int frameCount = static_cast<int>(animation.frames.size());

    RunOutcome outcome;
    const QString shown = options.inputPath == StandardStream ? QStringLiteral("standard input")
                                                              : QStringLiteral("\"%1\"").arg(options.inputPath);
    if (converted.still)
        outcome.notice = QStringLiteral("%1 is a still picture: it is converted as one frame.").arg(shown);

    std::int64_t written = 0;
    QString where;
    if (toFolder) {
        const QString& folder = options.outputFolder;
        if (!QDir().mkpath(folder)) {
            return RunOutcome::fileFailure(
                QStringLiteral("Cannot create the folder \"%1\".").arg(QFileInfo(folder).absoluteFilePath()));
        }
        const QString stem = frameStem(options.inputPath);
        for (int index = 0; index < frameCount; ++index) {
            const QString path = QDir(folder).filePath(frameFileName(stem, index, frameCount, QStringLiteral(".raw")));
            const OutputBytes& bytes = animation.frames[static_cast<std::size_t>(index)].data;
            if (const QString error = writeOutput(path, bytes); !error.isEmpty()) {
                outcome.exitCode = ExitFileError;
                outcome.error = index == 0 ? error
                                           : QStringLiteral("%1 Frames 0 to %2 were written.").arg(error).arg(index - 1);
                return outcome;
            }
            written += static_cast<std::int64_t>(bytes.size());
        }
        where = QStringLiteral("\"%1\"").arg(folder);
    } else {
        const OutputBytes bytes = animationFileBytes(animation);
        written = static_cast<std::int64_t>(bytes.size());
        std::string header;
        if (!options.arrayName.isEmpty()) {
            CHeaderOptions headerOptions { options.arrayName.toStdString(), options.arrayAttribute.toStdString(),
                animation.width, animation.height, request.format, request.byteOrder, CArrayType::Bytes,
                CHeaderPart::Animation, {} };
            headerOptions.frameCount = frameCount;
            headerOptions.loops = animation.loops;
            header = cHeader(headerOptions, bytes);
        }
        const std::span<const std::uint8_t> file = header.empty() ? std::span<const std::uint8_t>(bytes) : byteSpan(header);
        if (const QString error = writeOutput(options.outputPath, file); !error.isEmpty())
            return RunOutcome::fileFailure(error);
        outcome.outputOnStandardOutput = namesStandardOutput(options.outputPath);
        where = namesStandardOutput(options.outputPath) ? QStringLiteral("standard output")
                                                        : QStringLiteral("\"%1\"").arg(options.outputPath);
    }
    if (!options.quiet) {
        outcome.printed = QStringLiteral("%1 of %2 x %3 pixels in the format \"%4\"%5: %6 bytes into %7.\n")
                              .arg(frameCountText(frameCount))
                              .arg(animation.width)
                              .arg(animation.height)
                              .arg(fromView(formatInfo(request.format).name))
                              .arg(options.delta ? QStringLiteral(", each after the first as what changed") : QString())
                              .arg(written)
                              .arg(where)
                              .toStdString();
    }
    return outcome;
}

} // namespace rasterkit::cli
