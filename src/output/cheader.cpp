#include "cheader.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdio>
#include <initializer_list>

namespace rasterkit {

namespace {

// The keywords of C99 and C++17: none of them can name an array that both
// languages compile, and neither can main.
constexpr std::string_view Refused[] { "main", "_Bool", "_Complex", "_Imaginary", "alignas", "alignof",
    "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break", "case", "catch", "char", "char16_t",
    "char32_t", "char8_t", "class", "co_await", "co_return", "co_yield", "compl", "concept", "const", "const_cast",
    "consteval", "constexpr", "constinit", "continue", "decltype", "default", "delete", "do", "double",
    "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for", "friend", "goto", "if",
    "inline", "int", "long", "mutable", "namespace", "new", "noexcept", "not", "not_eq", "nullptr", "operator", "or",
    "or_eq", "private", "protected", "public", "register", "reinterpret_cast", "requires", "restrict", "return",
    "short", "signed", "sizeof", "static", "static_assert", "static_cast", "struct", "switch", "template", "this",
    "thread_local", "throw", "true", "try", "typedef", "typeid", "typename", "union", "unsigned", "using", "virtual",
    "void", "volatile", "wchar_t", "while", "xor", "xor_eq", "_Alignas", "_Alignof", "_Atomic", "_Generic",
    "_Noreturn", "_Static_assert", "_Thread_local", "_Pragma" };

bool isLetter(char character)
{
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') || character == '_';
}

bool isDigit(char character)
{
    return character >= '0' && character <= '9';
}

} // namespace

bool isCIdentifier(std::string_view text)
{
    if (text.empty() || !isLetter(text.front()))
        return false;
    if (!std::all_of(text.begin(), text.end(), [](char character) { return isLetter(character) || isDigit(character); }))
        return false;
    return std::find(std::begin(Refused), std::end(Refused), text) == std::end(Refused);
}

std::string cIdentifierFrom(std::string_view text)
{
    std::string identifier;
    identifier.reserve(text.size() + 1);
    if (!text.empty() && isDigit(text.front()))
        identifier += '_';
    for (const char character : text)
        identifier += isLetter(character) || isDigit(character) ? character : '_';
    return identifier;
}

std::string pictureArrayName(std::string_view fileName)
{
    // The last extension starts at the last '.', unless that opens the name
    // (".hidden" has none).
    const std::size_t dot = fileName.rfind('.');
    const std::string_view stem = dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    std::string name = cIdentifierFrom(stem);
    if (!isCIdentifier(name))
        name += '_';
    return name;
}

std::string_view cArrayTypeName(CArrayType type)
{
    return type == CArrayType::Words ? "uint16" : "uint8";
}

std::optional<CArrayType> parseCArrayType(std::string_view text)
{
    for (const CArrayType type : { CArrayType::Bytes, CArrayType::Words }) {
        if (text == cArrayTypeName(type))
            return type;
    }
    return std::nullopt;
}

std::string cHeader(const CHeaderOptions& options, std::span<const std::uint8_t> bytes)
{
    const std::string_view name = options.name;
    const PixelFormatInfo& info = formatInfo(options.format);
    const bool little = options.byteOrder == ByteOrder::LittleEndian;
    const std::string size = std::to_string(bytes.size());
    // Pieces appended one by one: no temporaries, and nothing for GCC 12's
    // string-concatenation false alarms to trip on.
    std::string text;
    const auto line = [&text](std::initializer_list<std::string_view> pieces) {
        for (const std::string_view piece : pieces)
            text.append(piece);
        text += '\n';
    };
    const auto define = [&](std::string_view suffix, std::string_view value) {
        line({ "#define ", name, "_", suffix, " ", value });
    };

    const bool palette = options.part == CHeaderPart::Palette;
    const bool rowsOnly = options.part == CHeaderPart::IndexRows;
    const bool animation = options.part == CHeaderPart::Animation;
    if (animation) {
        line({ "/* ", name, ": an animation file of ", std::to_string(options.frameCount), " frames of ",
            std::to_string(options.width), " x ", std::to_string(options.height), " pixels in the format \"", info.name,
            "\", made by rasterkit-cli." });
    } else if (palette) {
        line({ "/* ", name, ": the palette of \"", info.name,
            "\" shared by the pictures converted with it, made by rasterkit-cli." });
    } else {
        line({ "/* ", name, ": ", std::to_string(options.width), " x ", std::to_string(options.height),
            " pixels in the format \"", info.name, "\", made by rasterkit-cli." });
    }
    const bool words = options.type == CArrayType::Words;
    if (animation)
        line({ "   Its own numbers high byte first; BIG_ENDIAN and LITTLE_ENDIAN tell the frames' pixel data. */" });
    else if (rowsOnly)
        line({ "   The index rows alone, single bytes: the palette is the array ", options.paletteName,
            ", shared by the pictures converted with it. */" });
    else if (words)
        line({ "   16-bit units as numbers, stored in the target's own byte order. */" });
    else if (!hasWords(options.format))
        line({ "   Single bytes: the byte order does not change them. */" });
    else if (little)
        line({ "   16-bit units low byte first (little-endian). */" });
    else
        line({ "   16-bit units high byte first (big-endian). */" });
    line({ "#ifndef RASTERKIT_", name, "_H" });
    line({ "#define RASTERKIT_", name, "_H" });
    line({});
    if (words) {
        line({ "#include <stdint.h>" });
        line({});
    }
    if (!palette) {
        define("WIDTH", std::to_string(options.width));
        define("HEIGHT", std::to_string(options.height));
    }
    define("FORMAT", std::to_string(formatIndex(options.format)));
    line({ "#define ", name, "_FORMAT_NAME \"", info.name, "\"" });
    if (!words) {
        define("BIG_ENDIAN", little ? "0" : "1");
        define("LITTLE_ENDIAN", little ? "1" : "0");
    }
    // The new formats' rows (or pages) have a fixed size; the eight of the
    // window keep the header they always had.
    if (animation) {
        define("FRAME_COUNT", std::to_string(options.frameCount));
        define("LOOPS", std::to_string(options.loops));
    }
    if (!info.runLength() && !info.inWindow && !palette && !animation)
        define("STRIDE", std::to_string(strideOf(info, options.width)));
    if (info.paletteEntries() > 0) {
        define("PALETTE_ENTRIES", std::to_string(info.paletteEntries()));
        if (!palette && !animation)
            define("INDEX_OFFSET", std::to_string(rowsOnly ? 0 : info.paletteBytes()));
    }
    if (info.layout == FormatLayout::ColourThenAlpha && !animation)
        define("ALPHA_OFFSET", std::to_string(strideOf(info, options.width) * options.height));
    if (options.transparentKey && info.build != nullptr && info.hasWords()) {
        std::array<std::uint8_t, 4> record {};
        info.build(*options.transparentKey, 1, record.data());
        const auto at = static_cast<std::size_t>(info.wordOffset);
        char word[8];
        std::snprintf(word, sizeof word, "0x%02X%02X", record[at], record[at + 1]);
        define("TRANSPARENT_KEY", word);
    }
    define("SIZE", size);
    line({});

    // Numbers 16 bytes a line: 16 bytes, or 8 words.
    const std::size_t unitBytes = words ? 2 : 1;
    line({ options.attribute, options.attribute.empty() ? "" : " ", words ? "static const uint16_t " : "static const unsigned char ",
        name, "[", name, words ? "_SIZE / 2] = {" : "_SIZE] = {" });
    constexpr std::size_t BytesPerLine = 16;
    char hex[12];
    for (std::size_t start = 0; start < bytes.size(); start += BytesPerLine) {
        text += "   ";
        const std::size_t end = std::min(bytes.size(), start + BytesPerLine);
        for (std::size_t index = start; index + unitBytes <= end; index += unitBytes) {
            if (words)
                std::snprintf(hex, sizeof hex, " 0x%02X%02X", bytes[index], bytes[index + 1]);
            else
                std::snprintf(hex, sizeof hex, " 0x%02X", bytes[index]);
            text += hex;
            if (index + unitBytes < bytes.size())
                text += ',';
        }
        text += '\n';
    }
    line({ "};" });
    line({});
    line({ "#endif" });
    return text;
}

} // namespace rasterkit
