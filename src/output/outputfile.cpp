#include "outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rasterkit {

namespace {

SaveResult failure(SaveError error, const QString& file, const QString& detail = {})
{
    return SaveResult { error, file, detail };
}

QString shownName(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

// While it lives, a write that the system refuses with a signal fails with
// an error instead, and the program goes on: a reader that goes away gives
// "Broken pipe" rather than SIGPIPE, a file size limit (ulimit -f) "File too
// large" rather than SIGXFSZ, whose default is to end the program. Only the
// calling thread's signal mask changes; a signal raised meanwhile is taken
// off before the old mask comes back.
class SignalsAsErrors {
public:
    SignalsAsErrors()
    {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGPIPE);
        sigaddset(&m_signals, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
    }
    ~SignalsAsErrors()
    {
        sigset_t pending;
        sigemptyset(&pending);
        const timespec noWait {};
        while (sigpending(&pending) == 0
            && (sigismember(&pending, SIGPIPE) == 1 || sigismember(&pending, SIGXFSZ) == 1)) {
            if (sigtimedwait(&m_signals, nullptr, &noWait) < 0)
                break;
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    SignalsAsErrors(const SignalsAsErrors&) = delete;
    SignalsAsErrors& operator=(const SignalsAsErrors&) = delete;

private:
    sigset_t m_signals;
    sigset_t m_previous;
};

// Writes every byte to an open file. The bytes go straight to its descriptor,
// so that a write cut short (a full disk, a file size limit) is told with the
// system's own reason.
SaveResult writeAll(QFileDevice& device, const QString& shown, std::span<const std::uint8_t> bytes)
{
    const SignalsAsErrors signalsAsErrors;
    const int descriptor = device.handle();
    const auto* next = reinterpret_cast<const char*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failure(SaveError::CannotWrite, shown, qt_error_string(written < 0 ? errno : EIO));
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return {};
}

// Devices, FIFOs and sockets: opened as they are and written, never replaced.
SaveResult writeToNode(const QString& path, const QString& shown, std::span<const std::uint8_t> bytes, bool fifo,
    const SaveOptions& options)
{
    // Opening a FIFO for writing waits for a reader; without O_NONBLOCK it
    // fails at once with ENXIO when there is none.
    const bool askReader = fifo && !options.waitForReader;
    const QByteArray name = QFile::encodeName(path);
    int descriptor = -1;
    do
        descriptor = ::open(name.constData(), O_WRONLY | O_CLOEXEC | (askReader ? O_NONBLOCK : 0));
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        if (askReader && errno == ENXIO)
            return failure(SaveError::NoReader, shown);
        return failure(SaveError::CannotOpen, shown, qt_error_string(errno));
    }
    if (askReader)
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return failure(SaveError::CannotOpen, shown, file.errorString());
    }
    return writeAll(file, shown, bytes);
}

// The folder takes no new file: write over the existing file in place.
SaveResult writeInPlace(const QString& path, const QString& shown, std::span<const std::uint8_t> bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly))
        return failure(SaveError::CannotOpen, shown, file.errorString());
    SaveResult result = writeAll(file, shown, bytes);
    file.close();
    if (result.ok() && file.error() != QFileDevice::NoError)
        result = failure(SaveError::CannotWrite, shown, file.errorString());
    return result;
}

SaveResult saveRegularFile(const QString& path, const QString& shown, std::span<const std::uint8_t> bytes, bool exists)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        // Qt writes in place only when the folder refuses with "Permission
        // denied"; an immutable folder says "Operation not permitted", /proc
        // "No such file or directory". Whatever the folder's reason, a file
        // that is there is written over, and the file's own reason is told.
        if (exists)
            return writeInPlace(path, shown, bytes);
        return failure(SaveError::CannotCreate, shown, file.errorString());
    }
    if (SaveResult written = writeAll(file, shown, bytes); !written.ok()) {
        file.cancelWriting();
        return written;
    }
    if (!file.commit()) {
        return failure(file.error() == QFileDevice::RenameError ? SaveError::CannotReplace : SaveError::CannotWrite,
            shown, file.errorString());
    }
    return {};
}

// Why bytes could not be saved, in both languages.
struct SaveErrorText {
    SaveError value;
    Bilingual reason;
};

constexpr std::array<SaveErrorText, 8> SaveErrorTexts { {
    { SaveError::None, { "no error", "ошибки нет" } },
    { SaveError::IsFolder, { "it is a folder", "это папка" } },
    { SaveError::FolderMissing, { "its folder does not exist", "такой папки нет" } },
    { SaveError::CannotCreate, { "a new file cannot be made in its folder", "в этой папке нельзя создать файл" } },
    { SaveError::CannotOpen, { "it cannot be opened for writing", "файл не открывается для записи" } },
    { SaveError::NoReader, { "it is a FIFO that no program is reading", "это канал, из которого никто не читает" } },
    { SaveError::CannotWrite, { "writing failed", "запись не удалась" } },
    { SaveError::CannotReplace,
        { "the new file could not take the old one's place", "новый файл не удалось поставить на место старого" } },
} };
static_assert(followsEnumOrder(SaveErrorTexts) && SaveErrorTexts.back().value == SaveError::CannotReplace);

} // namespace

QString SaveResult::message(Language language) const
{
    QString reason = QString::fromUtf8(rowOf(SaveErrorTexts, error).reason.in(language));
    if (!detail.isEmpty())
        reason += QStringLiteral(" (%1)").arg(detail);
    return QString::fromUtf8(Bilingual { "Cannot write \"%1\": %2.", "Не удалось сохранить файл «%1»: %2." }.in(language))
        .arg(file, reason);
}

SaveResult checkDestination(const QString& path)
{
    const QString shown = shownName(path);
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return failure(SaveError::IsFolder, shown);
        return {};
    }
    if (errno == ENOENT && !QFileInfo(QFileInfo(path).absolutePath()).exists())
        return failure(SaveError::FolderMissing, shown);
    return {};
}

SaveResult saveOutputBytes(const QString& path, std::span<const std::uint8_t> bytes, const SaveOptions& options)
{
    if (SaveResult problem = checkDestination(path); !problem.ok())
        return problem;
    const QString shown = shownName(path);
    struct stat status {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode))
        return writeToNode(path, shown, bytes, S_ISFIFO(status.st_mode), options);
    return saveRegularFile(path, shown, bytes, exists);
}

SaveResult saveToStandardOutput(std::span<const std::uint8_t> bytes)
{
    const QString shown = QStringLiteral("standard output");
    QFile output;
    if (!output.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return failure(SaveError::CannotOpen, shown, output.errorString());
    return writeAll(output, shown, bytes);
}

} // namespace rasterkit
