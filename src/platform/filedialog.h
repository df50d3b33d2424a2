#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace rasterkit {

// What a file dialog is asked to show.
struct FileDialogRequest {
    QString title;
    QStringList nameFilters; // e.g. "JPEG (*.jpg)", in order; the first is selected
    bool save = false;
};

// Answers a dialog instead of showing one: returns the chosen path, or an
// empty string for cancel. For tests and scripted runs.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;

namespace Module1 {

// Shows the open dialog (saveMode 0) or the save dialog (any other value)
// with the given title and filter. leadingPairs and trailingPairs are each a
// sequence of description NUL pattern NUL; the dialog lists the leading pairs
// and then the trailing ones, in order, with the first selected. Returns the
// full path of the chosen file, or an empty string when the user cancels.
// The save dialog neither asks before replacing a file nor appends an
// extension.
QString ShowFileDialog(const QString& title, const QString& leadingPairs, const QString& trailingPairs,
    quint8 saveMode);

// Turns description NUL pattern NUL pairs into Qt name filters, such as
// "JPEG (*.jpg)". Patterns separated by semicolons are listed together, and
// "*.*" becomes "*" so that names without a dot are listed too. The list ends
// at an empty entry (two NULs in a row); the last NUL may be missing.
QStringList nameFiltersFromPairs(const QString& pairs);

// Installs a hook that answers every ShowFileDialog call; an empty hook
// restores the real dialogs.
void setFileDialogHook(FileDialogHook hook);

} // namespace Module1
} // namespace rasterkit
