#pragma once

// Reading the names of options' values (formats, filters, dither modes):
// compared without regard to case, as the command line takes them.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace rasterkit {

bool equalIgnoringCase(std::string_view a, std::string_view b);

// The value among values whose name (nameOf) is text, if any.
template<typename Value, std::size_t Count, typename NameOf>
std::optional<Value> valueNamed(std::string_view text, const std::array<Value, Count>& values, NameOf nameOf)
{
    for (const Value value : values) {
        if (equalIgnoringCase(text, nameOf(value)))
            return value;
    }
    return std::nullopt;
}

} // namespace rasterkit
