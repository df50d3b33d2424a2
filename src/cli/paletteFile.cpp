#include "paletteFile.h"

#include "guifunctions.h"

#include "convert/byteorder.h"
#include "convert/decoders.h"
#include "platform/picturefile.h"

#include <QFile>
#include <QFileInfo>

namespace rasterkit::cli {

namespace {

QString shownPath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QString paletteFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Cannot open the palette \"%1\": the file does not exist.").arg(shownPath(path));
    if (info.isDir())
        return QStringLiteral("Cannot open the palette \"%1\": it is a folder, not a file.").arg(shownPath(path));
    return {};
}

PaletteFile readPaletteFile(const QString& path, const FrameRequest& request)
{
    PaletteFile result;
    if (const QString problem = paletteFileProblem(path); !problem.isEmpty()) {
        result.error = problem;
        return result;
    }
    const PixelFormatInfo& info = formatInfo(request.format);
    const auto entries = static_cast<std::size_t>(info.paletteEntries());
    const PictureLoadOptions load { .readStreams = true, .background = request.background,
        .otherReader = modulePictureReader() };
    const PictureLoadResult picture = loadPicture(path, load);
    if (picture.ok()) {
        // Every pixel's colour, as the format reduces it.
        std::vector<std::int32_t> colours;
        colours.reserve(std::size_t(picture.image.width()) * std::size_t(picture.image.height()));
        for (int y = 0; y < picture.image.height(); ++y) {
            const std::uint8_t* pixel = picture.image.constScanLine(y);
            for (int x = 0; x < picture.image.width(); ++x, pixel += 4) {
                const Colour colour = inColourOrder(makeColour(pixel[0], pixel[1], pixel[2]), request.levels.colourOrder);
                colours.push_back(static_cast<std::int32_t>(colour));
            }
        }
        result.palette = paletteOfColours(colours);
        if (result.palette.size() > entries) {
            result.error = QStringLiteral("Cannot use \"%1\" as the palette: it holds %2 colours; %3 holds %4.")
                               .arg(shownPath(path))
                               .arg(result.palette.size())
                               .arg(fromView(info.shortName))
                               .arg(entries);
            result.palette.clear();
        }
        return result;
    }
    if (picture.error != PictureError::NotAPicture) {
        result.error = picture.message();
        return result;
    }

    // A raw file: its palette part.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Cannot open the palette \"%1\": %2.").arg(shownPath(path), file.errorString());
        return result;
    }
    const QByteArray start = file.read(info.paletteBytes());
    if (start.size() < info.paletteBytes()) {
        result.error = QStringLiteral("Cannot use \"%1\" as the palette: it is not a picture, and at %2 bytes too "
                                      "short for a raw file of \"%3\", whose palette takes %4 bytes.")
                           .arg(shownPath(path))
                           .arg(start.size())
                           .arg(fromView(info.name))
                           .arg(info.paletteBytes());
        return result;
    }
    OutputBytes bytes(start.begin(), start.end());
    applyByteOrder(request.format, bytes, request.byteOrder); // back to the files' own order
    result.palette = decodePalette(request.format, bytes);
    return result;
}

} // namespace rasterkit::cli
