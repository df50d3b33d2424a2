#pragma once

#include <QString>

namespace rasterkit {

struct PictureLoadResult;
struct SaveResult;

// The window's own messages, in Russian like the rest of the window. Each
// names the file and the reason; the system's reason is quoted as the system
// gives it.

// "Не удалось открыть файл «FILE»: REASON."
QString cannotOpenMessage(const PictureLoadResult& result);

// "Не удалось сохранить файл «FILE»: REASON."
QString cannotSaveMessage(const SaveResult& result);

// Shown by the Save command before the first conversion.
QString nothingToSaveMessage();

} // namespace rasterkit
