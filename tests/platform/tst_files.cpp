// Saving whatever the destination is, and reading a picture whatever the file
// is: only regular files are ever replaced, nothing is read past the limit,
// what shows no picture in its first bytes is given up after those, and each
// failure gives its true reason.
#include "output/outputfile.h"
#include "platform/qtpictures.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace rasterkit;

class FilesTest : public QObject {
    Q_OBJECT
private slots:
    // Qt's readers load their plugins once, before the bytes a load reads
    // are counted.
    void initTestCase() { QVERIFY(!recogniseWithQtReaders(QByteArray(64, '\0'), {}).ok()); }
    void init() { QVERIFY(m_folder.emplace().isValid()); }
    void cleanup() { shell(QStringLiteral("chattr -i fixed 2>/dev/null; true")); }
    void save_data();
    void save();
    void load_data();
    void load();

private:
    // Runs a command in the temporary folder; $1 is the picture's path.
    int shell(const QString& command, QProcess* process = nullptr)
    {
        QProcess own;
        QProcess& run = process ? *process : own;
        run.setWorkingDirectory(m_folder->path());
        run.start(QStringLiteral("sh"), { QStringLiteral("-c"), command, QStringLiteral("sh"), m_picture });
        return process ? 0 : (run.waitForFinished() ? run.exitCode() : -1);
    }
    // The bytes this process has read so far, from files, pipes and devices.
    static qint64 bytesRead()
    {
        QFile io(QStringLiteral("/proc/self/io"));
        if (!io.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray counts = io.readAll();
        const qsizetype at = counts.indexOf("rchar: ");
        return at < 0 ? -1 : counts.mid(at + 7, counts.indexOf('\n', at) - at - 7).toLongLong();
    }
    // The file type bits of a path afterwards (0: nothing there).
    static int typeOf(const QString& path)
    {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & S_IFMT) : 0;
    }
    std::optional<QTemporaryDir> m_folder;
    QString m_picture;
};

void FilesTest::save_data()
{
    QTest::addColumn<QString>("setUp"); // a shell command; when it fails (not the superuser, no chattr) the row is skipped
    QTest::addColumn<QString>("target");
    QTest::addColumn<SaveError>("error");
    QTest::addColumn<int>("typeAfter");
    const QString earlier = QStringLiteral("head -c 200000 /dev/urandom > ");
    QTest::newRow("new file") << "true" << "new" << SaveError::None << int(S_IFREG);
    QTest::newRow("longer file") << earlier + "old" << "old" << SaveError::None << int(S_IFREG);
    QTest::newRow("link to a file") << earlier + "old && ln -s old link" << "link" << SaveError::None << int(S_IFREG);
    QTest::newRow("FIFO with a reader") << "mkfifo fifo" << "fifo" << SaveError::None << int(S_IFIFO);
    QTest::newRow("FIFO nobody reads") << "mkfifo fifo" << "fifo" << SaveError::NoReader << int(S_IFIFO);
    QTest::newRow("device node") << "mknod null c 1 3" << "null" << SaveError::None << int(S_IFCHR);
    const QString fixedFolder = QStringLiteral("mkdir fixed && %1fixed/old && chattr +i fixed").arg(earlier);
    QTest::newRow("file in a folder taking no new file") << fixedFolder << "fixed/old" << SaveError::None << int(S_IFREG);
    QTest::newRow("new file there") << fixedFolder << "fixed/new" << SaveError::CannotCreate << 0;
    QTest::newRow("/proc/version") << "test $(id -u) = 0" << "/proc/version" << SaveError::CannotWrite << int(S_IFREG);
    QTest::newRow("folder") << "true" << "." << SaveError::IsFolder << int(S_IFDIR);
    QTest::newRow("missing folder") << "true" << "missing/new" << SaveError::FolderMissing << 0;
}

void FilesTest::save()
{
    QFETCH(QString, setUp);
    QFETCH(QString, target);
    QFETCH(SaveError, error);
    QFETCH(int, typeAfter);
    if (shell(setUp) != 0)
        QSKIP(qPrintable(QStringLiteral("cannot set up here: ") + setUp));
    const QString path = QDir(m_folder->path()).filePath(target); // absolute targets stay as they are
    const QStringList before = QDir(m_folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    QProcess reader;
    if (QTest::currentDataTag() == QLatin1String("FIFO with a reader"))
        shell(QStringLiteral("cat fifo"), &reader);
    const QByteArray bytes = QByteArray(100000, '\x5A') + QByteArray(53600, '\xA5');

    const SaveResult saved = saveOutputBytes(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
        std::size_t(bytes.size())), SaveOptions { .waitForReader = reader.state() != QProcess::NotRunning });
    QCOMPARE(saved.error, error);
    QCOMPARE(typeOf(path), typeAfter);
    if (reader.state() != QProcess::NotRunning)
        QVERIFY(reader.waitForFinished() && reader.readAllStandardOutput() == bytes);
    QFile written(path);
    if (error == SaveError::None && typeAfter == S_IFREG)
        QVERIFY(written.open(QIODevice::ReadOnly) && written.readAll() == bytes);
    if (const QString message = saved.message(); error != SaveError::None) {
        QVERIFY2(message.startsWith(QStringLiteral("Cannot write \"%1\": ").arg(QFileInfo(path).absoluteFilePath())),
            qPrintable(message));
        QVERIFY2(!message.contains(QLatin1String("No such file")), qPrintable(message));
    }
    QCOMPARE(QFileInfo(path).isSymLink(), target == QLatin1String("link"));
    const QStringList after = QDir(m_folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    QCOMPARE(after.size(), before.size() + ((error == SaveError::None && target == QLatin1String("new")) ? 1 : 0));
}

void FilesTest::load_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("readStreams");
    QTest::addColumn<qint64>("limit"); // in MiB; 0 or less: the picture file's size plus that
    QTest::addColumn<PictureError>("error");
    const qint64 size = 0;
    const qint64 whole = MaximumPictureBytes >> 20;
    QTest::newRow("picture") << "picture.bmp" << false << size << PictureError::None;
    QTest::newRow("picture one byte over") << "picture.bmp" << false << size - 1 << PictureError::TooLarge;
    QTest::newRow("through a FIFO") << "fifo" << true << size << PictureError::None;
    QTest::newRow("FIFO one byte over") << "fifo" << true << size - 1 << PictureError::TooLarge;
    QTest::newRow("FIFO, window") << "fifo" << false << size << PictureError::NotAFile;
    QTest::newRow("/dev/zero, window") << "/dev/zero" << false << size << PictureError::NotAFile;
    // What shows no picture in its first bytes is refused after those, not
    // read to the limit.
    QTest::newRow("/dev/zero as a stream") << "/dev/zero" << true << whole << PictureError::NotAPicture;
    QTest::newRow("/dev/urandom as a stream") << "/dev/urandom" << true << whole << PictureError::NotAPicture;
    QTest::newRow("file of zeros, window") << "zeros" << false << whole << PictureError::NotAPicture;
    QTest::newRow("file of zeros as a stream") << "zeros" << true << whole << PictureError::NotAPicture;
    QTest::newRow("/dev/null as a stream") << "/dev/null" << true << size << PictureError::Empty;
    QTest::newRow("folder") << "." << true << size << PictureError::IsFolder;
    QTest::newRow("missing") << "missing.bmp" << true << size << PictureError::Missing;
    // A JPEG or PNG file is decoded as it is read; through a FIFO it is read
    // whole first.
    QTest::newRow("JPEG") << "picture.jpg" << false << size << PictureError::None;
    QTest::newRow("JPEG one byte over") << "picture.jpg" << false << size - 1 << PictureError::TooLarge;
    QTest::newRow("JPEG through a FIFO") << "fifo" << true << size << PictureError::None;
    QTest::newRow("PNG") << "picture.png" << false << size << PictureError::None;
    QTest::newRow("PNG one byte over") << "picture.png" << false << size - 1 << PictureError::TooLarge;
    QTest::newRow("PNG through a FIFO") << "fifo" << true << size << PictureError::None;
}

void FilesTest::load()
{
    QFETCH(QString, source);
    QFETCH(bool, readStreams);
    QFETCH(qint64, limit);
    QFETCH(PictureError, error);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(12, 34, 56));
    const QByteArray tag(QTest::currentDataTag());
    m_picture = m_folder->filePath(tag.startsWith("JPEG") ? QStringLiteral("picture.jpg")
            : tag.startsWith("PNG")                        ? QStringLiteral("picture.png")
                                                           : QStringLiteral("picture.bmp"));
    QVERIFY(picture.save(m_picture));
    picture = QImage(m_picture); // as Qt's reader decodes it
    limit = limit > 0 ? limit << 20 : QFileInfo(m_picture).size() + limit;
    const QString path = QDir(m_folder->path()).filePath(source);
    QProcess writer;
    if (source == QLatin1String("fifo"))
        QCOMPARE(shell(QStringLiteral("mkfifo fifo")), 0);
    if (source == QLatin1String("fifo") && readStreams)
        shell(QStringLiteral("cat \"$1\" > fifo"), &writer);
    if (source == QLatin1String("zeros"))
        QCOMPARE(shell(QStringLiteral("truncate -s 900M zeros")), 0);

    const qint64 readBefore = bytesRead();
    const PictureLoadResult loaded
        = loadPicture(path, PictureLoadOptions { .readStreams = readStreams, .byteLimit = limit, .otherReader = QtPictureReader });
    const qint64 read = bytesRead() - readBefore;
    writer.waitForFinished();
    QCOMPARE(loaded.error, error);
    if (error == PictureError::NotAPicture) // and the count's own file
        QVERIFY2(read <= PictureSignatureBytes + 1024, qPrintable(QString::number(read)));
    const QRgb expected = error == PictureError::None ? picture.pixel(39, 29) : 0;
    QCOMPARE(loaded.image.isNull() ? QRgb(0) : imageOf(loaded.image).pixel(39, 29), expected);
    QCOMPARE(loaded.file, QFileInfo(path).absoluteFilePath());
    QCOMPARE(loaded.figures[0], error == PictureError::TooLarge ? limit : 0);
}

QTEST_MAIN(FilesTest)
#include "tst_files.moc"
