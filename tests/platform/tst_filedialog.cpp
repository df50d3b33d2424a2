#include "platform/filedialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using rasterkit::FileDialogRequest;
using namespace rasterkit::Module1;
using namespace Qt::StringLiterals;

namespace {

// The callers' filter strings.
const QString OpenLeadingPairs = u"JPEG\0*.jpg\0BMP\0*.bmp\0GIF\0*.gif\0"_s;
const QString AllFilesPairs = u"All Files\0*.*\0"_s;
const QStringList OpenFilters = {QStringLiteral("JPEG (*.jpg)"), QStringLiteral("BMP (*.bmp)"),
    QStringLiteral("GIF (*.gif)"), QStringLiteral("All Files (*)")};
const QStringList SaveFilters = {QStringLiteral("All Files (*)")};

// Makes the folders for a path of exactly the given length under base and
// returns the path; the file itself is not made.
QString pathOfLength(const QString& base, int length, const QString& suffix)
{
    QString path = base;
    int remaining = length - int(path.size()) - 1;
    while (remaining > 200) {
        const int folderLength = std::min(100, remaining - 150);
        path += QLatin1Char('/') + QString(folderLength, QLatin1Char('d'));
        remaining -= folderLength + 1;
    }
    if (!QDir().mkpath(path))
        return {};
    path += QLatin1Char('/') + QString(remaining - int(suffix.size()), QLatin1Char('f')) + suffix;
    return path;
}

// What the user does: types the full path into the file name box and
// presses Return, which presses the dialog's Open or Save button.
void typePathAndPressReturn(QFileDialog* dialog, const QString& path)
{
    auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameBox);
    nameBox->setFocus();
    nameBox->setText(path);
    QTest::keyClick(nameBox, Qt::Key_Return);
}

// The program's own call for opening (saveMode 0) or saving (1 or 2).
QString showCallersDialog(int saveMode)
{
    return ShowFileDialog(saveMode ? QStringLiteral("Save") : QStringLiteral("Open"),
        saveMode ? QString() : OpenLeadingPairs, AllFilesPairs, quint8(saveMode));
}

bool makeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1;
}

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void nameFilters_data();
    void nameFilters();
    void hookReceivesTheRequest_data();
    void hookReceivesTheRequest();
    void hookCancelGivesEmptyPath_data();
    void hookCancelGivesEmptyPath();
    void hookAnswersEveryCall();

    void realDialogCancel_data();
    void realDialogCancel();
    void realOpenDialog();
    void realSaveDialog_data();
    void realSaveDialog();
    void realDialogLongPath_data();
    void realDialogLongPath();

private:
    struct DialogSeen {
        bool shown = false;
        QString title;
        QStringList nameFilters;
        QString selectedNameFilter;
        QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
        QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
        bool confirmsOverwrite = true;
        QString defaultSuffix;
        QStringList unexpectedMessages;
    };

    // Answers the next file dialog the code under test shows, from the event
    // loop of that dialog; message boxes it shows instead are noted and
    // dismissed.
    void answerNextDialog(std::function<void(QFileDialog*)> answer);
    void watchForDialogs();

    QTimer m_watcher;
    std::function<void(QFileDialog*)> m_answer;
    DialogSeen m_seen;
};

void FileDialogTest::initTestCase()
{
    // Qt's own dialog, the same everywhere, so that it can be driven.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    m_watcher.setInterval(10);
    connect(&m_watcher, &QTimer::timeout, this, &FileDialogTest::watchForDialogs);
}

void FileDialogTest::cleanup()
{
    setFileDialogHook({});
    m_watcher.stop();
    m_answer = {};
}

void FileDialogTest::answerNextDialog(std::function<void(QFileDialog*)> answer)
{
    m_seen = {};
    m_answer = std::move(answer);
    m_watcher.start();
}

void FileDialogTest::watchForDialogs()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m_seen.unexpectedMessages.append(box->text());
        box->reject();
        return;
    }
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog || m_seen.shown || !m_answer)
        return;
    m_seen.shown = true;
    m_seen.title = dialog->windowTitle();
    m_seen.nameFilters = dialog->nameFilters();
    m_seen.selectedNameFilter = dialog->selectedNameFilter();
    m_seen.acceptMode = dialog->acceptMode();
    m_seen.fileMode = dialog->fileMode();
    m_seen.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    m_seen.defaultSuffix = dialog->defaultSuffix();
    // Answer after this timer slot returns, so that the watcher stays free
    // to dismiss a message box the answer may bring up.
    QTimer::singleShot(0, dialog, [this, dialog, answer = std::move(m_answer)] {
        answer(dialog);
        // A dialog that stays open after its answer is a failure, not a hang.
        QTimer::singleShot(2000, dialog, [this, dialog] {
            m_seen.unexpectedMessages.append(QStringLiteral("the dialog stayed open after its answer"));
            dialog->reject();
        });
    });
    m_answer = {};
}

void FileDialogTest::nameFilters_data()
{
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("open leading pairs") << OpenLeadingPairs << QStringList(OpenFilters.mid(0, 3));
    QTest::newRow("all files: *.* lists every file") << AllFilesPairs << SaveFilters;
    QTest::newRow("missing final NUL") << u"All Files\0*.*"_s << SaveFilters;
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("only a NUL") << u"\0"_s << QStringList();
    QTest::newRow("several patterns") << u"Pictures\0*.jpg;*.jpeg;*.JPG\0"_s
                                      << QStringList{QStringLiteral("Pictures (*.jpg *.jpeg *.JPG)")};
    QTest::newRow("*.* among patterns") << u"Some\0*.bmp; *.*\0"_s << QStringList{QStringLiteral("Some (*.bmp *)")};
    QTest::newRow("other dotted patterns kept") << u"Backup\0*.*~\0"_s << QStringList{QStringLiteral("Backup (*.*~)")};
    QTest::newRow("two NULs close the list") << u"JPEG\0*.jpg\0\0BMP\0*.bmp\0"_s
                                             << QStringList{QStringLiteral("JPEG (*.jpg)")};
    QTest::newRow("description without pattern") << u"JPEG\0*.jpg\0BMP"_s
                                                  << QStringList{QStringLiteral("JPEG (*.jpg)")};
    QTest::newRow("description with empty pattern") << u"BMP\0\0"_s << QStringList();
    QTest::newRow("Cyrillic description") << u"Картинки\0*.gif\0"_s
                                          << QStringList{QStringLiteral("Картинки (*.gif)")};
}

void FileDialogTest::nameFilters()
{
    QFETCH(QString, pairs);
    QFETCH(QStringList, expected);
    QCOMPARE(nameFiltersFromPairs(pairs), expected);
}

void FileDialogTest::hookReceivesTheRequest_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("leadingPairs");
    QTest::addColumn<QString>("trailingPairs");
    QTest::addColumn<int>("saveMode");
    QTest::addColumn<QStringList>("expectedFilters");
    QTest::addColumn<bool>("expectedSave");

    QTest::newRow("open command") << QStringLiteral("Open") << OpenLeadingPairs << AllFilesPairs << 0 << OpenFilters
                                  << false;
    QTest::newRow("save command") << QStringLiteral("Save") << QString() << AllFilesPairs << 1 << SaveFilters << true;
    QTest::newRow("save mode 2") << QStringLiteral("Save") << QString() << AllFilesPairs << 2 << SaveFilters << true;
    QTest::newRow("save mode 255") << QStringLiteral("Save") << QString() << AllFilesPairs << 255 << SaveFilters
                                   << true;
    QTest::newRow("trailing without final NUL") << QStringLiteral("Open") << OpenLeadingPairs
                                                << u"All Files\0*.*"_s << 0 << OpenFilters << false;
    QTest::newRow("leading without final NUL") << QStringLiteral("Open") << u"JPEG\0*.jpg"_s << AllFilesPairs << 0
                                               << QStringList{QStringLiteral("JPEG (*.jpg)"),
                                                      QStringLiteral("All Files (*)")}
                                               << false;
    QTest::newRow("no pairs at all") << QStringLiteral("Open") << QString() << QString() << 0 << QStringList()
                                     << false;
    QTest::newRow("Russian title") << QStringLiteral("Открыть") << QString() << AllFilesPairs << 0 << SaveFilters
                                   << false;
}

void FileDialogTest::hookReceivesTheRequest()
{
    QFETCH(QString, title);
    QFETCH(QString, leadingPairs);
    QFETCH(QString, trailingPairs);
    QFETCH(int, saveMode);
    QFETCH(QStringList, expectedFilters);
    QFETCH(bool, expectedSave);

    QList<FileDialogRequest> requests;
    const QString answer = QStringLiteral("/home/user/Pictures/cat.jpg");
    setFileDialogHook([&](const FileDialogRequest& request) {
        requests.append(request);
        return answer;
    });

    QCOMPARE(ShowFileDialog(title, leadingPairs, trailingPairs, quint8(saveMode)), answer);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().title, title);
    QCOMPARE(requests.first().nameFilters, expectedFilters);
    QCOMPARE(requests.first().save, expectedSave);
}

void FileDialogTest::hookCancelGivesEmptyPath_data()
{
    QTest::addColumn<int>("saveMode");
    QTest::newRow("open") << 0;
    QTest::newRow("save") << 1;
    QTest::newRow("save mode 2") << 2;
}

void FileDialogTest::hookCancelGivesEmptyPath()
{
    QFETCH(int, saveMode);
    int calls = 0;
    setFileDialogHook([&](const FileDialogRequest&) {
        ++calls;
        return QString();
    });
    const QString path = ShowFileDialog(QStringLiteral("Save"), QString(), AllFilesPairs, quint8(saveMode));
    QVERIFY(path.isEmpty());
    QCOMPARE(calls, 1);
}

void FileDialogTest::hookAnswersEveryCall()
{
    QStringList answers = {QStringLiteral("/a/first.bmp"), QString(), QStringLiteral("/b/third.gif")};
    QStringList titles;
    setFileDialogHook([&](const FileDialogRequest& request) {
        titles.append(request.title);
        return answers.takeFirst();
    });
    QCOMPARE(ShowFileDialog(QStringLiteral("One"), OpenLeadingPairs, AllFilesPairs, 0), QStringLiteral("/a/first.bmp"));
    QCOMPARE(ShowFileDialog(QStringLiteral("Two"), QString(), AllFilesPairs, 1), QString());
    QCOMPARE(ShowFileDialog(QStringLiteral("Three"), OpenLeadingPairs, AllFilesPairs, 0),
        QStringLiteral("/b/third.gif"));
    QCOMPARE(titles, (QStringList{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}));

    // A hook may take itself away while it answers; the next call shows a
    // real dialog again.
    setFileDialogHook([](const FileDialogRequest&) {
        setFileDialogHook({});
        return QStringLiteral("/c/once.jpg");
    });
    QCOMPARE(ShowFileDialog(QStringLiteral("Open"), OpenLeadingPairs, AllFilesPairs, 0), QStringLiteral("/c/once.jpg"));
    answerNextDialog([](QFileDialog* dialog) { dialog->reject(); });
    QCOMPARE(ShowFileDialog(QStringLiteral("Open"), OpenLeadingPairs, AllFilesPairs, 0), QString());
    QVERIFY(m_seen.shown);
}

void FileDialogTest::realDialogCancel_data()
{
    QTest::addColumn<int>("saveMode");
    QTest::newRow("open") << 0;
    QTest::newRow("save") << 1;
}

void FileDialogTest::realDialogCancel()
{
    QFETCH(int, saveMode);
    // An installed and then emptied hook leaves the real dialog in place.
    setFileDialogHook([](const FileDialogRequest&) { return QStringLiteral("/never"); });
    setFileDialogHook({});

    answerNextDialog([](QFileDialog* dialog) { dialog->reject(); });
    const QString path = showCallersDialog(saveMode);
    QVERIFY(m_seen.shown);
    QVERIFY(path.isEmpty());
    QVERIFY(m_seen.unexpectedMessages.isEmpty());
}

void FileDialogTest::realOpenDialog()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString chosen = QDir(folder.path()).absoluteFilePath(QStringLiteral("picture.jpg"));
    QVERIFY(makeFile(chosen));

    answerNextDialog([chosen](QFileDialog* dialog) { typePathAndPressReturn(dialog, chosen); });
    const QString path = showCallersDialog(0);
    QVERIFY(m_seen.shown);
    QVERIFY2(m_seen.unexpectedMessages.isEmpty(), qPrintable(m_seen.unexpectedMessages.join(u'\n')));
    QCOMPARE(m_seen.title, QStringLiteral("Open"));
    QCOMPARE(m_seen.nameFilters, OpenFilters);
    QCOMPARE(m_seen.selectedNameFilter, QStringLiteral("JPEG (*.jpg)"));
    QCOMPARE(m_seen.acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(m_seen.fileMode, QFileDialog::ExistingFile);
    QVERIFY(m_seen.defaultSuffix.isEmpty());
    QCOMPARE(path, chosen);
}

void FileDialogTest::realSaveDialog_data()
{
    QTest::addColumn<int>("saveMode");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("existing");

    QTest::newRow("new file, mode 1") << 1 << QStringLiteral("image.raw") << false;
    QTest::newRow("existing file replaced without asking") << 1 << QStringLiteral("image.raw") << true;
    QTest::newRow("no extension added") << 1 << QStringLiteral("output") << false;
    QTest::newRow("existing file, mode 2") << 2 << QStringLiteral("screen.bin") << true;
}

void FileDialogTest::realSaveDialog()
{
    QFETCH(int, saveMode);
    QFETCH(QString, fileName);
    QFETCH(bool, existing);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString chosen = QDir(folder.path()).absoluteFilePath(fileName);
    if (existing)
        QVERIFY(makeFile(chosen));

    answerNextDialog([chosen](QFileDialog* dialog) { typePathAndPressReturn(dialog, chosen); });
    const QString path = showCallersDialog(saveMode);
    QVERIFY(m_seen.shown);
    QVERIFY2(m_seen.unexpectedMessages.isEmpty(), qPrintable(m_seen.unexpectedMessages.join(u'\n')));
    QCOMPARE(m_seen.title, QStringLiteral("Save"));
    QCOMPARE(m_seen.nameFilters, SaveFilters);
    QCOMPARE(m_seen.selectedNameFilter, QStringLiteral("All Files (*)"));
    QCOMPARE(m_seen.acceptMode, QFileDialog::AcceptSave);
    QVERIFY(!m_seen.confirmsOverwrite);
    QVERIFY(m_seen.defaultSuffix.isEmpty());
    QCOMPARE(path, chosen);
    // Choosing writes nothing.
    QCOMPARE(QFileInfo::exists(chosen), existing);
}

void FileDialogTest::realDialogLongPath_data()
{
    QTest::addColumn<int>("saveMode");
    QTest::addColumn<int>("length");

    QTest::newRow("open, 254 characters") << 0 << 254;
    QTest::newRow("save, 254 characters") << 1 << 254;
    QTest::newRow("open, 255 characters") << 0 << 255;
    QTest::newRow("save, 400 characters") << 1 << 400;
}

void FileDialogTest::realDialogLongPath()
{
    QFETCH(int, saveMode);
    QFETCH(int, length);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString chosen = pathOfLength(QDir(folder.path()).absolutePath(), length, QStringLiteral(".gif"));
    QCOMPARE(chosen.size(), length);
    QVERIFY(makeFile(chosen));

    answerNextDialog([chosen](QFileDialog* dialog) { typePathAndPressReturn(dialog, chosen); });
    const QString path = showCallersDialog(saveMode);
    QVERIFY(m_seen.shown);
    QVERIFY2(m_seen.unexpectedMessages.isEmpty(), qPrintable(m_seen.unexpectedMessages.join(u'\n')));
    QCOMPARE(path, chosen);
}

QTEST_MAIN(FileDialogTest)
#include "tst_filedialog.moc"
