#include "messages.h"

#include "output/outputfile.h"
#include "platform/picturefile.h"

namespace rasterkit {

QString cannotOpenMessage(const PictureLoadResult& result)
{
    return result.message(Language::Russian);
}

QString cannotSaveMessage(const SaveResult& result)
{
    return result.message(Language::Russian);
}

QString nothingToSaveMessage()
{
    return QStringLiteral("Сохранять пока нечего: сначала нажмите «Конвертирование».");
}

} // namespace rasterkit
