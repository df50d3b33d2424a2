#include "frameOptions.h"

#include "convert/transparency.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>
#include <type_traits>

namespace rasterkit::cli {

namespace {

// ---------------------------------------------------------------------------
// Numbers

enum class NumberStatus { Ok, Bad, OutOfRange };

template<typename Number>
struct ParsedNumber {
    NumberStatus status = NumberStatus::Bad;
    Number value {};
};

// Whole numbers: an optional minus sign and decimal digits, nothing else
// (no spaces, no plus sign, no grouping). Decimal numbers: the same with at
// most one '.', no exponent; NaN and infinities are refused.
template<typename Number>
ParsedNumber<Number> parseNumber(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    ParsedNumber<Number> parsed;
    if (begin == end)
        return parsed;
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<Number>) {
        for (const char* character = begin; character != end; ++character) {
            if (!((*character >= '0' && *character <= '9') || *character == '.' || *character == '-'))
                return parsed; // also turns away "nan", "inf" and exponents
        }
        result = std::from_chars(begin, end, parsed.value, std::chars_format::fixed);
    } else {
        result = std::from_chars(begin, end, parsed.value);
    }
    if (result.ptr != end)
        return parsed;
    if (result.ec == std::errc::result_out_of_range) {
        parsed.status = NumberStatus::OutOfRange;
        return parsed;
    }
    if (result.ec == std::errc() && std::isfinite(static_cast<double>(parsed.value)))
        parsed.status = NumberStatus::Ok;
    return parsed;
}

// "A,B" split at its one comma.
std::optional<std::pair<QString, QString>> splitPair(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    return std::pair { parts.at(0), parts.at(1) };
}

QString quotedName(PixelFormat format)
{
    return QStringLiteral("\"%1\"").arg(fromView(formatInfo(format).name));
}

QString acceptedFormats()
{
    QStringList names;
    QStringList shortNames;
    for (const PixelFormatInfo& info : PixelFormats) {
        names << quotedName(info.format);
        shortNames << fromView(info.shortName);
    }
    return QStringLiteral("0..%1, a name as listed (%2) or %3")
        .arg(PixelFormatCount - 1)
        .arg(names.join(QStringLiteral(", ")), shortNames.join(QStringLiteral(", ")));
}

// A colour 0xAARRGGBB as the core holds colours, 0x00BBGGRR.
Colour colourOfRgb(std::uint32_t rgb)
{
    return makeColour((rgb >> 16) & 0xFFu, (rgb >> 8) & 0xFFu, rgb & 0xFFu);
}

// ---------------------------------------------------------------------------
// The frame options

QString readSize(const QString& text, const QString& shown, int& target)
{
    return readWholeNumber(text, shown, MinimumSize, MaximumTargetSize, target);
}

QString readFormat(const QString& text, FrameRequest& request)
{
    const QByteArray bytes = text.toUtf8();
    const auto format = parsePixelFormat(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!format)
        return QStringLiteral("unknown format \"%1\" for -f/--format: expected %2.").arg(text, acceptedFormats());
    request.format = *format;
    return {};
}

QString readScale(const QString& text, FrameRequest& request)
{
    const auto parsed = parseNumber<double>(text);
    const QString accepted = QStringLiteral("expected a decimal number from 0.1 to 100 with '.' as the decimal point");
    if (parsed.status == NumberStatus::Bad)
        return QStringLiteral("bad number \"%1\" for -s/--scale: %2.").arg(text, accepted);
    if (parsed.status == NumberStatus::OutOfRange || parsed.value < MinimumScale || parsed.value > MaximumScale)
        return QStringLiteral("-s/--scale %1 is out of range: %2.").arg(text, accepted);
    request.frame.sampleStep = parsed.value;
    return {};
}

QString readOrigin(const QString& text, FrameRequest& request)
{
    const QString accepted = QStringLiteral("expected LEFT,TOP, two whole numbers from %1 to %2, e.g. --origin -20,15")
                                 .arg(std::numeric_limits<std::int32_t>::min())
                                 .arg(std::numeric_limits<std::int32_t>::max());
    const auto pair = splitPair(text);
    if (!pair)
        return QStringLiteral("bad value \"%1\" for --origin: %2.").arg(text, accepted);
    const auto left = parseNumber<std::int32_t>(pair->first);
    const auto top = parseNumber<std::int32_t>(pair->second);
    if (left.status == NumberStatus::Bad || top.status == NumberStatus::Bad)
        return QStringLiteral("bad value \"%1\" for --origin: %2.").arg(text, accepted);
    if (left.status == NumberStatus::OutOfRange || top.status == NumberStatus::OutOfRange)
        return QStringLiteral("--origin %1 is out of range: %2.").arg(text, accepted);
    request.frame.frameLeft = left.value;
    request.frame.frameTop = top.value;
    return {};
}

// Read after the size and the scale, which the corner depends on.
QString readCenter(const QString& text, FrameRequest& request)
{
    const QString accepted = QStringLiteral("expected X,Y, two decimal numbers with '.' as the decimal point, "
                                            "e.g. --center 160,120.5");
    const auto pair = splitPair(text);
    if (!pair)
        return QStringLiteral("bad value \"%1\" for --center: %2.").arg(text, accepted);
    // The centre is a pointer position: single precision, as the window keeps it.
    const auto x = parseNumber<float>(pair->first);
    const auto y = parseNumber<float>(pair->second);
    if (x.status == NumberStatus::Bad || y.status == NumberStatus::Bad)
        return QStringLiteral("bad value \"%1\" for --center: %2.").arg(text, accepted);
    if (x.status == NumberStatus::OutOfRange || y.status == NumberStatus::OutOfRange)
        return QStringLiteral("--center %1 is out of range: %2.").arg(text, accepted);
    FrameSettings& frame = request.frame;
    const FrameOrigin origin = frameOriginForCenter(x.value, y.value, frame.sampleStep, frame.targetWidth, frame.targetHeight);
    frame.frameLeft = origin.left;
    frame.frameTop = origin.top;
    return {};
}

QString readByteOrder(const QString& text, FrameRequest& request)
{
    const QByteArray bytes = text.toUtf8();
    const auto order = parseByteOrder(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!order)
        return QStringLiteral("unknown byte order \"%1\" for --byte-order: expected big or little.").arg(text);
    request.byteOrder = *order;
    return {};
}

QString readFilter(const QString& text, FrameRequest& request)
{
    const QByteArray bytes = text.toUtf8();
    const auto filter = parseSampleFilter(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!filter)
        return QStringLiteral("unknown filter \"%1\" for --filter: expected nearest or box.").arg(text);
    request.filter = *filter;
    return {};
}

QString readBackground(const QString& text, FrameRequest& request)
{
    const std::optional<std::uint32_t> colour = parseHexColour(text);
    if (!colour) {
        return QStringLiteral("bad colour \"%1\" for --background: expected RRGGBB, six hexadecimal digits, e.g. "
                              "--background FFFFFF.")
            .arg(text);
    }
    request.background = *colour;
    request.keyBackground = colourOfRgb(*colour);
    return {};
}

QString readTransparentKey(const QString& text, FrameRequest& request)
{
    const std::optional<std::uint32_t> colour = parseHexColour(text);
    if (!colour) {
        return QStringLiteral("bad colour \"%1\" for --transparent-key: expected RRGGBB, six hexadecimal digits, "
                              "e.g. --transparent-key FF00FF.")
            .arg(text);
    }
    request.transparentKey = colourOfRgb(*colour);
    return {};
}

// The names of the formats a row of the table picks, quoted.
template<typename Picks>
QString quotedNames(Picks picks)
{
    QStringList names;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (picks(info))
            names << quotedName(info.format);
    }
    return spokenList(names);
}

// A value out of a list of names, as the core reads it; the message names
// the option and the accepted values.
template<typename Value, std::size_t Count, typename Parse, typename NameOf>
QString readNamed(const QString& text, const char* what, const char* option, const std::array<Value, Count>& values,
    Parse parse, NameOf nameOf, Value& target)
{
    const QByteArray bytes = text.toUtf8();
    const std::optional<Value> value = parse(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!value) {
        QStringList names;
        for (const Value candidate : values)
            names << fromView(nameOf(candidate));
        return QStringLiteral("unknown %1 \"%2\" for --%3: expected %4.")
            .arg(QLatin1String(what), text, QLatin1String(option), spokenList(names).replace(QStringLiteral(" and "), QStringLiteral(" or ")));
    }
    target = *value;
    return {};
}

QString readColourOrder(const QString& text, FrameRequest& request)
{
    return readNamed(text, "colour order", "colour-order", AllColourOrders, parseColourOrder, colourOrderName,
        request.levels.colourOrder);
}

QString readRotation(const QString& text, FrameRequest& request)
{
    return readNamed(text, "rotation", "rotate", AllRotations, parseRotation, rotationName, request.orientation.rotation);
}

QString readMirror(const QString& text, FrameRequest& request)
{
    return readNamed(text, "mirror", "mirror", AllMirrors, parseMirror, mirrorName, request.orientation.mirror);
}

QString readThreshold(const QString& text, FrameRequest& request)
{
    return readWholeNumber(text, QStringLiteral("--threshold"), 0, 256, request.levels.threshold);
}

QString readPalette(const QString& text, FrameRequest& request)
{
    if (text.isEmpty())
        return QStringLiteral("--palette needs a FILE: the name is empty.");
    request.palettePath = text;
    return {};
}

QString readInvert(const QString&, FrameRequest& request)
{
    request.levels.invert = true;
    return {};
}

QString readDither(const QString& text, FrameRequest& request)
{
    const auto dither = ditherOfName(text);
    if (!dither)
        return QStringLiteral("unknown dither mode \"%1\" for --dither: expected %2.").arg(text, ditherNames());
    request.dither = *dither;
    return {};
}

// The format list of --help, two columns, from the format table.
QString formatHelp()
{
    QString text = QStringLiteral("The pixel format: 0..%1, the name as listed or a short name (the formats "
                                  "command describes each):")
                       .arg(PixelFormatCount - 1);
    constexpr int rows = (PixelFormatCount + 1) / 2;
    for (int index = 0; index < rows; ++index) {
        QString line = QStringLiteral("  ");
        for (const int column : { index, index + rows }) {
            if (column >= PixelFormatCount)
                continue;
            const PixelFormatInfo& info = PixelFormats[std::size_t(column)];
            line += QStringLiteral("%1 %2 %3").arg(column).arg(quotedName(info.format), -14).arg(fromView(info.shortName), -11);
        }
        text += QLatin1Char('\n') + line.trimmed().prepend(QStringLiteral("  "));
    }
    return text;
}

// What --byte-order changes, from the format table.
QString byteOrderHelp()
{
    QStringList pixels;
    QStringList colourWords;
    QStringList wholeRecords;
    QStringList paletteWords;
    QStringList singleBytes;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (info.paletteEntries() > 0)
            paletteWords << quotedName(info.format);
        else if (!hasWords(info.format))
            singleBytes << quotedName(info.format);
        else if (info.layout == FormatLayout::ColourThenAlpha)
            colourWords << QStringLiteral("the colour word of each %1 pixel (not its alpha byte)").arg(quotedName(info.format));
        else if (!info.runLength())
            pixels << QStringLiteral("each %1 pixel").arg(quotedName(info.format));
        else if (info.recordWidth > 2)
            colourWords << QStringLiteral("the colour word of each %1 record").arg(quotedName(info.format));
        else
            wholeRecords << quotedName(info.format);
    }
    QStringList units = pixels + colourWords;
    if (!wholeRecords.isEmpty())
        units << QStringLiteral("each record of %1").arg(spokenList(wholeRecords));
    if (!paletteWords.isEmpty())
        units << QStringLiteral("each palette entry of %1 (their indices are bytes)").arg(spokenList(paletteWords));
    return QStringLiteral("The order of the two bytes of every 16-bit unit: big (high byte first, the files' own "
                          "order) or little (low byte first, as most microcontrollers read a word). The units are "
                          "%1. %2 are made of single bytes and stay unchanged.")
        .arg(spokenList(units), spokenList(singleBytes));
}

} // namespace

QString formatOptionProblem(const FrameRequest& request, bool colourOrderGiven, bool thresholdGiven, bool invertGiven)
{
    const PixelFormatInfo& info = formatInfo(request.format);
    const auto namesOf = [](bool (PixelFormatInfo::*has)() const, bool wanted) {
        QStringList names;
        for (const PixelFormatInfo& row : PixelFormats) {
            if ((row.*has)() == wanted)
                names << fromView(row.shortName);
        }
        return spokenList(names);
    };
    if (colourOrderGiven && request.levels.colourOrder != ColourOrder::Rgb && info.grey()) {
        return QStringLiteral("--colour-order %1 does not apply to %2, which keeps no colour: it is for the colour "
                              "formats (%3).")
            .arg(fromView(colourOrderName(request.levels.colourOrder)), quotedName(request.format),
                namesOf(&PixelFormatInfo::grey, false));
    }
    for (const auto& [given, option] : { std::pair { thresholdGiven, "--threshold" }, std::pair { invertGiven, "--invert" } }) {
        if (given && !info.mono()) {
            return QStringLiteral("%1 does not apply to %2: it is for the one-bit formats (%3).")
                .arg(QLatin1String(option), quotedName(request.format), namesOf(&PixelFormatInfo::mono, true));
        }
    }
    return {};
}

QString indexedFormatNames()
{
    QStringList names;
    for (const PixelFormatInfo& info : PixelFormats) {
        if (info.paletteEntries() > 0)
            names << fromView(info.shortName);
    }
    return spokenList(names);
}

QString paletteOptionProblem(const FrameRequest& request)
{
    if (request.palettePath.isEmpty() || formatInfo(request.format).paletteEntries() > 0)
        return {};
    return QStringLiteral("--palette does not apply to %1: it is for the indexed formats (%2).")
        .arg(quotedName(request.format), indexedFormatNames());
}

QString transparencyOptionProblem(const FrameRequest& request, bool backgroundGiven)
{
    const PixelFormatInfo& info = formatInfo(request.format);
    if (backgroundGiven && info.keepsAlpha()) {
        return QStringLiteral("--background does not apply to %1, which keeps the alpha: its pixels are not blended "
                              "over anything.")
            .arg(quotedName(request.format));
    }
    if (request.transparentKey && !takesTransparentKey(info)) {
        return QStringLiteral("--transparent-key does not apply to %1: it is for the formats of one 5:6:5 colour word "
                              "a pixel or record (%2).")
            .arg(quotedName(request.format), quotedNames(takesTransparentKey));
    }
    return {};
}

QString readWholeNumber(const QString& text, const QString& shown, int minimum, int maximum, int& target)
{
    const auto parsed = parseNumber<int>(text);
    const QString accepted = QStringLiteral("expected a whole number from %1 to %2").arg(minimum).arg(maximum);
    if (parsed.status == NumberStatus::Bad)
        return QStringLiteral("bad number \"%1\" for %2: %3.").arg(text, shown, accepted);
    if (parsed.status == NumberStatus::OutOfRange || parsed.value < minimum || parsed.value > maximum)
        return QStringLiteral("%1 %2 is out of range: %3.").arg(shown, text, accepted);
    target = parsed.value;
    return {};
}

std::optional<std::uint32_t> parseHexColour(QString text)
{
    if (text.startsWith(QLatin1Char('#')))
        text.remove(0, 1);
    static const QRegularExpression sixHexDigits(QStringLiteral("\\A[0-9A-Fa-f]{6}\\z"));
    if (!sixHexDigits.match(text).hasMatch())
        return std::nullopt;
    return 0xFF000000u | text.toUInt(nullptr, 16);
}

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString shortNameOf(PixelFormat format)
{
    return fromView(formatInfo(format).shortName);
}

std::optional<Dither> ditherOfName(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return parseDither(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

QString ditherNames()
{
    QStringList names;
    for (const Dither dither : AllDithers)
        names << fromView(ditherName(dither));
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + names.last();
}

// "a", "a and b", "a, b and c".
QString spokenList(const QStringList& items)
{
    if (items.size() <= 1)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

const std::vector<FrameOption>& frameOptions()
{
    // In the order they are read: --center needs the size and the scale.
    static const std::vector<FrameOption> options {
        { FrameOptionId::Format, { { QStringLiteral("f"), QStringLiteral("format") }, QStringLiteral("F"), formatHelp() },
            QStringLiteral("0"), readFormat },
        { FrameOptionId::Width,
            { { QStringLiteral("W"), QStringLiteral("width") }, QStringLiteral("N"),
                QStringLiteral("Target width in pixels, %1..%2.").arg(MinimumSize).arg(MaximumTargetSize) },
            QStringLiteral("320"),
            [](const QString& text, FrameRequest& request) {
                return readSize(text, QStringLiteral("-W/--width"), request.frame.targetWidth);
            } },
        { FrameOptionId::Height,
            { { QStringLiteral("H"), QStringLiteral("height") }, QStringLiteral("N"),
                QStringLiteral("Target height in pixels, %1..%2.").arg(MinimumSize).arg(MaximumTargetSize) },
            QStringLiteral("240"),
            [](const QString& text, FrameRequest& request) {
                return readSize(text, QStringLiteral("-H/--height"), request.frame.targetHeight);
            } },
        { FrameOptionId::Scale,
            { { QStringLiteral("s"), QStringLiteral("scale") }, QStringLiteral("S"),
                QStringLiteral("Source pixels per output pixel, 0.1..100, '.' as the decimal point.") },
            QStringLiteral("1"), readScale },
        { FrameOptionId::Origin,
            { { QStringLiteral("origin") }, QStringLiteral("LEFT,TOP"),
                QStringLiteral("The frame's top-left corner in source pixels (whole numbers, may be negative).") },
            QStringLiteral("0,0"), readOrigin },
        { FrameOptionId::Center,
            { { QStringLiteral("center") }, QStringLiteral("X,Y"),
                QStringLiteral("The frame's centre, as a left-button drag to (X, Y) places it. Cannot be combined "
                               "with --origin.") },
            QString(), readCenter },
        { FrameOptionId::Filter,
            { { QStringLiteral("filter") }, QStringLiteral("FILTER"),
                QStringLiteral("How each output pixel reads the picture: nearest (the source pixel nearest to the "
                               "sample, as the window does) or box (the mean of the source pixels under the "
                               "sample's S x S cell, in linear light: smoother edges, no shimmer when scaling "
                               "down; the same as nearest at a scale of 1 or less).") },
            QStringLiteral("nearest"), readFilter },
        { FrameOptionId::Dither,
            { { QStringLiteral("dither") }, QStringLiteral("MODE"),
                QStringLiteral("How samples come down to the format's levels: none (the format's own reduction, "
                               "as the window does), ordered (an 8 x 8 Bayer pattern), diffusion (Floyd-Steinberg "
                               "error diffusion) or atkinson (Atkinson's diffusion, the classic for one-bit "
                               "screens). Dithering trades bands in skies and gradients for fine noise; in the "
                               "run-length formats it breaks runs and costs bytes (see compare). Colours the format "
                               "holds exactly stay flat.") },
            QStringLiteral("none"), readDither },
        { FrameOptionId::ByteOrder, { { QStringLiteral("byte-order") }, QStringLiteral("ORDER"), byteOrderHelp() },
            QStringLiteral("big"), readByteOrder },
        { FrameOptionId::Background,
            { { QStringLiteral("background") }, QStringLiteral("RRGGBB"),
                QStringLiteral("The colour transparent pixels are blended over, six hexadecimal digits. Not for the "
                               "formats that keep the alpha (%1), which are shown over F0F0F0.")
                    .arg(quotedNames([](const PixelFormatInfo& info) { return info.keepsAlpha(); })) },
            QStringLiteral("F0F0F0, as in the window"), readBackground },
        { FrameOptionId::ColourOrder,
            { { QStringLiteral("colour-order") }, QStringLiteral("ORDER"),
                QStringLiteral("The order of the colour channels the panel is wired for: rgb, or bgr (red and blue "
                               "swap places before the format packs them, so a 5:6:5 word holds blue's top 5 bits "
                               "where red's were). For the colour formats only.") },
            QStringLiteral("rgb"), readColourOrder },
        { FrameOptionId::Rotate,
            { { QStringLiteral("rotate") }, QStringLiteral("DEGREES"),
                QStringLiteral("Turn the frame clockwise by 0, 90, 180 or 270 degrees for a panel mounted turned: "
                               "the file holds the turned raster, H pixels wide and W high at 90 and 270.") },
            QStringLiteral("0"), readRotation },
        { FrameOptionId::Mirror,
            { { QStringLiteral("mirror") }, QStringLiteral("MIRROR"),
                QStringLiteral("Mirror the frame before it is turned: none, horizontal (left and right swap) or "
                               "vertical (top and bottom swap).") },
            QStringLiteral("none"), readMirror },
        { FrameOptionId::Threshold,
            { { QStringLiteral("threshold") }, QStringLiteral("N"),
                QStringLiteral("One-bit formats: a pixel is lit (1) where its grey, (299 R + 587 G + 114 B + 500) / "
                               "1000, is at least N, 0..256 (256 lights none). With a dither mode it shifts the "
                               "grey by 128 - N instead.") },
            QStringLiteral("128"), readThreshold },
        { FrameOptionId::Invert,
            { { QStringLiteral("invert") }, {},
                QStringLiteral("One-bit formats: write lit pixels as 0 and unlit ones as 1 (padding stays 0).") },
            QString(), readInvert },
        { FrameOptionId::Palette,
            { { QStringLiteral("palette") }, QStringLiteral("FILE"),
                QStringLiteral("Indexed formats (%1): use the colours of FILE instead of choosing a palette for "
                               "the picture. FILE is a picture (its distinct colours, reduced to 5:6:5, in "
                               "ascending order of their words: at most as many as the format's palette holds) or "
                               "a raw file of the same format in the same --byte-order, such as a palette.raw "
                               "--shared-palette wrote (its palette's entries up to the last one that is not 0, in "
                               "their order). Each pixel takes the nearest of them.")
                    .arg(indexedFormatNames()) },
            QStringLiteral("a palette chosen for the picture"), readPalette },
        { FrameOptionId::TransparentKey,
            { { QStringLiteral("transparent-key") }, QStringLiteral("RRGGBB"),
                QStringLiteral("For %1, for libraries whose draw call skips one colour: pixels with alpha under 128 "
                               "(and outside the picture) are written as this colour's 5:6:5 word; the others are "
                               "blended over --background as usual, and one that would come out as the key's own "
                               "word is moved one step in green (up, or down at the top), so it stays visible.")
                    .arg(quotedNames(takesTransparentKey)) },
            QString(), readTransparentKey },
    };
    return options;
}

const FrameOption& frameOption(FrameOptionId id)
{
    for (const FrameOption& option : frameOptions()) {
        if (option.id == id)
            return option;
    }
    return frameOptions().front();
}

} // namespace rasterkit::cli
