#pragma once

// What rasterkit-cli does over Qt Gui: Qt's readers for pictures that are
// not JPEG, PNG files, and the list of the formats Qt reads. They come from
// a module loaded at run time (librasterkit-cli-gui.so) when a run first
// needs one of them, so that the runs that need none, such as a JPEG
// converted to raw bytes, start without Qt Gui and the thirty-odd libraries
// it brings (X11, OpenGL, fonts), which take longer to load than the
// conversion itself takes.

#include "convert/rgbxpicture.h"
#include "platform/picturefile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>

namespace rasterkit::cli {

// The module's functions, plain C++ over Qt Core types only. A module built
// from other sources (another version, size or layout) is refused.
struct GuiFunctions {
    int interfaceVersion;
    std::size_t size; // sizeof(GuiFunctions)
    // Qt's readers, for pictures that are not JPEG.
    PictureRecogniser recognisePicture;
    OtherPictureDecoder decodePicture;
    // The picture as PNG bytes; empty if it cannot be encoded.
    QByteArray (*pngBytes)(const RgbxPicture& picture);
    // The file name extensions of the formats Qt's readers know.
    QStringList (*pictureFormats)();
};

// Raised whenever GuiFunctions or what it passes changes.
inline constexpr int GuiInterfaceVersion = 3;

// The module's one exported function, extern "C":
//   const rasterkit::cli::GuiFunctions* rasterkitCliGuiFunctions();
inline constexpr char GuiEntryName[] = "rasterkitCliGuiFunctions";
using GuiEntry = const GuiFunctions* (*)();

// Where the module is looked for: the environment variable
// RASTERKIT_CLI_GUI_MODULE when it is set (the tests and fuzz targets that
// run the commands in their own process set it to the module they built);
// otherwise, relative to the program's folder, where an installation puts
// it (../lib/rasterkit/), and failing that the program's own folder (the
// build folder).
QString guiModulePath();

// The functions, loading the module the first time (once, on whichever
// thread asks first); null when it cannot be loaded, problem then holding
// why, naming the module's file, e.g. "the module "/usr/lib/rasterkit/
// librasterkit-cli-gui.so" cannot be loaded: REASON".
const GuiFunctions* guiFunctions(QString* problem = nullptr);

// The module's readers as the reader of pictures that are not JPEG, for
// PictureLoadOptions: the module is loaded when a picture first needs them,
// and a module that cannot be loaded refuses the picture as NoReader with
// the reason.
OtherPictureReader modulePictureReader();

} // namespace rasterkit::cli
