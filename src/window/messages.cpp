#include "messages.h"

#include "output/outputfile.h"
#include "platform/picturefile.h"

#include <utility>

namespace rasterkit {

namespace {

QString byteSizeText(qint64 bytes)
{
    constexpr std::pair<qint64, const char*> units[] { { qint64(1) << 30, "ГиБ" }, { qint64(1) << 20, "МиБ" },
        { qint64(1) << 10, "КиБ" } };
    for (const auto& [unit, name] : units) {
        if (bytes >= unit && bytes % unit == 0)
            return QStringLiteral("%1 %2").arg(bytes / unit).arg(QString::fromUtf8(name));
    }
    return QStringLiteral("%1 байт").arg(bytes);
}

// The system's own reason in brackets after the window's.
QString withDetail(const QString& reason, const QString& detail)
{
    return detail.isEmpty() ? reason : QStringLiteral("%1 (%2)").arg(reason, detail);
}

QString pictureReason(const PictureLoadResult& result)
{
    switch (result.error) {
    case PictureError::None:
        break;
    case PictureError::Missing:
        return QStringLiteral("такого файла нет");
    case PictureError::IsFolder:
        return QStringLiteral("это папка, а не рисунок");
    case PictureError::NotAFile:
        return QStringLiteral("это устройство или канал, а не файл рисунка");
    case PictureError::TooLarge:
        return QStringLiteral("файл больше %1").arg(byteSizeText(result.figures[0]));
    case PictureError::TooManyPixels:
        return QStringLiteral("в рисунке заявлено %1 × %2 точек, в памяти это заняло бы больше 1 ГиБ")
            .arg(result.figures[0])
            .arg(result.figures[1]);
    case PictureError::CannotRead:
        return QStringLiteral("файл не читается");
    case PictureError::Empty:
        return QStringLiteral("файл пустой");
    case PictureError::CutShort:
        if (result.figures[1] > 0) {
            return QStringLiteral("файл обрывается посреди рисунка (в нём %1 байт из %2)")
                .arg(result.figures[0])
                .arg(result.figures[1]);
        }
        return QStringLiteral("файл обрывается посреди рисунка");
    case PictureError::Damaged:
        return QStringLiteral("сжатые данные рисунка повреждены");
    case PictureError::NotAPicture:
        return QStringLiteral("это не рисунок или рисунок неизвестного вида (читаются JPEG, BMP и GIF)");
    case PictureError::ColourLayout:
        return QStringLiteral("цвета рисунка записаны так, что их нельзя показать (можно оттенки серого, YCbCr, RGB, "
                              "CMYK и YCCK)");
    case PictureError::CannotDecode:
        return QStringLiteral("рисунок не удаётся разобрать");
    case PictureError::OutOfMemory:
        return QStringLiteral("не хватает памяти для рисунка %1 × %2 точек").arg(result.figures[0]).arg(result.figures[1]);
    case PictureError::NoReader:
        return QStringLiteral("это не JPEG, а рисунки других видов читать нечем");
    }
    return QString::fromLatin1(pictureErrorText(result.error));
}

QString saveReason(SaveError error)
{
    switch (error) {
    case SaveError::None:
        break;
    case SaveError::IsFolder:
        return QStringLiteral("это папка");
    case SaveError::FolderMissing:
        return QStringLiteral("такой папки нет");
    case SaveError::CannotCreate:
        return QStringLiteral("в этой папке нельзя создать файл");
    case SaveError::CannotOpen:
        return QStringLiteral("файл не открывается для записи");
    case SaveError::NoReader:
        return QStringLiteral("это канал, из которого никто не читает");
    case SaveError::CannotWrite:
        return QStringLiteral("запись не удалась");
    case SaveError::CannotReplace:
        return QStringLiteral("новый файл не удалось поставить на место старого");
    }
    return QString::fromLatin1(saveErrorText(error));
}

} // namespace

QString cannotOpenMessage(const PictureLoadResult& result)
{
    return QStringLiteral("Не удалось открыть файл «%1»: %2.")
        .arg(result.file, withDetail(pictureReason(result), result.detail));
}

QString cannotSaveMessage(const SaveResult& result)
{
    return QStringLiteral("Не удалось сохранить файл «%1»: %2.")
        .arg(result.file, withDetail(saveReason(result.error), result.detail));
}

QString nothingToSaveMessage()
{
    return QStringLiteral("Сохранять пока нечего: сначала нажмите «Конвертирование».");
}

} // namespace rasterkit
