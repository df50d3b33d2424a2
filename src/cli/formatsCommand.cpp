#include "formatsCommand.h"

#include "convert/pixelformat.h"

#include <algorithm>
#include <array>
#include <vector>

namespace rasterkit::cli {

namespace {

const QString Json = QStringLiteral("json");

std::string unitWord(const PixelFormatInfo& info)
{
    return info.runLength() ? "record" : "pixel";
}

// Levels of grey, not colours nor alphas.
bool keepsGrey(const PixelFormatInfo& info)
{
    return info.grey() && !info.keepsAlpha();
}

// "5:6:5" for the kept bits of red, green and blue; "grey 5" for a grey
// level; "alpha 8" for an alpha alone, "5:6:5 alpha 8" beside a colour.
std::string levelsText(const PixelFormatInfo& info)
{
    if (info.reduction == Reduction::Alpha)
        return "alpha 8";
    if (keepsGrey(info))
        return "grey " + std::to_string(info.channelBits[0]);
    return std::to_string(info.channelBits[0]) + ":" + std::to_string(info.channelBits[1]) + ":"
        + std::to_string(info.channelBits[2]) + (info.keepsAlpha() ? " alpha 8" : "");
}

} // namespace

const CommandSpec& formatsCommand()
{
    static const CommandSpec definition {
        QStringLiteral("formats"),
        QStringLiteral("formats [--json]"),
        QStringLiteral("List the pixel formats and how each lays out its bytes."),
        QStringLiteral("Lists every pixel format -f takes: its index, its name as listed, its short name, the bits "
                       "of one pixel or run record, the longest run a record holds (none for a plain format), the "
                       "bits it keeps of red, green and blue (or of a grey level, or of the alpha), whether --byte-order changes its "
                       "files (those of 16-bit words) and what one unit is."),
        {
            { { Json }, {},
                QStringLiteral("Print a JSON array instead of the table: one object a format with the keys index, "
                               "name, short_name, unit, bits, bits_per (pixel or record), run_length, run_limit, "
                               "grey, alpha (the format keeps each pixel's alpha), channel_bits and "
                               "byte_order_matters.") },
        },
        {},
        {},
        QStringLiteral("rasterkit-cli formats\nrasterkit-cli formats --json > formats.json"),
    };
    return definition;
}

std::variant<FormatsOptions, Reply> parseFormats(const QStringList& arguments)
{
    CommandLine line(formatsCommand());
    if (auto reply = line.parse(arguments))
        return *reply;
    if (const QStringList operands = line.operands(); !operands.isEmpty())
        return line.failure(QStringLiteral("unexpected argument \"%1\": formats reads no file.").arg(operands.at(0)));
    return FormatsOptions { line.isSet(Json) };
}

std::string formatsTable()
{
    std::vector<std::array<std::string, 8>> rows {
        { "index", "name", "short name", "bits", "run limit", "levels", "byte order", "unit" }
    };
    for (const PixelFormatInfo& info : PixelFormats) {
        // Appended, not added up: GCC 12 takes "\"" + name for an overlapping copy.
        std::string quotedName = "\"";
        quotedName.append(info.name).append("\"");
        rows.push_back({ std::to_string(formatIndex(info.format)), quotedName,
            std::string(info.shortName), std::to_string(info.bitsPerUnit()) + "/" + unitWord(info),
            info.runLength() ? std::to_string(info.runLimit) : "-", levelsText(info),
            info.hasWords() ? "big or little" : "-", std::string(info.unit) });
    }
    std::array<std::size_t, 8> widths {};
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            const std::string& cell = row[column];
            const std::string padding(widths[column] - cell.size(), ' ');
            // The index and the bits are numbers: to the right.
            line += column == 0 || column == 3 ? padding + cell : cell + padding;
            line += column + 1 < row.size() ? "  " : "";
        }
        text += line.substr(0, line.find_last_not_of(' ') + 1) + '\n';
    }
    return text;
}

std::string formatsJson()
{
    std::string text = "[";
    for (const PixelFormatInfo& info : PixelFormats) {
        text += formatIndex(info.format) == 0 ? "\n" : ",\n";
        text += "  {\"index\": " + std::to_string(formatIndex(info.format)) + ", \"name\": " + jsonString(info.name)
            + ", \"short_name\": " + jsonString(info.shortName) + ", \"unit\": " + jsonString(info.unit)
            + ", \"bits\": " + std::to_string(info.bitsPerUnit()) + ", \"bits_per\": " + jsonString(unitWord(info))
            + ", \"run_length\": " + (info.runLength() ? "true" : "false")
            + ", \"run_limit\": " + std::to_string(info.runLimit) + ", \"grey\": " + (keepsGrey(info) ? "true" : "false")
            + ", \"alpha\": " + (info.keepsAlpha() ? "true" : "false")
            + ", \"channel_bits\": [" + std::to_string(info.channelBits[0]) + ", " + std::to_string(info.channelBits[1])
            + ", " + std::to_string(info.channelBits[2]) + "]"
            + ", \"byte_order_matters\": " + (info.hasWords() ? "true" : "false") + "}";
    }
    return text + "\n]\n";
}

RunOutcome runFormats(const FormatsOptions& options)
{
    RunOutcome outcome;
    outcome.printed = options.json ? formatsJson() : formatsTable();
    return outcome;
}

} // namespace rasterkit::cli
