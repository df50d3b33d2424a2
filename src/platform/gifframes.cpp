#include "gifframes.h"

#include "convert/animation.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace rasterkit {

namespace {

struct MemoryInput {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* into, int length)
{
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(length, 0)), input->bytes.size() - input->at);
    std::memcpy(into, input->bytes.data() + input->at, count);
    input->at += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

QString gifErrorText(int error)
{
    if (error == D_GIF_ERR_READ_FAILED)
        return QStringLiteral("the file ends inside it");
    const char* text = GifErrorString(error);
    return text != nullptr ? QString::fromUtf8(text) : QStringLiteral("giflib error %1").arg(error);
}

// What the graphic control block before an image says of it.
struct FrameControl {
    int disposal = DISPOSAL_UNSPECIFIED;
    int delay = 0; // hundredths
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

// The rows of an interlaced image come in four passes: every 8th row from
// row 0, every 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int row = 0; row < height; ++row)
            rows.push_back(row);
        return rows;
    }
    constexpr int Starts[] = { 0, 4, 2, 1 };
    constexpr int Steps[] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = Starts[pass]; row < height; row += Steps[pass])
            rows.push_back(row);
    }
    return rows;
}

class GifComposer {
public:
    GifComposer(GifFileType* gif, std::int64_t frameCount, const PictureBlending& blending, const QString& shown,
        const ComposedFrameVisitor& visitor)
        : m_gif(gif)
        , m_frameCount(frameCount)
        , m_blending(blending)
        , m_shown(shown)
        , m_visitor(visitor)
    {
    }

    AnimationLoadResult run();

private:
    PictureLoadResult frameFailure(PictureError error, const QString& detail = {}) const
    {
        return PictureLoadResult::failure(error, m_shown, detail, { m_frames, error == PictureError::FrameOutside ? 1 : 0 });
    }
    QString gifError() const { return gifErrorText(m_gif->Error); }
    PictureLoadResult readExtension(FrameControl& control, int& loops);
    PictureLoadResult drawImage(const FrameControl& control);
    void dispose(const FrameControl& control, const GifImageDesc& place);

    GifFileType* m_gif;
    std::int64_t m_frameCount; // as countGifFrames counts them
    PictureBlending m_blending;
    QString m_shown;
    const ComposedFrameVisitor& m_visitor;
    RgbxPicture m_screen;   // RGBA, straight alpha
    RgbxPicture m_restore;  // the screen before the frame, for disposal "previous"
    std::vector<GifByteType> m_line;
    int m_frames = 0;
};

PictureLoadResult GifComposer::readExtension(FrameControl& control, int& loops)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(m_gif, &code, &block) == GIF_ERROR)
        return frameFailure(PictureError::FrameDamaged, gifError());
    bool loopBlock = false;
    for (bool first = true; block != nullptr; first = false) {
        const int length = block[0];
        if (code == GRAPHICS_EXT_FUNC_CODE && first) {
            GraphicsControlBlock graphics {};
            if (DGifExtensionToGCB(static_cast<std::size_t>(length), block + 1, &graphics) == GIF_OK) {
                control.disposal = graphics.DisposalMode;
                control.delay = graphics.DelayTime;
                control.transparentIndex = graphics.TransparentColor;
            }
        } else if (code == APPLICATION_EXT_FUNC_CODE && first) {
            loopBlock = length == 11
                && (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
        } else if (loopBlock && length >= 3 && block[1] == 1) {
            // The block's count is of the repeats after the first showing,
            // as browsers take it: 0 is for ever.
            const int repeats = block[2] | (block[3] << 8);
            loops = repeats == 0 ? 0 : std::min(repeats + 1, MaximumAnimationNumber);
            loopBlock = false;
        }
        if (DGifGetExtensionNext(m_gif, &block) == GIF_ERROR)
            return frameFailure(PictureError::FrameDamaged, gifError());
    }
    return {};
}

void GifComposer::dispose(const FrameControl& control, const GifImageDesc& place)
{
    if (control.disposal == DISPOSE_BACKGROUND) {
        for (int row = place.Top; row < place.Top + place.Height; ++row)
            std::memset(m_screen.scanLine(row) + 4 * std::ptrdiff_t(place.Left), 0, 4 * std::size_t(place.Width));
    } else if (control.disposal == DISPOSE_PREVIOUS) {
        for (int row = place.Top; row < place.Top + place.Height; ++row)
            std::memcpy(m_screen.scanLine(row) + 4 * std::ptrdiff_t(place.Left),
                m_restore.constScanLine(row) + 4 * std::ptrdiff_t(place.Left), 4 * std::size_t(place.Width));
    }
}

PictureLoadResult GifComposer::drawImage(const FrameControl& control)
{
    if (DGifGetImageDesc(m_gif) == GIF_ERROR)
        return frameFailure(PictureError::FrameDamaged, gifError());
    const GifImageDesc place = m_gif->Image;
    if (place.Left < 0 || place.Top < 0 || place.Width < 0 || place.Height < 0
        || place.Left + place.Width > m_gif->SWidth || place.Top + place.Height > m_gif->SHeight) {
        return frameFailure(PictureError::FrameOutside,
            QStringLiteral("its %1 x %2 pixels at %3,%4 pass the screen of %5 x %6")
                .arg(place.Width)
                .arg(place.Height)
                .arg(place.Left)
                .arg(place.Top)
                .arg(m_gif->SWidth)
                .arg(m_gif->SHeight));
    }
    const ColorMapObject* colours = place.ColorMap != nullptr ? place.ColorMap : m_gif->SColorMap;
    if (colours == nullptr || colours->ColorCount <= 0)
        return frameFailure(PictureError::FrameDamaged, QStringLiteral("it has no colour table"));

    if (control.disposal == DISPOSE_PREVIOUS) {
        for (int row = place.Top; row < place.Top + place.Height; ++row)
            std::memcpy(m_restore.scanLine(row) + 4 * std::ptrdiff_t(place.Left),
                m_screen.constScanLine(row) + 4 * std::ptrdiff_t(place.Left), 4 * std::size_t(place.Width));
    }
    m_line.resize(static_cast<std::size_t>(std::max(place.Width, 1)));
    for (const int row : rowOrder(place.Height, place.Interlace)) {
        if (DGifGetLine(m_gif, m_line.data(), place.Width) == GIF_ERROR)
            return frameFailure(PictureError::FrameDamaged, gifError());
        std::uint8_t* pixel = m_screen.scanLine(place.Top + row) + 4 * std::ptrdiff_t(place.Left);
        for (int column = 0; column < place.Width; ++column, pixel += 4) {
            const int index = m_line[static_cast<std::size_t>(column)];
            if (index == control.transparentIndex)
                continue;
            const GifColorType& colour = colours->Colors[index < colours->ColorCount ? index : 0];
            pixel[0] = colour.Red;
            pixel[1] = colour.Green;
            pixel[2] = colour.Blue;
            pixel[3] = 0xFF;
        }
    }
    // An image of no pixels still ends its (empty) data.
    if (place.Width == 0 || place.Height == 0) {
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(m_gif, &codeSize, &block) == GIF_ERROR)
            return frameFailure(PictureError::FrameDamaged, gifError());
        while (block != nullptr) {
            if (DGifGetCodeNext(m_gif, &block) == GIF_ERROR)
                return frameFailure(PictureError::FrameDamaged, gifError());
        }
    }
    return {};
}

AnimationLoadResult GifComposer::run()
{
    AnimationLoadResult result;
    const int width = m_gif->SWidth;
    const int height = m_gif->SHeight;
    const std::int64_t screenBytes = 4 * std::int64_t(width) * height;
    if (screenBytes > MaximumPictureBytes) {
        result.status = PictureLoadResult::failure(PictureError::TooManyPixels, m_shown, {}, { width, height });
        return result;
    }
    if (width <= 0 || height <= 0) {
        result.status = PictureLoadResult::failure(PictureError::FrameOutside, m_shown,
            QStringLiteral("the screen is %1 x %2 pixels").arg(width).arg(height), { 0, 1 });
        return result;
    }
    // Refused before any frame is decoded when its frames are counted past
    // the limits; the count is checked again frame by frame.
    if (m_frameCount > MaximumAnimationFrames || m_frameCount * screenBytes > MaximumPictureBytes) {
        result.status = PictureLoadResult::failure(PictureError::TooManyFrames, m_shown, {}, { m_frameCount, 0 });
        return result;
    }
    m_screen = RgbxPicture::allocate(width, height);
    m_restore = RgbxPicture::allocate(width, height);
    if (m_screen.isNull() || m_restore.isNull()) {
        result.status = PictureLoadResult::failure(PictureError::OutOfMemory, m_shown, {}, { width, height });
        return result;
    }
    for (int row = 0; row < height; ++row)
        std::memset(m_screen.scanLine(row), 0, 4 * std::size_t(width));

    FrameControl control;
    std::optional<std::pair<FrameControl, GifImageDesc>> shownBefore;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(m_gif, &type) == GIF_ERROR) {
            // A GIF whose data ends after a whole frame is shown as far as
            // it goes, as browsers show it; a damaged first frame is no picture.
            if (m_frames > 0 && m_gif->Error == D_GIF_ERR_READ_FAILED)
                break;
            result.status = frameFailure(PictureError::FrameDamaged, gifError());
            return result;
        }
        if (type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (PictureLoadResult read = readExtension(control, result.loops); !read.ok()) {
                result.status = read;
                return result;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            result.status = frameFailure(PictureError::FrameDamaged, QStringLiteral("a block of unknown type"));
            return result;
        }
        if (m_frames >= MaximumAnimationFrames || std::int64_t(m_frames + 1) * screenBytes > MaximumPictureBytes) {
            result.status = PictureLoadResult::failure(PictureError::TooManyFrames, m_shown, {}, { m_frames + 1, 0 });
            return result;
        }
        if (shownBefore)
            dispose(shownBefore->first, shownBefore->second);
        if (PictureLoadResult drawn = drawImage(control); !drawn.ok()) {
            result.status = drawn;
            return result;
        }
        shownBefore.emplace(control, m_gif->Image);
        if (m_blending.keepAlpha) {
            m_visitor(m_frames, m_screen, gifDelay(control.delay));
        } else {
            const RgbxPicture flattened = flattenedPicture(m_screen, m_blending.background);
            if (flattened.isNull()) {
                result.status = PictureLoadResult::failure(PictureError::OutOfMemory, m_shown, {}, { width, height });
                return result;
            }
            m_visitor(m_frames, flattened, gifDelay(control.delay));
        }
        ++m_frames;
        control = {};
    }
    result.frameCount = m_frames;
    if (m_frames == 0)
        result.status = PictureLoadResult::failure(PictureError::Damaged, m_shown, QStringLiteral("it holds no frame"));
    result.still = m_frames == 1;
    return result;
}

} // namespace

int countGifFrames(std::span<const std::uint8_t> data)
{
    // The logical screen descriptor ends at byte 13, then its colour table.
    if (data.size() < 13)
        return 0;
    std::size_t at = 13;
    if ((data[10] & 0x80) != 0)
        at += 3 * (std::size_t(2) << (data[10] & 7));
    // Skips a chain of sub-blocks, each its length byte and that many bytes,
    // ended by a length of 0; false if the data ends first.
    const auto skipBlocks = [&data, &at] {
        while (at < data.size()) {
            const std::size_t length = data[at];
            at += 1 + length;
            if (length == 0)
                return at <= data.size();
        }
        return false;
    };
    int frames = 0;
    while (at < data.size()) {
        const std::uint8_t introducer = data[at];
        if (introducer == 0x21) { // an extension: its label, then its blocks
            at += 2;
            if (!skipBlocks())
                break;
        } else if (introducer == 0x2C) { // an image: its descriptor, colour table and code size, then its blocks
            if (data.size() - at < 10)
                break;
            const std::uint8_t flags = data[at + 9];
            at += 10 + ((flags & 0x80) != 0 ? 3 * (std::size_t(2) << (flags & 7)) : 0) + 1;
            if (!skipBlocks())
                break;
            ++frames;
        } else {
            break; // the trailer, or something no GIF holds
        }
    }
    return frames;
}

int gifDelay(int hundredths)
{
    if (hundredths <= 1)
        return 100;
    return std::min(hundredths * 10, MaximumAnimationNumber);
}

bool looksLikeGif(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

AnimationLoadResult decodeGifFrames(std::span<const std::uint8_t> data, const PictureBlending& blending,
    const QString& shown, const ComposedFrameVisitor& visitor)
{
    MemoryInput input { data };
    int error = 0;
    const GifFile gif(DGifOpen(&input, readFromMemory, &error));
    if (!gif) {
        AnimationLoadResult result;
        result.status = PictureLoadResult::failure(PictureError::Damaged, shown, gifErrorText(error));
        return result;
    }
    return GifComposer(gif.get(), countGifFrames(data), blending, shown, visitor).run();
}

AnimationLoadResult loadAnimatedPicture(const QString& path, const PictureLoadOptions& options,
    const ComposedFrameVisitor& visitor)
{
    AnimationLoadResult result;
    QByteArray data;
    PictureLoadOptions whole = options;
    whole.frame.reset();
    result.status = readPictureFile(path, whole, data);
    if (!result.ok())
        return result;
    const QString shown = result.status.file;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
        static_cast<std::size_t>(data.size()));
    if (looksLikeGif(bytes))
        return decodeGifFrames(bytes, PictureBlending(options.background, options.keepAlpha), shown, visitor);

    PictureLoadResult picture = decodePicture(data, whole, shown);
    if (!picture.ok()) {
        result.status = picture;
        return result;
    }
    // One frame at the picture's size, as the frames of a GIF are shown.
    visitor(0, picture.image, 0);
    result.frameCount = 1;
    result.still = true;
    return result;
}

} // namespace rasterkit
