#pragma once

#include "cliOptions.h"

#include <string>
#include <variant>

namespace rasterkit::cli {

struct FormatsOptions {
    bool json = false;
};

const CommandSpec& formatsCommand();

std::variant<FormatsOptions, Reply> parseFormats(const QStringList& arguments);

// Every format of the format table, as an aligned table or a JSON array.
std::string formatsTable();
std::string formatsJson();

RunOutcome runFormats(const FormatsOptions& options);

} // namespace rasterkit::cli
