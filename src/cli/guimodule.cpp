// The module rasterkit-cli loads when a run needs Qt Gui: Qt's readers,
// PNG files and the formats Qt reads (guifunctions.h).

#include "guimodule.h"

#include "platform/qtpictures.h"

#include <QtGlobal>

namespace rasterkit::cli {

const GuiFunctions& qtGuiFunctions()
{
    // The readers' allocation limit, a setting of the whole process, is set
    // once here, before any thread decodes.
    static const GuiFunctions functions = [] {
        preparePictureReaders();
        return GuiFunctions { GuiInterfaceVersion, sizeof(GuiFunctions), decodeWithQtReaders, pngBytes,
            pictureReaderFormats };
    }();
    return functions;
}

} // namespace rasterkit::cli

extern "C" Q_DECL_EXPORT const rasterkit::cli::GuiFunctions* rasterkitCliGuiFunctions()
{
    return &rasterkit::cli::qtGuiFunctions();
}
