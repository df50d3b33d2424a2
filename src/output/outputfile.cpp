#include "outputfile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace rasterkit {

SaveResult saveOutputBytes(const QString& path, std::span<const std::uint8_t> bytes)
{
    SaveResult result;
    const QString shown = QFileInfo(path).absoluteFilePath();
    if (QFileInfo(path).isDir()) {
        result.error = QStringLiteral("Cannot write \"%1\": it is a folder.").arg(shown);
        return result;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = QStringLiteral("Cannot write \"%1\": %2.").arg(shown, file.errorString());
        return result;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (size > 0 && file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        result.error = QStringLiteral("Cannot write \"%1\": %2.").arg(shown, file.errorString());
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.error = QStringLiteral("Cannot write \"%1\": %2.").arg(shown, file.errorString());
        return result;
    }
    return result;
}

} // namespace rasterkit
