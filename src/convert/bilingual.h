#pragma once

// The two languages the programs speak: rasterkit-cli English, the window
// Russian. A message is written once, both texts side by side, in the table
// of its error enum.

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

// A size in bytes, in whole GiB, MiB or KiB where it is one ("1 GiB",
// "64 КиБ"), else in bytes ("1000 bytes", "1000 байт").
std::string byteSizeText(std::int64_t bytes, Language language);

} // namespace rasterkit
