#pragma once

// rasterkit-cli's functions over Qt Gui, as its module
// (librasterkit-cli-gui.so) hands them over, for programs that link them
// instead: useGuiFunctions(qtGuiFunctions()).

#include "guifunctions.h"

namespace rasterkit::cli {

const GuiFunctions& qtGuiFunctions();

} // namespace rasterkit::cli
