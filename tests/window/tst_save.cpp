// Saving the output of the last conversion.
#include "windowtestsupport.h"

#include "window/pictureboxes.h"
#include "window/statusbox.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace rasterkit;
using namespace rasterkit::test;

class SaveTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dropOffscreenPlatformNotes(); }
    void init();
    void cleanup();
    void savesExactBytes_data();
    void savesExactBytes();
    void cancelWritesNothing();
    void replacesLargerFile();
    void twiceUnderTwoNames();
    void unwritablePath_data();
    void unwritablePath();
    void fullDisk();
    void nothingToSaveYet();

private:
    // A window with a finished conversion of the pattern picture.
    bool convert(ShownForm& shown, int format);
    QByteArray readFile(const QString& path);
    // Every file and folder under the temporary folder, with its size.
    QStringList everything();
    std::unique_ptr<QTemporaryDir> m_folder;
};

void SaveTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void SaveTest::cleanup()
{
    // An immutable folder could not be removed with the temporary folder.
    const QString readOnly = m_folder->filePath(QStringLiteral("read-only"));
    if (QFileInfo::exists(readOnly))
        QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-R"), QStringLiteral("-i"), readOnly });
}

QStringList SaveTest::everything()
{
    QStringList entries;
    QDirIterator walk(m_folder->path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QFileInfo entry(walk.next());
        entries.append(QStringLiteral("%1 %2").arg(entry.filePath()).arg(entry.size()));
    }
    entries.sort();
    return entries;
}

bool SaveTest::convert(ShownForm& shown, int format)
{
    const QString picture = m_folder->filePath(QStringLiteral("pattern.bmp"));
    if (!QFile::exists(picture) && !patternPicture(400, 300).save(picture))
        return false;
    openPicture(*shown.form, picture);
    moveMouseWithButtons(shown.c().Picture3, QPointF(200, 150), Qt::LeftButton);
    convertWith(*shown.form, format);
    return !shown.form->state().OutputBytes.empty();
}

QByteArray SaveTest::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("(cannot be read)");
    return file.readAll();
}

void SaveTest::savesExactBytes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("expectedSize"); // -1: whatever the encoder made
    QTest::newRow("RGB 5:6:5, 320 x 240") << 0 << 153600;
    QTest::newRow("RGB 3:3:2, 320 x 240") << 5 << 76800;
    QTest::newRow("RGB 5:6:5x8") << 1 << -1;
    QTest::newRow("Y 5x3") << 7 << -1;
}

void SaveTest::savesExactBytes()
{
    QFETCH(int, format);
    QFETCH(int, expectedSize);
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(convert(shown, format));
    const QString textBefore = shown.c().Text1->text();
    const QString path = m_folder->filePath(QStringLiteral("out put.raw"));
    FileDialogAnswer answer(path);
    ModalAnswerer answerer;
    shown.c().file_save->trigger();

    QCOMPARE(answer.requests().size(), 1);
    const FileDialogRequest& request = answer.requests().first();
    QCOMPARE(request.title, QStringLiteral("Save"));
    QVERIFY(request.save);
    QCOMPARE(request.nameFilters, Module1::nameFiltersFromPairs(QStringLiteral("All Files%1*.*%1").arg(QChar(0))));
    QCOMPARE(request.nameFilters.size(), 1);

    const QByteArray saved = readFile(path);
    const QByteArray expected = bytesOf(shown.form->state().OutputBytes);
    if (expectedSize >= 0)
        QCOMPARE(saved.size(), expectedSize);
    QCOMPARE(saved.size(), expected.size());
    QVERIFY(saved == expected);
    // No message, and nothing else changed; no extension was added.
    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(shown.c().Text1->text(), textBefore);
    QCOMPARE(QDir(m_folder->path()).entryList({ "out put*" }, QDir::Files), QStringList { "out put.raw" });
}

void SaveTest::cancelWritesNothing()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(convert(shown, 0));
    const QString existing = m_folder->filePath(QStringLiteral("existing.raw"));
    QVERIFY(writeFile(existing, "keep me"));
    const QStringList before = QDir(m_folder->path()).entryList(QDir::Files);
    FileDialogAnswer cancel(QString {});
    ModalAnswerer answerer;
    shown.c().file_save->trigger();
    QCOMPARE(cancel.requests().size(), 1);
    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), before);
    QCOMPARE(readFile(existing), QByteArray("keep me"));
}

void SaveTest::replacesLargerFile()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(convert(shown, 6));
    const QString path = m_folder->filePath(QStringLiteral("larger.raw"));
    QVERIFY(writeFile(path, QByteArray(400000, '\x5A')));
    FileDialogAnswer answer(path);
    shown.c().file_save->trigger();
    const QByteArray saved = readFile(path);
    QCOMPARE(saved.size(), static_cast<qsizetype>(shown.form->state().OutputBytes.size()));
    QVERIFY(saved == bytesOf(shown.form->state().OutputBytes));
}

void SaveTest::twiceUnderTwoNames()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(convert(shown, 2));
    const QString first = m_folder->filePath(QStringLiteral("first"));
    const QString second = m_folder->filePath(QStringLiteral("second.bin"));
    FileDialogAnswer answer(first);
    shown.c().file_save->trigger();
    answer.setPath(second);
    shown.c().file_save->trigger();
    QCOMPARE(answer.requests().size(), 2);
    QVERIFY(QFile::exists(first)); // exactly the name given, no extension added
    QCOMPARE(readFile(first), readFile(second));
    QVERIFY(readFile(first) == bytesOf(shown.form->state().OutputBytes));
}

void SaveTest::unwritablePath_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing folder") << "missing folder";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("existing file that cannot be replaced") << "locked file";
    QTest::newRow("FIFO nobody reads") << "fifo";
    QTest::newRow("read-only folder, new file") << "read-only folder";
    QTest::newRow("read-only folder, read-only file") << "read-only file";
}

void SaveTest::unwritablePath()
{
    QFETCH(QString, kind);
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(convert(shown, 0));
    QString path;
    QByteArray oldContent;
    if (kind == QLatin1String("missing folder")) {
        path = m_folder->filePath(QStringLiteral("no such folder/out.raw"));
    } else if (kind == QLatin1String("folder")) {
        path = m_folder->filePath(QStringLiteral("a folder"));
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("a folder")));
    } else if (kind == QLatin1String("fifo")) {
        // Refused at once rather than waiting for a reader, and never replaced.
        path = m_folder->filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind.startsWith(QLatin1String("read-only"))) {
        // The superuser ignores permission bits: immutable is read-only for all.
        const QString folder = m_folder->filePath(QStringLiteral("read-only"));
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("read-only")));
        path = folder + QStringLiteral("/out.raw");
        QStringList immutable { folder };
        if (kind == QLatin1String("read-only file")) {
            QVERIFY(writeFile(path, "old content"));
            oldContent = "old content";
            immutable.prepend(path);
        }
        if (QProcess::execute(QStringLiteral("chattr"), QStringList { QStringLiteral("+i") } + immutable) != 0)
            QSKIP("chattr +i cannot make a folder read-only here");
    } else if (::geteuid() != 0) {
        // A file in a folder that may not be written.
        const QString locked = m_folder->filePath(QStringLiteral("locked"));
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("locked")));
        path = locked + QStringLiteral("/old.raw");
        QVERIFY(writeFile(path, "old content"));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        oldContent = "old content";
    } else {
        // The superuser may write anywhere except on a read-only file system.
        path = QStringLiteral("/proc/version");
        oldContent = readFile(path);
    }
    const QString textBefore = shown.c().Text1->text();
    const OutputBytes outputBefore = shown.form->state().OutputBytes;
    const QStringList filesBefore = everything();
    FileDialogAnswer answer(path);
    ModalAnswerer answerer;
    shown.c().file_save->trigger();
    QCOMPARE(everything(), filesBefore); // no partial file, nothing left behind
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
    const QString message = answerer.seen.first().text;
    const QString start = QStringLiteral("Не удалось сохранить файл «%1»: ").arg(path);
    QVERIFY2(message.startsWith(start), qPrintable(message));
    QVERIFY2(message.size() > start.size() + 5, qPrintable(message)); // and the reason
    // /proc/version is there: the true reason is not a missing file.
    QVERIFY2(!message.contains(QLatin1String("No such file")), qPrintable(message));
    if (!oldContent.isEmpty())
        QCOMPARE(readFile(path), oldContent);
    if (kind == QLatin1String("missing folder"))
        QVERIFY(!QFileInfo::exists(path));
    if (kind == QLatin1String("folder"))
        QVERIFY(QFileInfo(path).isDir());
    struct stat status {};
    if (kind == QLatin1String("fifo"))
        QVERIFY(message.contains(QStringLiteral("никто не читает"))
            && ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode));
    // The working state is as it was, and a good path still works.
    QCOMPARE(shown.c().Text1->text(), textBefore);
    QVERIFY(shown.form->state().OutputBytes == outputBefore);
    answer.setPath(m_folder->filePath(QStringLiteral("good.raw")));
    shown.c().file_save->trigger();
    QVERIFY(readFile(m_folder->filePath(QStringLiteral("good.raw"))) == bytesOf(outputBefore));
    if (kind == QLatin1String("locked file") && ::geteuid() != 0)
        QFile::setPermissions(m_folder->filePath(QStringLiteral("locked")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void SaveTest::fullDisk()
{
    // A file size limit makes writes fail as a full disk does. It binds the
    // whole process, so the test runs again in a child process, which sets
    // the limit only around the save.
    constexpr rlim_t Limit = 64 * 1024;
    if (!qEnvironmentVariableIsSet("RASTERKIT_TEST_FILE_SIZE_LIMIT")) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("RASTERKIT_TEST_FILE_SIZE_LIMIT"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("fullDisk") });
        QVERIFY(child.waitForFinished(100000));
        const QByteArray log = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit, log.constData()); // not killed by SIGXFSZ
        QVERIFY2(child.exitCode() == 0 && log.contains("PASS   : SaveTest::fullDisk()"), log.constData());
        return;
    }
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(convert(shown, 0)); // 153600 bytes
    const QString existing = m_folder->filePath(QStringLiteral("old.raw"));
    QVERIFY(writeFile(existing, QByteArray(100000, '\x5A')));
    const QStringList filesBefore = everything();
    FileDialogAnswer answer(existing);
    ModalAnswerer answerer;
    rlimit limit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit unlimited = limit;
    limit.rlim_cur = Limit;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    shown.c().file_save->trigger();
    answer.setPath(m_folder->filePath(QStringLiteral("new.raw")));
    shown.c().file_save->trigger();
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &unlimited), 0);

    QCOMPARE(answerer.seen.size(), 2);
    for (const QString& name : { QStringLiteral("old.raw"), QStringLiteral("new.raw") }) {
        const QString message = answerer.seen.takeFirst().text;
        QCOMPARE(message, QStringLiteral("Не удалось сохранить файл «%1»: запись не удалась (File too large).")
                              .arg(m_folder->filePath(name)));
    }
    QCOMPARE(everything(), filesBefore);
    QCOMPARE(readFile(existing), QByteArray(100000, '\x5A'));
    // The output is still there to be saved elsewhere.
    const QString elsewhere = m_folder->filePath(QStringLiteral("elsewhere.raw"));
    answer.setPath(elsewhere);
    shown.c().file_save->trigger();
    QCOMPARE(answerer.seen.size(), 0);
    QCOMPARE(readFile(elsewhere), bytesOf(shown.form->state().OutputBytes));
}

void SaveTest::nothingToSaveYet()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const QStringList before = QDir(m_folder->path()).entryList(QDir::Files);
    FileDialogAnswer answer(m_folder->filePath(QStringLiteral("early.raw")));
    ModalAnswerer answerer;
    shown.c().file_save->trigger();
    QCOMPARE(answer.requests().size(), 0); // no dialog
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first().text, QStringLiteral("Сохранять пока нечего: сначала нажмите «Конвертирование»."));
    QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("early.raw"))));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), before);
}

QTEST_MAIN(SaveTest)
#include "tst_save.moc"
