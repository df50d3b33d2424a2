#pragma once

#include "convert/bilingual.h"

#include <QString>

#include <cstdint>
#include <span>

namespace rasterkit {

// Why bytes could not be saved. Each has its row, English and Russian side
// by side, in the table of reasons in outputfile.cpp.
enum class SaveError {
    None,
    IsFolder,      // the name is a folder's
    FolderMissing, // the folder the file would go in does not exist
    CannotCreate,  // the folder takes no new file, and there is no file to write over
    CannotOpen,    // the file (or device, or FIFO) cannot be opened for writing
    NoReader,      // a FIFO that no program is reading from
    CannotWrite,   // writing failed part way: disk full, file size limit, I/O error
    CannotReplace, // the finished temporary file could not take the file's name
};

struct SaveResult {
    SaveError error = SaveError::None;
    QString file;   // the file as shown to the user: an absolute path, or "standard output"
    QString detail; // the system's own reason, as it gives it (e.g. "Permission denied"); may be empty

    bool ok() const { return error == SaveError::None; }
    // "Cannot write "FILE": REASON (DETAIL)." in English, "Не удалось
    // сохранить файл «FILE»: REASON (DETAIL)." in Russian.
    QString message(Language language = Language::English) const;
};

struct SaveOptions {
    // A FIFO that nobody reads yet: wait until a reader opens it (as a shell
    // redirection does), or give NoReader at once (the window, which must not
    // hang).
    bool waitForReader = true;
};

// The failures that can be seen before anything is written: a folder's name,
// or a folder that does not exist. ok() when neither.
SaveResult checkDestination(const QString& path);

// Writes the bytes, exactly and nothing else, to path.
//
// A regular file (also when reached through symbolic links) is written by way
// of a temporary file beside it that takes its name only once every byte is
// written: a failure leaves no partial file and an existing file untouched.
// When the folder takes no new file but the existing file may be written, the
// file is written over in place instead, as a plain "create or replace" would.
//
// Anything else (a character device such as /dev/null, a FIFO, a socket, the
// terminal behind /dev/stdout) is opened and written directly; it is never
// replaced by a regular file.
SaveResult saveOutputBytes(const QString& path, std::span<const std::uint8_t> bytes, const SaveOptions& options = {});

// Writes the bytes to the program's standard output.
SaveResult saveToStandardOutput(std::span<const std::uint8_t> bytes);

} // namespace rasterkit
