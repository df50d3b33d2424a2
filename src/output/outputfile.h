#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace rasterkit {

struct SaveResult {
    QString error; // names the file and the reason; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Writes the bytes, exactly and nothing else, to the file at path, replacing
// what was there. The bytes go to a temporary file that takes the name only
// once all of them are written, so a failure leaves no partial file and an
// existing file untouched.
SaveResult saveOutputBytes(const QString& path, std::span<const std::uint8_t> bytes);

} // namespace rasterkit
