#include "bilingual.h"

#include <array>

namespace rasterkit {

std::string byteSizeText(std::int64_t bytes, Language language)
{
    struct Unit {
        std::int64_t bytes;
        Bilingual name;
    };
    constexpr std::int64_t Kibi = 1024;
    static constexpr std::array<Unit, 3> Units { { { Kibi * Kibi * Kibi, { "GiB", "ГиБ" } },
        { Kibi * Kibi, { "MiB", "МиБ" } }, { Kibi, { "KiB", "КиБ" } } } };
    for (const Unit& unit : Units) {
        if (bytes >= unit.bytes && bytes % unit.bytes == 0)
            return std::to_string(bytes / unit.bytes) + ' ' + std::string(unit.name.in(language));
    }
    return std::to_string(bytes) + ' ' + std::string(Bilingual { "bytes", "байт" }.in(language));
}

} // namespace rasterkit
