#include "filedialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include <utility>

namespace rasterkit {

namespace {

FileDialogHook& installedHook()
{
    static FileDialogHook hook;
    return hook;
}

// A pattern list as the dialog expects it: patterns separated by spaces
// rather than semicolons. "*.*" becomes "*", which also lists files whose
// names have no dot ("*.*" would hide them).
QString qtPatterns(const QString& patterns)
{
    QStringList result;
    const QStringList parts = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString pattern = part.trimmed();
        if (pattern.isEmpty())
            continue;
        result.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    return result.join(QLatin1Char(' '));
}

QString showDialog(const FileDialogRequest& request)
{
    // No owner: the dialog is application-modal. Qt uses the platform's own
    // dialog where there is one and its portable dialog otherwise. The path
    // comes back whole, whatever its length.
    QFileDialog dialog(nullptr, request.title);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty())
        dialog.selectNameFilter(request.nameFilters.first());
    dialog.setDefaultSuffix(QString());
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return {};
    return QFileInfo(chosen.first()).absoluteFilePath();
}

} // namespace

namespace Module1 {

QStringList nameFiltersFromPairs(const QString& pairs)
{
    // Entries are separated by NULs; the last may lack its NUL. An empty
    // entry (two NULs in a row) closes the list, and a description left
    // without a pattern is not listed.
    const QStringList entries = pairs.split(QChar(u'\0'));
    QStringList filters;
    for (qsizetype index = 0; index + 1 < entries.size(); index += 2) {
        const QString& description = entries.at(index);
        const QString patterns = qtPatterns(entries.at(index + 1));
        if (description.isEmpty() || patterns.isEmpty())
            break;
        filters.append(QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return filters;
}

QString ShowFileDialog(const QString& title, const QString& leadingPairs, const QString& trailingPairs,
    quint8 saveMode)
{
    FileDialogRequest request;
    request.title = title;
    // The leading pairs, then the trailing ones. Each list is read on its
    // own, so leading pairs that lack their final NUL still end where the
    // trailing pairs begin.
    request.nameFilters = nameFiltersFromPairs(leadingPairs) + nameFiltersFromPairs(trailingPairs);
    request.save = saveMode != 0;
    // A copy, so that a hook may replace itself while it answers.
    if (const FileDialogHook hook = installedHook())
        return hook(request);
    return showDialog(request);
}

void setFileDialogHook(FileDialogHook hook)
{
    installedHook() = std::move(hook);
}

} // namespace Module1
} // namespace rasterkit
