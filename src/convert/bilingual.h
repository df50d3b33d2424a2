#pragma once

// The two languages the programs speak: rasterkit-cli English, the window
// Russian. A message is written once, both texts side by side, in the table
// of its error enum.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rasterkit {

enum class Language { English, Russian };

struct Bilingual {
    std::string_view english;
    std::string_view russian;

    constexpr std::string_view in(Language language) const { return language == Language::Russian ? russian : english; }
};

// Whether a table of texts has one row per value of an enum, in the enum's
// order, each naming its value in `value`: then table[index] is the row of
// the value numbered index. For a static_assert beside the table.
template<typename Row, std::size_t Count>
constexpr bool followsEnumOrder(const std::array<Row, Count>& table)
{
    for (std::size_t index = 0; index < Count; ++index) {
        if (static_cast<std::size_t>(table[index].value) != index)
            return false;
    }
    return true;
}

// The row of value in a table that followsEnumOrder (the first row for a
// value past its end).
template<typename Row, std::size_t Count, typename Enum>
constexpr const Row& rowOf(const std::array<Row, Count>& table, Enum value)
{
    const auto index = static_cast<std::size_t>(value);
    return table[index < Count ? index : 0];
}

// A size in bytes, in whole GiB, MiB or KiB where it is one ("1 GiB",
// "64 КиБ"), else in bytes ("1000 bytes", "1000 байт").
std::string byteSizeText(std::int64_t bytes, Language language);

} // namespace rasterkit
