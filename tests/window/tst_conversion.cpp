// Converting: the bytes of every format against rasterkit-cli, the preview,
// the grid, the yields and the progress bar row by row, input refused while
// a conversion runs, and closing the window in the middle of one.
#include "windowtestsupport.h"

#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/pictureboxes.h"
#include "window/statusbox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>


using namespace rasterkit;
using namespace rasterkit::test;

namespace {

const QString Converting = QStringLiteral("Конвертирование...");
const QString Compressing = QStringLiteral("Компрессия...");

// What the window shows at one yield of a conversion.
struct YieldSnapshot {
    QString text;
    int progress = 0;
    bool operator==(const YieldSnapshot&) const = default;
};

} // namespace

class ConversionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sameBytesAsCli_data();
    void sameBytesAsCli();
    void gridAndPreview_data();
    void gridAndPreview();
    void noFormatAfterTypedText();
    void plainAfterRunLengthReplacesOutput();
    void yieldsAndProgress_data();
    void yieldsAndProgress();
    void progressBarSignals();
    void inputRefusedWhileConverting();
    void focusStaysWhereTheUserLeftIt_data();
    void focusStaysWhereTheUserLeftIt();
    void closingWhileConverting();

private:
    // Saves the picture in the work folder and opens it; false if it could
    // not be saved.
    [[nodiscard]] bool openWritten(Form1& form, const QString& name, const QImage& picture)
    {
        const QString path = writePicture(m_folder, name, picture);
        if (path.isEmpty())
            return false;
        openPicture(form, path);
        return true;
    }

    QTemporaryDir m_folder;
    QString m_patternBmp;
    QString m_patternJpeg;
    QString m_knownPath; // 8 x 6, known pixels
    QImage m_known;
};

void ConversionTest::initTestCase()
{
    dropOffscreenPlatformNotes();
    QVERIFY(m_folder.isValid());
    const QImage pattern = patternPicture(400, 300);
    m_patternBmp = m_folder.filePath(QStringLiteral("pattern.bmp"));
    m_patternJpeg = m_folder.filePath(QStringLiteral("pattern.jpg"));
    QVERIFY(pattern.save(m_patternBmp));
    QVERIFY(pattern.save(m_patternJpeg, "JPEG", 85));

    m_known = QImage(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x)
            m_known.setPixel(x, y, qRgb((x * 37 + 3) & 0xFF, (y * 53 + x * 11) & 0xFF, (x * y * 29 + 7) & 0xFF));
    }
    m_known.setPixel(1, 1, qRgb(255, 255, 255));
    m_known.setPixel(2, 1, qRgb(0, 0, 0));
    m_known.setPixel(3, 1, qRgb(128, 128, 128));
    m_known.setPixel(4, 1, qRgb(255, 0, 0));
    m_known.setPixel(5, 1, qRgb(16, 0, 0));
    m_known.setPixel(6, 1, qRgb(48, 0, 0));
    m_known.setPixel(7, 1, qRgb(1, 0, 0));
    m_knownPath = m_folder.filePath(QStringLiteral("known.bmp"));
    QVERIFY(m_known.save(m_knownPath));
}

void ConversionTest::sameBytesAsCli_data()
{
    QTest::addColumn<QString>("picture"); // "bmp", "jpeg" or a file in tests/data
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("widthPreset");  // list index, or -1
    QTest::addColumn<int>("heightPreset");
    QTest::addColumn<int>("widthDowns");   // down-arrow clicks on the width spinner
    QTest::addColumn<int>("scaleClicks");  // right-arrow clicks on the scale bar
    QTest::addColumn<QPointF>("drag");
    const QStringList names { "RGB 5:6:5", "RGB 5:6:5x8", "RGB 5:4:4x3", "RGB 4:4:4x4", "RGB 3:3:3x7", "RGB 3:3:2",
        "RGB 3:3:2x8", "Y 5x3" };
    for (int format = 0; format < 8; ++format) {
        QTest::addRow("%s, 320 x 240 at (200, 150)", qPrintable(names[format]))
            << "bmp" << format << -1 << -1 << 0 << 0 << QPointF(200, 150);
    }
    QTest::newRow("RGB 5:6:5x8, JPEG, scale 2, 176 x 176") << "jpeg" << 1 << 2 << 2 << 0 << 10 << QPointF(210, 160);
    QTest::newRow("Y 5x3, 128 x 132 at scale 1.5 past the edge")
        << "bmp" << 7 << 0 << 1 << 0 << 5 << QPointF(380, 290);
    QTest::newRow("RGB 3:3:3x7, width 131, half-pixel centre") << "bmp" << 4 << 1 << -1 << 1 << 0 << QPointF(100.5, 90);
    QTest::newRow("RGB 4:4:4x4, scale 1.3") << "jpeg" << 3 << -1 << 0 << 0 << 3 << QPointF(150.25, 120.75);
    QTest::newRow("RGB 3:3:2x8, GIF from the test data") << "known.gif" << 6 << -1 << -1 << 0 << 0 << QPointF(0, 0);
    QTest::newRow("RGB 5:4:4x3, JPEG from the test data") << "photo.jpg" << 2 << 2 << 3 << 0 << 0 << QPointF(90, 70);
}

void ConversionTest::sameBytesAsCli()
{
    QFETCH(QString, picture);
    QFETCH(int, format);
    QFETCH(int, widthPreset);
    QFETCH(int, heightPreset);
    QFETCH(int, widthDowns);
    QFETCH(int, scaleClicks);
    QFETCH(QPointF, drag);
    QString path = picture == QLatin1String("bmp") ? m_patternBmp : picture == QLatin1String("jpeg") ? m_patternJpeg
                                                                                               : QString();
    if (path.isEmpty()) {
        path = QStringLiteral(RASTERKIT_TEST_DATA "/") + picture;
        if (!QFile::exists(path))
            QSKIP("the test picture is not there");
    }
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, path);
    QCOMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9       ") + path);
    if (widthPreset >= 0)
        QVERIFY(chooseComboEntry(c.Combo2, widthPreset));
    if (heightPreset >= 0)
        QVERIFY(chooseComboEntry(c.Combo3, heightPreset));
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine, widthDowns);
    clickScrollArrow(c.HScroll2->bar(), QStyle::SC_ScrollBarAddLine, scaleClicks);
    moveMouseWithButtons(c.Picture3, drag, Qt::LeftButton);
    convertWith(*shown.form, format);

    const WorkingState& state = shown.form->state();
    QCOMPARE(state.FrameLeft, nearestEven(static_cast<float>(drag.x()) - state.SampleStep * state.TargetWidth / 2));
    QCOMPARE(state.FrameTop, nearestEven(static_cast<float>(drag.y()) - state.SampleStep * state.TargetHeight / 2));
    const CliResult cli = runCli(path, state, format, m_folder.path());
    QVERIFY2(cli.error.isEmpty(), qPrintable(cli.error));
    QCOMPARE(bytesOf(state.OutputBytes).size(), cli.output.size());
    QVERIFY(bytesOf(state.OutputBytes) == cli.output);
    QCOMPARE(c.Text1->text(), QString::fromUtf8(cli.report));
    QCOMPARE(shown.form->Progress().Value(), 100);
    QVERIFY(!shown.form->isConverting());
    QVERIFY(c.Command1->isEnabled());
}

void ConversionTest::gridAndPreview_data()
{
    QTest::addColumn<int>("format");
    for (int format = 0; format < 8; ++format)
        QTest::addRow("format %d", format) << format;
}

void ConversionTest::gridAndPreview()
{
    QFETCH(int, format);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, m_knownPath);
    // The frame stays at the origin: column i samples source x = i, so the
    // 8 x 6 picture fills columns 1..7 and rows 1..5; the rest is outside.
    convertWith(*shown.form, format);
    const WorkingState& state = shown.form->state();
    const std::uint32_t mask = maskOf(format);
    int wrongGrid = 0;
    int wrongPreview = 0;
    QString firstFault;
    for (int row = 1; row <= 240; ++row) {
        for (int column = 1; column <= 320; ++column) {
            const bool inside = column < 8 && row < 6;
            const std::uint32_t masked = (inside ? colourAt(m_known, column, row) : 0xFFFFFFFFu) & mask;
            std::uint32_t stored = masked;
            QRgb shownColour = qRgb(masked & 0xFF, (masked >> 8) & 0xFF, (masked >> 16) & 0xFF);
            if (format == 7) {
                stored = static_cast<std::uint32_t>(greyLevelOf(masked));
                const int grey = 8 * static_cast<int>(stored);
                shownColour = qRgb(grey, grey, grey);
            }
            if (static_cast<std::uint32_t>(state.PixelGrid(column, row)) != stored) {
                if (wrongGrid++ == 0)
                    firstFault = QStringLiteral("grid (%1, %2)").arg(column).arg(row);
            }
            if (c.Picture2->pixel(column, row) != shownColour) {
                if (wrongPreview++ == 0 && firstFault.isEmpty())
                    firstFault = QStringLiteral("preview (%1, %2)").arg(column).arg(row);
            }
        }
    }
    QVERIFY2(wrongGrid == 0 && wrongPreview == 0, qPrintable(firstFault));
    // Column 0 and row 0 are never drawn.
    for (int index = 0; index <= 320; ++index)
        QCOMPARE(c.Picture2->pixel(index, 0), 0u);
    for (int index = 0; index <= 240; ++index)
        QCOMPARE(c.Picture2->pixel(0, index), 0u);
    if (format == 7) {
        // White 31 (248), black 7 (56), mid grey 19, red 15, then the ties.
        QCOMPARE(state.PixelGrid(1, 1), 31);
        QCOMPARE(c.Picture2->pixel(1, 1), qRgb(248, 248, 248));
        QCOMPARE(state.PixelGrid(2, 1), 7);
        QCOMPARE(c.Picture2->pixel(2, 1), qRgb(56, 56, 56));
        QCOMPARE(state.PixelGrid(3, 1), 19);
        QCOMPARE(state.PixelGrid(4, 1), 15);
        QCOMPARE(state.PixelGrid(5, 1), 8);
        QCOMPARE(state.PixelGrid(6, 1), 8);
        QCOMPARE(state.PixelGrid(7, 1), 7);
        QCOMPARE(state.PixelGrid(8, 1), 31); // outside
    } else {
        QCOMPARE(static_cast<std::uint32_t>(state.PixelGrid(8, 1)), mask);
        QCOMPARE(static_cast<std::uint32_t>(state.PixelGrid(1, 6)), mask);
    }
}

void ConversionTest::noFormatAfterTypedText()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, m_patternBmp);
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    const WorkingState& state = shown.form->state();
    const OutputBytes bytesBefore = state.OutputBytes;
    const PixelGrid gridBefore = state.PixelGrid;
    const QImage previewBefore = c.Picture2->grab().toImage();
    const QString statusBefore = c.Text1->text();
    QCOMPARE(bytesBefore.size(), 153600u);

    c.Combo1->lineEdit()->setFocus();
    c.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(c.Combo1->lineEdit(), QStringLiteral("RGB 3:3:2"));
    c.Command1->setFocus();
    QCOMPARE(c.Combo1->currentIndex(), -1);
    {
        ModalAnswerer answerer;
        QTest::mouseClick(c.Command1, Qt::LeftButton);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("Rasterkit v9"));
        QCOMPARE(answerer.seen.first().text, QStringLiteral("Формат не выбран: выберите его из списка форматов."));
    }
    QVERIFY(!shown.form->isConverting());
    QVERIFY(state.OutputBytes == bytesBefore);
    QVERIFY(state.PixelGrid == gridBefore);
    QCOMPARE(c.Picture2->grab().toImage(), previewBefore);
    QCOMPARE(c.Text1->text(), statusBefore);
    QCOMPARE(shown.form->Progress().Value(), 100);
}

void ConversionTest::plainAfterRunLengthReplacesOutput()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QVERIFY(openWritten(*shown.form, QStringLiteral("flat.bmp"), flatPicture(QSize(320, 240), qRgb(90, 180, 30))));
    moveMouseWithButtons(c.Picture3, QPointF(159, 119), Qt::LeftButton); // samples 0..319, 0..239
    convertWith(*shown.form, 1);
    QCOMPARE(shown.form->state().OutputBytes.size(), 906u);
    QCOMPARE(c.Text1->text(),
        QStringLiteral("Результат компрессии:\r\nБез сжатия:  153600 байт\r\nПосле сжатия: 906\r\nCжато в: 169")
            + QLocale::system().decimalPoint() + QStringLiteral("53 раза\r\n"));
    convertWith(*shown.form, 5);
    QCOMPARE(shown.form->state().OutputBytes.size(), 76800u);
    QCOMPARE(c.Text1->text(), QStringLiteral("Конвертирование завершено.\r\nРазмер файла : 76800"));
    // 90, 180, 30 -> 010 101 00
    for (const std::uint8_t byte : shown.form->state().OutputBytes)
        QCOMPARE(byte, std::uint8_t { 0x54 });
}

void ConversionTest::yieldsAndProgress_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("heightPreset");
    QTest::newRow("plain, 240 rows") << 0 << -1;
    QTest::newRow("run-length, 240 rows") << 1 << -1;
    QTest::newRow("plain 3:3:2, 132 rows") << 5 << 1;
    QTest::newRow("grey, 176 rows") << 7 << 2;
}

void ConversionTest::yieldsAndProgress()
{
    QFETCH(int, format);
    QFETCH(int, heightPreset);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, m_patternBmp);
    if (heightPreset >= 0)
        QVERIFY(chooseComboEntry(c.Combo3, heightPreset));
    if (format != 0)
        QVERIFY(chooseComboEntry(c.Combo1, format));
    const int rows = shown.form->state().TargetHeight;
    const QString textBefore = c.Text1->text();

    QList<YieldSnapshot> seen;
    QList<int> previewWidths;
    {
        const YieldWatcher watcher([&] {
            if (!shown.form->isConverting())
                return;
            seen.append({ c.Text1->text(), shown.form->Progress().Value() });
            previewWidths.append(c.Picture2->width());
        });
        QTest::mouseClick(c.Command1, Qt::LeftButton);
    }

    // One yield after blanking, one after the status text, one per sampled
    // row, one after the last row; then the encoder's.
    QList<YieldSnapshot> expected;
    expected.append({ textBefore, 0 });
    expected.append({ Converting, 0 });
    for (int row = 1; row <= rows; ++row)
        expected.append({ Converting, percentOf(row, rows) });
    expected.append({ Converting, 100 });
    const bool runLength = format != 0 && format != 5;
    if (runLength) {
        expected.append({ Compressing, 100 });
        for (int row = 1; row <= rows; ++row) // counting pass: progress untouched
            expected.append({ Compressing, 100 });
        for (int row = 1; row <= rows; ++row)
            expected.append({ Compressing, percentOf(row, rows) });
        expected.append({ c.Text1->text(), 100 }); // after the report
    } else {
        for (int row = 1; row <= rows; ++row)
            expected.append({ Converting, percentOf(row, rows) });
    }
    QCOMPARE(seen.size(), expected.size());
    for (qsizetype index = 0; index < expected.size(); ++index) {
        if (!(seen[index] == expected[index])) {
            QFAIL(qPrintable(QStringLiteral("yield %1: saw (%2, %3), expected (%4, %5)")
                                 .arg(index)
                                 .arg(seen[index].text, QString::number(seen[index].progress), expected[index].text,
                                     QString::number(expected[index].progress))));
        }
    }
    // The preview is shrunk to nothing during the first yield only.
    QCOMPARE(previewWidths.first(), 0);
    QCOMPARE(previewWidths.count(0), 1);
    if (rows == 240) {
        // Rows 3 and 6 of 240: 1.25 -> 1 and 2.5 -> 2 (ties to even).
        QCOMPARE(seen[2 + 3 - 1].progress, 1);
        QCOMPARE(seen[2 + 6 - 1].progress, 2);
    }
    QCOMPARE(c.Text1->text().isEmpty(), false);
    QVERIFY(c.Text1->text() != Converting);
}

void ConversionTest::progressBarSignals()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QProgressBar* bar = shown.form->Progress().widget();
    QSignalSpy spy(bar, &QProgressBar::valueChanged);
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    // Each pass climbs from row 1 to 100 again; the bar reports each change.
    QList<int> expected;
    int last = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (int row = 1; row <= 240; ++row) {
            const int value = percentOf(row, 240);
            if (value != last)
                expected.append(value);
            last = value;
        }
    }
    QList<int> reported;
    for (const QList<QVariant>& arguments : spy)
        reported.append(arguments.at(0).toInt());
    QCOMPARE(reported, expected);
    QCOMPARE(bar->value(), 100);
}

void ConversionTest::inputRefusedWhileConverting()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QImage tall = flatPicture(QSize(600, 500), qRgb(40, 80, 120));
    for (int y = 0; y < 500; y += 3)
        tall.setPixel((y * 7) % 600, y, qRgb(250, 10, 10));
    QVERIFY(openWritten(*shown.form, QStringLiteral("tall.bmp"), tall));
    moveMouseWithButtons(c.Picture3, QPointF(220, 170), Qt::LeftButton);
    QVERIFY(chooseComboEntry(c.Combo1, 1));

    // The bytes an undisturbed run gives.
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    const OutputBytes undisturbed = shown.form->state().OutputBytes;
    const QString report = c.Text1->text();
    QVERIFY(!undisturbed.empty());

    FileDialogAnswer dialogs(m_folder.filePath(QStringLiteral("never.raw")));
    ModalAnswerer answerer;
    bool tried = false;
    bool allDisabled = false;
    int panValue = 0;
    int pannedLeft = 0;
    int modalsSeen = 0;
    {
        const YieldWatcher watcher([&] {
            if (tried || !shown.form->isConverting() || shown.form->Progress().Value() < 40)
                return;
            tried = true;
            allDisabled = !c.Command1->isEnabled() && !c.Combo1->isEnabled() && !c.Combo2->isEnabled()
                && !c.Combo3->isEnabled() && !c.VScroll2->isEnabled() && !c.VScroll3->isEnabled()
                && !c.HScroll2->isEnabled() && !c.File_open->isEnabled() && !c.file_save->isEnabled();
            QTest::mouseClick(c.Command1, Qt::LeftButton);
            c.Command1->click();
            c.File_open->trigger();
            c.file_save->trigger();
            clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine);
            clickScrollArrow(c.VScroll3->bar(), QStyle::SC_ScrollBarAddLine);
            clickScrollArrow(c.HScroll2->bar(), QStyle::SC_ScrollBarAddLine);
            QTest::mouseClick(c.Combo2, Qt::LeftButton);
            QTest::keyClick(c.Combo1, Qt::Key_Down);
            moveMouseWithButtons(c.Picture3, QPointF(20, 20), Qt::LeftButton);
            // Panning and the About box still work.
            clickScrollArrow(c.HScroll1->bar(), QStyle::SC_ScrollBarAddLine, 2);
            panValue = c.HScroll1->value();
            pannedLeft = c.Picture3->leftTwips();
            c.Autor->trigger();
            modalsSeen = answerer.seen.size();
        });
        QTest::mouseClick(c.Command1, Qt::LeftButton);
    }
    QVERIFY(tried);
    QVERIFY(allDisabled);
    QCOMPARE(panValue, 30);
    QCOMPARE(pannedLeft, -30);
    QCOMPARE(modalsSeen, 1);
    QCOMPARE(answerer.seen.first().title, QStringLiteral("О программе"));
    QCOMPARE(dialogs.requests().size(), 0);
    QVERIFY(!QFile::exists(m_folder.filePath(QStringLiteral("never.raw"))));

    const WorkingState& state = shown.form->state();
    QCOMPARE(state.TargetWidth, 320);
    QCOMPARE(state.TargetHeight, 240);
    QCOMPARE(state.SampleStep, 1.0);
    QCOMPARE(state.FrameLeft, 60);
    QCOMPARE(state.FrameTop, 50);
    QCOMPARE(c.Combo1->currentIndex(), 1);
    QVERIFY(state.OutputBytes == undisturbed);
    QCOMPARE(c.Text1->text(), report);
    // Everything is back once the run is over.
    for (QWidget* control : std::initializer_list<QWidget*> { c.Command1, c.Combo1, c.Combo2, c.Combo3, c.VScroll2,
             c.VScroll3, c.HScroll2 })
        QVERIFY(control->isEnabled());
    QVERIFY(c.File_open->isEnabled());
    QVERIFY(c.file_save->isEnabled());
}

void ConversionTest::focusStaysWhereTheUserLeftIt_data()
{
    QTest::addColumn<bool>("movedDuringRun"); // the user puts the focus on the panning bar meanwhile
    QTest::newRow("on the button") << false;
    QTest::newRow("moved during the run") << true;
}

void ConversionTest::focusStaysWhereTheUserLeftIt()
{
    QFETCH(bool, movedDuringRun);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    shown.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown.form.get()));
    QWidget* focusDuringRun = nullptr;
    {
        const YieldWatcher watcher([&] {
            if (shown.form->isConverting() && focusDuringRun == nullptr) {
                focusDuringRun = QApplication::focusWidget();
                if (movedDuringRun)
                    c.HScroll1->bar()->setFocus(Qt::TabFocusReason);
            }
        });
        QTest::mouseClick(c.Command1, Qt::LeftButton);
    }
    QVERIFY(c.Text1->text().startsWith(QStringLiteral("Конвертирование завершено.")));
    QVERIFY(focusDuringRun != nullptr && focusDuringRun != c.Command1); // disabled, it lost the focus
    QCOMPARE(QApplication::focusWidget(), movedDuringRun ? static_cast<QWidget*>(c.HScroll1->bar()) : c.Command1);
}

void ConversionTest::closingWhileConverting()
{
    // The real program: the event loop runs, a conversion starts, the window
    // is closed from inside one of its yields. The run must stop right there
    // and the program end.
    auto form = std::make_unique<Form1>();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const Form1Controls& c = form->controls();
    FileDialogAnswer dialogs(m_folder.filePath(QStringLiteral("closing.raw")));
    QVERIFY(chooseComboEntry(c.Combo1, 3));
    const QString textBefore = c.Text1->text();

    int progressAtClose = -1;
    bool closed = false;
    const YieldWatcher watcher([&] {
        if (!closed && form->isConverting() && form->Progress().Value() >= 30) {
            progressAtClose = form->Progress().Value();
            closed = true;
            form->close();
        }
    });
    QApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, c.Command1, [&] { QTest::mouseClick(c.Command1, Qt::LeftButton); });
    QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(99); }); // should the program not end
    QElapsedTimer clock;
    clock.start();
    const int exitCode = QApplication::exec();
    QCOMPARE(exitCode, 0);
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY(closed);
    QVERIFY(!form->isVisible());
    QVERIFY(!form->isConverting());
    // Nothing after the close: no further rows, no encoder, no output.
    QCOMPARE(form->Progress().Value(), progressAtClose);
    QVERIFY(form->state().OutputBytes.empty());
    QCOMPARE(c.Text1->text(), Converting);
    QCOMPARE(dialogs.requests().size(), 0);
    QVERIFY(!QFile::exists(m_folder.filePath(QStringLiteral("closing.raw"))));
    QVERIFY(textBefore != Converting);
}

QTEST_MAIN(ConversionTest)
#include "tst_conversion.moc"
