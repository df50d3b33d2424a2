// The module rasterkit-cli loads when a run needs Qt Gui: Qt's readers,
// PNG files and the formats Qt reads (guifunctions.h).

#include "guifunctions.h"

#include "platform/qtpictures.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT const rasterkit::cli::GuiFunctions* rasterkitCliGuiFunctions()
{
    using namespace rasterkit;
    // The readers' allocation limit, a setting of the whole process, is set
    // once here, before any thread decodes.
    static const cli::GuiFunctions functions = [] {
        preparePictureReaders();
        return cli::GuiFunctions { cli::GuiInterfaceVersion, sizeof(cli::GuiFunctions), recogniseWithQtReaders,
            decodeWithQtReaders, pngBytes, pictureReaderFormats };
    }();
    return &functions;
}
