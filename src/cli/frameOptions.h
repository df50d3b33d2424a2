#pragma once

// The frame options: one table of the options that say which pixels are
// taken, how they are reduced and how they are written (-f, -W, -H, -s,
// --origin, --center, --filter, --dither, --byte-order, --background,
// --transparent-key, ...). Every command reads the ones it takes from this
// table, and its --help describes them from the same rows.

#include "convert/boxfilter.h"
#include "convert/byteorder.h"
#include "convert/dither.h"
#include "convert/pixelformat.h"
#include "convert/reduceframe.h"
#include "convert/sampling.h"
#include "platform/picturefile.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>
#include <vector>

namespace rasterkit::cli {

// Bounds of the numbers the frame options accept.
inline constexpr int MinimumSize = 1;
inline constexpr double MinimumScale = 0.1;
inline constexpr double MaximumScale = 100.0;

// An option as the parser reads it and --help lists it.
struct OptionSpec {
    QStringList names; // the one-letter name first, e.g. { "o", "output" }
    QString valueName; // empty for a switch
    QString help;      // wrapped for --help; a line that starts with two spaces is kept as it is
};

// The frame, the format, the filter, the dither mode and the byte order, as
// the frame options set them. Unset, they are the window's: its start-up
// frame (320 x 240 at scale 1 with its corner at 0, 0), the first format,
// the nearest pixel reduced without dithering, and the files' own byte order.
struct FrameRequest : ReductionRequest {
    ByteOrder byteOrder = ByteOrder::BigEndian;
    std::uint32_t background = PictureBackground; // 0xAARRGGBB: what transparent pixels are blended over
    QString palettePath; // --palette: an indexed format's palette is this file's, read when the command runs
};

enum class FrameOptionId {
    Format,
    Width,
    Height,
    Scale,
    Origin,
    Center,
    Filter,
    Dither,
    ByteOrder,
    Background,
    ColourOrder,
    Rotate,
    Mirror,
    Threshold,
    Invert,
    Palette,
    TransparentKey,
};

struct FrameOption {
    FrameOptionId id;
    OptionSpec definition;
    QString defaultText; // how --help names the value used when the option is not given
    // Reads the value into the request; the message when it is wrong.
    QString (*apply)(const QString& value, FrameRequest& request);
};

// Every frame option, in the order they are read: --center comes after the
// size and the scale it depends on.
const std::vector<FrameOption>& frameOptions();
const FrameOption& frameOption(FrameOptionId id);

// Why an option given does not apply to the request's format: --colour-order
// bgr to a grey or mono format, --threshold or --invert to one that is not
// mono. Empty when all apply.
QString formatOptionProblem(const FrameRequest& request, bool colourOrderGiven, bool thresholdGiven, bool invertGiven);

// Why --palette does not apply to the request's format (it is for the
// indexed formats); empty when it does or is not given.
QString paletteOptionProblem(const FrameRequest& request);

// The short names of the indexed formats, as a message lists them.
QString indexedFormatNames();
// Why the transparency options given do not fit the request's format:
// --background to a format that keeps alpha (its pixels are not blended over
// anything), --transparent-key to a format that does not take one. Empty
// when they fit.
QString transparencyOptionProblem(const FrameRequest& request, bool backgroundGiven);

// Reads a whole number from minimum to maximum into target; the message,
// naming the option as shown ("-W/--width"), when the text is not one.
QString readWholeNumber(const QString& text, const QString& shown, int minimum, int maximum, int& target);

// The dither mode a name gives ("none", "ordered", "diffusion", in any
// case), and the names as a message lists them: "none, ordered or diffusion".
std::optional<Dither> ditherOfName(const QString& text);
QString ditherNames();

// A colour written as six hexadecimal digits RRGGBB, with or without a
// leading '#', as 0xFFRRGGBB; nothing for anything else.
std::optional<std::uint32_t> parseHexColour(QString text);

// "a", "a and b", "a, b and c".
QString spokenList(const QStringList& items);

QString fromView(std::string_view text);

// A format's short name, for examples in the help.
QString shortNameOf(PixelFormat format);

} // namespace rasterkit::cli
