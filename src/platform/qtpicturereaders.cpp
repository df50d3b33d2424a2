// Apart from the rest of qtpictures.cpp, so that rasterkit-cli's module,
// which links that without the JPEG decoder of picturefile.cpp, has no use
// for setOtherPictureDecoder.

#include "qtpictures.h"

namespace rasterkit {

void registerQtPictureReaders()
{
    preparePictureReaders();
    setOtherPictureDecoder(decodeWithQtReaders);
}

} // namespace rasterkit
