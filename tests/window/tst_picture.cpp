// Opening a source picture and panning it in the viewport.
#include "windowtestsupport.h"

#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/pictureboxes.h"
#include "window/statusbox.h"

#include "platform/qtpictures.h"

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

#include <sys/stat.h>

using namespace rasterkit;
using namespace rasterkit::test;

// A working state worth keeping, for the opens that must fail: a picture
// (500 x 400), a pan, a frame and an output.
struct KeptState {
    WorkingState state;
    QImage picture;
    QString title;
    QString text;
    QRectF frame;
};

KeptState keepWorkingState(const ShownForm& shown, const QString& picturePath)
{
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, picturePath);
    clickScrollArrow(c.VScroll1->bar(), QStyle::SC_ScrollBarAddLine, 2);
    moveMouseWithButtons(c.Picture3, QPointF(250, 200), Qt::LeftButton);
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    return KeptState { shown.form->state(), c.Picture3->picture(), shown.form->windowTitle(), c.Text1->text(),
        c.Picture3->frameRect() };
}

// Everything as keepWorkingState left it.
void compareWithKept(const ShownForm& shown, const KeptState& kept)
{
    const Form1Controls& c = shown.c();
    QVERIFY(!kept.state.OutputBytes.empty());
    QCOMPARE(shown.form->windowTitle(), kept.title);
    QVERIFY(c.Picture3->picture() == kept.picture);
    QCOMPARE(c.Picture3->size(), kept.picture.size());
    QVERIFY(c.Picture3->isFrameShown());
    QCOMPARE(c.Picture3->frameRect(), kept.frame);
    QCOMPARE(c.VScroll1->value(), 30);
    QCOMPARE(c.Picture3->pos(), QPoint(0, -2));
    QCOMPARE(c.VScroll1->max(), (400 - 377) * 15);
    QCOMPARE(c.HScroll1->max(), (500 - 289) * 15);
    QCOMPARE(c.Text1->text(), kept.text);
    const WorkingState& after = shown.form->state();
    QCOMPARE(after.FrameLeft, kept.state.FrameLeft);
    QCOMPARE(after.FrameTop, kept.state.FrameTop);
    QVERIFY(after.PixelGrid == kept.state.PixelGrid);
    QVERIFY(after.OutputBytes == kept.state.OutputBytes);
}

class PictureTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void openChosenPicture_data();
    void openChosenPicture();
    void openCancelledChangesNothing();
    void unreadablePictureChangesNothing_data();
    void unreadablePictureChangesNothing();
    void openKeepsFrameAndRemovesOutline();
    void panning_data();
    void panning();
    void thumbDragPansContinuously();
    void bigPicturePansToItsCorner();
    void tallPhotoOpensInStages_data();
    void tallPhotoOpensInStages();
    void troughAndWheelPan_data();
    void troughAndWheelPan();
    void droppedFileOpens_data();
    void droppedFileOpens();

private:
    QString write(const QString& name, const QImage& picture, const char* format = nullptr)
    {
        return writePicture(m_folder, name, picture, format);
    }
    QTemporaryDir m_folder;
};

void PictureTest::initTestCase()
{
    dropOffscreenPlatformNotes();
    QVERIFY(m_folder.isValid());
}

void PictureTest::openChosenPicture_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("copyOf"); // a picture of tests/data copied under fileName; empty: the pattern written as format
    QTest::newRow("BMP") << "pattern.bmp" << QByteArray("BMP") << "";
    QTest::newRow("JPEG") << "pattern.jpg" << QByteArray("JPEG") << "";
    QTest::newRow("PNG through All Files") << "pattern.png" << QByteArray("PNG") << "";
    QTest::newRow("name with spaces") << "a picture с пробелами.bmp" << QByteArray("BMP") << "";
    QTest::newRow("non-ASCII name") << "Ёлка_ñ_日本.bmp" << QByteArray("BMP") << "";
    // The content decides, not the name.
    QTest::newRow("GIF named .jpg") << "really a gif.jpg" << QByteArray("GIF") << "known.gif";
}

void PictureTest::openChosenPicture()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, format);
    QFETCH(QString, copyOf);
    const QString source = QStringLiteral(RASTERKIT_TEST_DATA "/") + copyOf;
    const QImage picture = copyOf.isEmpty() ? patternPicture(400, 300) : QImage(source);
    const QString path = copyOf.isEmpty() ? write(fileName, picture, format.constData()) : m_folder.filePath(fileName);
    if (!copyOf.isEmpty())
        QVERIFY(QFile::copy(source, path));
    QVERIFY(!path.isEmpty());
    const int width = picture.width();
    const int height = picture.height();

    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    const FileDialogAnswer answer(path);
    c.File_open->trigger();

    QCOMPARE(answer.requests().size(), 1);
    const FileDialogRequest& request = answer.requests().first();
    QCOMPARE(request.title, QStringLiteral("Open"));
    QVERIFY(!request.save);
    QCOMPARE(request.nameFilters,
        Module1::nameFiltersFromPairs(QStringLiteral("JPEG%1*.jpg%1BMP%1*.bmp%1GIF%1*.gif%1All Files%1*.*%1").arg(QChar(0))));
    QCOMPARE(request.nameFilters.size(), 4);

    QCOMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9       ") + path);
    QCOMPARE(c.Picture3->picture().size(), QSize(width, height));
    QCOMPARE(c.Picture3->size(), QSize(width, height));
    QCOMPARE(c.Picture3->pos(), QPoint(0, 0));
    QCOMPARE(c.HScroll1->value(), 0);
    QCOMPARE(c.VScroll1->value(), 0);
    QCOMPARE(c.HScroll1->max(), (width - 289) * 15);
    QCOMPARE(c.VScroll1->max(), (height - 377) * 15);
    if (format != "JPEG") {
        // Lossless files come through pixel for pixel.
        QVERIFY(c.Picture3->picture().convertToFormat(QImage::Format_RGB32) == picture.convertToFormat(QImage::Format_RGB32));
    }
}

void PictureTest::openCancelledChangesNothing()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, write(QStringLiteral("first.bmp"), patternPicture(500, 400)));
    clickScrollArrow(c.HScroll1->bar(), QStyle::SC_ScrollBarAddLine, 3);
    QCOMPARE(c.HScroll1->value(), 45);
    const QString title = shown.form->windowTitle();

    const FileDialogAnswer cancel(QString {});
    c.File_open->trigger();
    QCOMPARE(cancel.requests().size(), 1);
    QCOMPARE(shown.form->windowTitle(), title);
    QCOMPARE(c.Picture3->picture().size(), QSize(500, 400));
    QCOMPARE(c.HScroll1->value(), 45);
    QCOMPARE(c.Picture3->leftTwips(), -45);
}

namespace {

QByteArray testFile(const char* name)
{
    QFile file(QStringLiteral(RASTERKIT_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The data with bytes written over, offset bytes after the first marker
// (from the start when the marker is empty).
QByteArray patched(QByteArray data, const QByteArray& marker, qsizetype offset, const QByteArray& bytes)
{
    return data.replace(data.indexOf(marker) + offset, bytes.size(), bytes);
}

} // namespace

void PictureTest::unreadablePictureChangesNothing_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("make"); // "file", "fifo", "folder", "vanishing" (gone once chosen) or nothing
    QTest::addColumn<QString>("reason");
    const QByteArray text("this is not a picture\n");
    const QByteArray jpeg = testFile("photo.jpg");
    const QByteArray bmp = testFile("small.bmp");
    const QByteArray gif = testFile("known.gif"); // 50 x 40, 16 colours; its picture's descriptor at 61
    const QByteArray huge("\xFF\xFF\xFF\xFF", 4);
    const QByteArray hugeBmp("\xFF\xFF\x00\x00\xFF\xFF\x00\x00", 8);
    QTest::newRow("text named .jpg") << "notes.jpg" << text << "file" << "это не рисунок";
    QTest::newRow("text named .bmp") << "notes.bmp" << text << "file" << "это не рисунок";
    QTest::newRow("file of zeros") << "zeros.bmp" << QByteArray(1 << 20, '\0') << "file" << "это не рисунок";
    QTest::newRow("empty file") << "empty.bmp" << QByteArray() << "file" << "файл пустой";
    QTest::newRow("truncated BMP") << "cut.bmp" << QByteArray("BM\x36\x00\x01\x00\x00\x00", 8) << "file"
                                   << "не удаётся разобрать";
    QTest::newRow("BMP cut in its rows") << "cut rows.bmp" << testFile("cut-known.bmp") << "file"
                                         << "обрывается посреди рисунка (в нём 6180 байт из 9270)";
    QTest::newRow("JPEG cut short") << "cut.jpg" << testFile("cut-photo.jpg") << "file" << "обрывается посреди рисунка";
    QTest::newRow("GIF cut short") << "cut.gif" << testFile("cut-known.gif") << "file" << "обрывается посреди рисунка";
    QTest::newRow("corrupt JPEG") << "bad marker.jpg" << patched(jpeg, "\xFF\xDA", 2, QByteArray("\x00\x01", 2))
                                  << "file" << "не удаётся разобрать (Bogus marker length)";
    QTest::newRow("corrupt BMP") << "7 bits.bmp" << patched(bmp, {}, 28, QByteArray("\x07", 1)) << "file"
                                 << "не удаётся разобрать";
    QTest::newRow("corrupt GIF data") << "bad codes.gif" << patched(gif, {}, 73, QByteArray(8, '\xFF')) << "file"
                                      << "сжатые данные рисунка повреждены";
    QTest::newRow("GIF code size 12") << "code size.gif" << patched(gif, {}, 71, QByteArray("\x0C", 1)) << "file"
                                      << "сжатые данные рисунка повреждены";
    QTest::newRow("JPEG of 65535 x 65535") << "huge.jpg" << patched(jpeg, "\xFF\xC0", 5, huge) << "file"
                                           << "заявлено 65535 × 65535 точек";
    QTest::newRow("BMP of 65535 x 65535") << "huge.bmp" << patched(bmp, {}, 18, hugeBmp) << "file"
                                          << "заявлено 65535 × 65535 точек";
    QTest::newRow("BMP of 2147483647 x 2147483647") << "huger.bmp" << patched(bmp, {}, 18, QByteArray("\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F", 8))
                                                    << "file" << "заявлено 2147483647 × 2147483647 точек";
    QTest::newRow("GIF of 65535 x 65535") << "huge.gif" << patched(patched(gif, {}, 6, huge), {}, 66, huge) << "file"
                                          << "заявлено 65535 × 65535 точек";
    QTest::newRow("folder") << "pictures.jpg" << QByteArray() << "folder" << "это папка";
    QTest::newRow("missing file") << "missing.gif" << QByteArray() << "" << "такого файла нет";
    QTest::newRow("gone after the dialog") << "gone.bmp" << bmp << "vanishing" << "такого файла нет";
    // Refused at once: opening a FIFO would wait for a writer, a device may never end.
    QTest::newRow("FIFO") << "pipe.jpg" << QByteArray() << "fifo" << "устройство или канал";
    QTest::newRow("device") << "/dev/zero" << QByteArray() << "" << "устройство или канал";
}

void PictureTest::unreadablePictureChangesNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, make);
    QFETCH(QString, reason);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    const KeptState kept = keepWorkingState(shown, write(QStringLiteral("good.bmp"), patternPicture(500, 400)));

    const QString bad = QDir(m_folder.path()).filePath(fileName);
    if (make == QLatin1String("file") || make == QLatin1String("vanishing"))
        QVERIFY(writeFile(bad, content));
    if (make == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
    if (make == QLatin1String("folder"))
        QVERIFY(QDir(m_folder.path()).mkdir(fileName));
    ModalAnswerer answerer;
    FileDialogAnswer answer(bad);
    if (make == QLatin1String("vanishing"))
        answer.whenAsked([bad] { QVERIFY(QFile::remove(bad)); });
    c.File_open->trigger();
    QCOMPARE(answer.requests().size(), 1);
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
    const QString message = answerer.seen.first().text;
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось открыть файл «%1»: ").arg(bad)), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    compareWithKept(shown, kept);
}

void PictureTest::openKeepsFrameAndRemovesOutline()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    moveMouseWithButtons(c.Picture3, QPointF(200, 150), Qt::LeftButton);
    QVERIFY(c.Picture3->isFrameShown());
    QCOMPARE(shown.form->state().FrameLeft, 40);
    QCOMPARE(shown.form->state().FrameTop, 30);

    // A second picture: the outline goes, the frame's position stays, and a
    // conversion right away samples the new picture there.
    QImage flat = flatPicture(QSize(360, 280), qRgb(0x12, 0x34, 0x56));
    flat.setPixel(41, 31, qRgb(255, 255, 255));
    openPicture(*shown.form, write(QStringLiteral("second.bmp"), flat));
    QVERIFY(!c.Picture3->isFrameShown());
    QCOMPARE(shown.form->state().FrameLeft, 40);
    QCOMPARE(shown.form->state().FrameTop, 30);
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    const PixelGrid& grid = shown.form->state().PixelGrid;
    QCOMPARE(grid(1, 1), static_cast<std::int32_t>(0xF8FCF8)); // source (41, 31)
    QCOMPARE(grid(2, 1), static_cast<std::int32_t>(0x503410)); // 0x563412 reduced
    QCOMPARE(grid(319, 240), static_cast<std::int32_t>(0x503410)); // source (359, 270), the last column
    QCOMPARE(grid(320, 240), static_cast<std::int32_t>(0xF8FCF8)); // source (360, 270), outside
}

void PictureTest::panning_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<int>("hscrollMax");
    QTest::addColumn<int>("vscrollMax");
    QTest::addColumn<QPoint>("atFarEnd"); // Picture3's position with both bars at their far ends
    QTest::addColumn<int>("hTwipsPerUnit");
    QTest::addColumn<int>("hscrollMaxWider"); // in a window 200 pixels wider
    // The viewport is 289 x 377 pixels at design size.
    QTest::newRow("smaller than the viewport") << QSize(100, 80) << -(289 - 100) * 15 << -(377 - 80) * 15
                                               << QPoint(189, 297) << 1 << -(489 - 100) * 15;
    QTest::newRow("the viewport's size") << QSize(289, 377) << 0 << 0 << QPoint(0, 0) << 1 << -200 * 15;
    QTest::newRow("larger than the viewport") << QSize(600, 500) << (600 - 289) * 15 << (500 - 377) * 15
                                              << QPoint(-311, -123) << 1 << (600 - 489) * 15;
    // Beyond 32767 twips a unit of the bar stands for a whole pixel.
    QTest::newRow("too large for 16 bits") << QSize(3000, 400) << 3000 - 289 << (400 - 377) * 15
                                           << QPoint(-2711, -23) << 15 << 3000 - 489;
}

void PictureTest::panning()
{
    QFETCH(QSize, pictureSize);
    QFETCH(int, hscrollMax);
    QFETCH(int, vscrollMax);
    QFETCH(QPoint, atFarEnd);
    QFETCH(int, hTwipsPerUnit);
    QFETCH(int, hscrollMaxWider);
    const QImage picture = flatPicture(pictureSize, qRgb(10, 200, 30));
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, write(QStringLiteral("panned.bmp"), picture));
    QCOMPARE(c.HScroll1->max(), hscrollMax);
    QCOMPARE(c.VScroll1->max(), vscrollMax);
    QCOMPARE(c.HScroll1->min(), 0);
    QCOMPARE(c.VScroll1->min(), 0);

    // An arrow moves the picture by one pixel.
    clickScrollArrow(c.HScroll1->bar(), QStyle::SC_ScrollBarAddLine);
    clickScrollArrow(c.VScroll1->bar(), QStyle::SC_ScrollBarAddLine);
    const int hStep = hscrollMax == 0 ? 0 : (hscrollMax > 0 ? 1 : -1);
    const int vStep = vscrollMax == 0 ? 0 : (vscrollMax > 0 ? 1 : -1);
    QCOMPARE(c.HScroll1->value(), hStep * 15 / hTwipsPerUnit);
    QCOMPARE(c.VScroll1->value(), vStep * 15);
    QCOMPARE(c.Picture3->leftTwips(), -hStep * 15);
    QCOMPARE(c.Picture3->topTwips(), -vStep * 15);
    QCOMPARE(c.Picture3->pos(), QPoint(-hStep, -vStep));
    clickScrollArrow(c.HScroll1->bar(), QStyle::SC_ScrollBarAddLine, 7);
    QCOMPARE(c.Picture3->leftTwips(), -8 * 15 * hStep);
    QCOMPARE(c.Picture3->x(), -8 * hStep);

    // To the far ends with the keyboard, and back to the start.
    c.HScroll1->bar()->setFocus();
    QTest::keyClick(c.HScroll1->bar(), Qt::Key_End);
    c.VScroll1->bar()->setFocus();
    QTest::keyClick(c.VScroll1->bar(), Qt::Key_End);
    QCOMPARE(c.HScroll1->value(), hscrollMax);
    QCOMPARE(c.VScroll1->value(), vscrollMax);
    QCOMPARE(c.Picture3->pos(), atFarEnd);
    QCOMPARE(c.Picture3->picture().size(), pictureSize); // the pixels never move
    QTest::keyClick(c.VScroll1->bar(), Qt::Key_Home);
    QCOMPARE(c.VScroll1->value(), 0);
    QCOMPARE(c.Picture3->y(), 0);

    // A larger window shrinks the ranges; a value outside is moved to the
    // nearest end and the picture follows.
    QTest::keyClick(c.VScroll1->bar(), Qt::Key_End);
    const int valueBefore = c.VScroll1->value();
    const int menuHeight = shown.form->height() - c.client->height();
    shown.form->resize(651 + 200, 408 + 150 + menuHeight);
    QTRY_COMPARE(c.Picture1->size(), QSize(289 + 200, 377 + 150));
    QCOMPARE(c.HScroll1->max(), hscrollMaxWider);
    QCOMPARE(c.VScroll1->max(), (pictureSize.height() - 527) * 15);
    const int newMax = c.VScroll1->max();
    QCOMPARE(c.VScroll1->value(), std::clamp(valueBefore, std::min(0, newMax), std::max(0, newMax)));
    QCOMPARE(c.Picture3->topTwips(), -c.VScroll1->value());
}

void PictureTest::thumbDragPansContinuously()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, write(QStringLiteral("wide.bmp"), flatPicture(QSize(1289, 377), qRgb(255, 255, 255))));
    QCOMPARE(c.HScroll1->max(), 15000);
    QScrollBar* bar = c.HScroll1->bar();
    const QRect thumb = horizontalThumbRect(bar);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb.center());
    QList<int> seen;
    for (int offset = 20; offset <= 100; offset += 40) {
        QTest::mouseMove(bar, thumb.center() + QPoint(offset, 0));
        seen.append(c.Picture3->leftTwips());
        QCOMPARE(c.Picture3->leftTwips(), -c.HScroll1->value());
    }
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, thumb.center() + QPoint(100, 0));
    // The picture moved during the drag, further at each step.
    QVERIFY(seen[0] < 0);
    QVERIFY(seen[1] < seen[0]);
    QVERIFY(seen[2] < seen[1]);
    QCOMPARE(c.Picture3->leftTwips(), seen[2]);
    QCOMPARE(c.HScroll1->value(), -seen[2]);
}

void PictureTest::bigPicturePansToItsCorner()
{
    // Green with a blue block at the bottom right, far beyond 32767 twips.
    QImage picture = flatPicture(QSize(9000, 6000), qRgb(0, 160, 0));
    picture.fill(qRgb(0, 160, 0));
    for (int y = 5600; y < 6000; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(picture.scanLine(y)) + 8400, 600, qRgb(0, 0, 255));
    const QString path = write(QStringLiteral("big.jpg"), picture);
    picture = QImage();
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, path);
    QCOMPARE(c.Picture3->picture().size(), QSize(9000, 6000));
    // One unit is one pixel both ways.
    QCOMPARE(c.HScroll1->max(), 9000 - 289);
    QCOMPARE(c.VScroll1->max(), 6000 - 377);

    for (ClassicScrollBar* bar : { c.HScroll1, c.VScroll1 }) {
        bar->bar()->setFocus();
        QTest::keyClick(bar->bar(), Qt::Key_End);
    }
    // The bottom-right pixel sits in the viewport's bottom-right corner.
    QCOMPARE(c.Picture3->pos(), QPoint(289 - 9000, 377 - 6000));
    QCOMPARE(c.Picture3->geometry().bottomRight(), c.Picture1->rect().bottomRight());
    QCOMPARE(c.Picture3->leftTwips(), -(9000 - 289) * 15);

    // Drag the frame onto the corner block and convert.
    moveMouseWithButtons(c.Picture3, QPointF(8750, 5820), Qt::LeftButton);
    QCOMPARE(shown.form->state().FrameCenterX, 8750.0f);
    QCOMPARE(shown.form->state().FrameCenterY, 5820.0f);
    QVERIFY(c.Picture3->isFrameShown());
    convertWith(*shown.form, 0);
    const WorkingState& state = shown.form->state();
    const CliResult cli = runCli(path, state, 0, m_folder.path());
    QVERIFY2(cli.error.isEmpty(), qPrintable(cli.error));
    QVERIFY(bytesOf(state.OutputBytes) == cli.output);
    // Every sample is the blue block (the preview starts at 1, 1).
    for (const QPoint point : { QPoint(1, 1), QPoint(320, 1), QPoint(160, 120), QPoint(320, 240) }) {
        const QColor shownColour = QColor::fromRgb(c.Picture2->pixel(point.x(), point.y()));
        QVERIFY2(shownColour.blue() > 220 && shownColour.green() < 40 && shownColour.red() < 40,
            qPrintable(shownColour.name()));
    }
}

void PictureTest::tallPhotoOpensInStages_data()
{
    // What the user does while the rows below the viewport are decoded.
    QTest::addColumn<bool>("damaged"); // the data stops at 70% of the file, then an end-of-image marker
    QTest::addColumn<QString>("then"); // wait, convert, open (another picture)
    for (const bool damaged : { false, true }) {
        for (const char* then : { "wait", "convert", "open" })
            QTest::addRow("%s, %s", damaged ? "damaged" : "whole", then) << damaged << QString::fromLatin1(then);
    }
}

// A JPEG photo taller than the viewport is shown from its first rows, and
// its title set, before the rest is decoded; what the user sees and converts
// at the end is the whole decode. If the rest turns out damaged, everything
// is as it was before the open, with the message, whatever the user did
// meanwhile; a conversion asked for meanwhile waits for the rest and does
// not run on a damaged photo.
void PictureTest::tallPhotoOpensInStages()
{
    QFETCH(bool, damaged);
    QFETCH(QString, then);
    const QString path = write(QStringLiteral("tall.jpg"), patternPicture(600, 3000));
    if (damaged) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray kept = file.readAll().first(file.size() * 7 / 10);
        QVERIFY(file.resize(0) && file.write(kept + QByteArray("\xFF\xD9", 2)) == kept.size() + 2);
    }
    const QString other = write(QStringLiteral("other.bmp"), patternPicture(300, 200));
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    const KeptState kept = keepWorkingState(shown, write(QStringLiteral("good.bmp"), patternPicture(500, 400)));

    ModalAnswerer answerer;
    openPicture(*shown.form, path);
    QVERIFY(shown.form->isOpening());
    QCOMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9       ") + path);
    QCOMPARE(c.Picture3->size(), QSize(600, 3000));
    QCOMPARE(c.VScroll1->value(), 0);
    if (then == QLatin1String("convert"))
        QTest::mouseClick(c.Command1, Qt::LeftButton);
    if (then == QLatin1String("open"))
        openPicture(*shown.form, other);
    QTRY_VERIFY(!shown.form->isOpening());
    QTRY_COMPARE(answerer.seen.size(), damaged ? 1 : 0);

    if (!damaged) {
        if (then == QLatin1String("open")) {
            QCOMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9       ") + other);
            QCOMPARE(c.Picture3->size(), QSize(300, 200));
            return;
        }
        QVERIFY(c.Picture3->picture() == imageOf(loadPicture(path, PictureLoadOptions { .otherReader = QtPictureReader }).image));
        if (then == QLatin1String("convert")) {
            const CliResult cli = runCli(path, shown.form->state(), 0, m_folder.path());
            QVERIFY2(cli.error.isEmpty(), qPrintable(cli.error));
            QVERIFY(bytesOf(shown.form->state().OutputBytes) == cli.output);
        }
        return;
    }
    const QString message = answerer.seen.first().text;
    QVERIFY2(message.startsWith(QStringLiteral("Не удалось открыть файл «%1»: ").arg(path)), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("обрывается")), qPrintable(message));
    // Opening another picture first finishes the damaged one, which gives
    // way to the picture before it; the other picture then opens.
    if (then == QLatin1String("open")) {
        QCOMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9       ") + other);
        return;
    }
    compareWithKept(shown, kept);
}

void PictureTest::troughAndWheelPan_data()
{
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<int>("twipsPerUnit");
    QTest::newRow("twip by twip") << QSize(1289, 1377) << 1;
    QTest::newRow("a pixel a unit") << QSize(5000, 4000) << 15;
}

void PictureTest::troughAndWheelPan()
{
    QFETCH(QSize, pictureSize);
    QFETCH(int, twipsPerUnit);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, write(QStringLiteral("pan.bmp"), flatPicture(pictureSize, qRgb(90, 90, 90))));

    // A click in the trough beyond the thumb moves a page: the viewport's size.
    QScrollBar* bar = c.HScroll1->bar();
    const QRect thumb = horizontalThumbRect(bar);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(thumb.right() + 5, thumb.center().y()));
    QCOMPARE(c.Picture3->leftTwips(), -289 * 15);
    QCOMPARE(c.HScroll1->value(), 289 * 15 / twipsPerUnit);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
        QPoint(horizontalThumbRect(bar).left() - 5, thumb.center().y()));
    QCOMPARE(c.HScroll1->value(), 0);

    // The wheel over the picture pans down, then with Shift to the right;
    // turning it back returns.
    const int lines = QApplication::wheelScrollLines();
    const auto turn = [&](int eighths, Qt::KeyboardModifiers modifiers, QWidget* over = nullptr) {
        const QPointF at(100, 100);
        over = over ? over : c.Picture3;
        QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, eighths), Qt::NoButton, modifiers,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &wheel);
    };
    turn(-120, Qt::NoModifier);
    QCOMPARE(c.Picture3->pos(), QPoint(0, -20 * lines));
    QCOMPARE(c.VScroll1->value(), 20 * lines * 15 / twipsPerUnit);
    turn(-240, Qt::ShiftModifier, c.Picture1);
    QCOMPARE(c.Picture3->pos(), QPoint(-40 * lines, -20 * lines));
    turn(240, Qt::ShiftModifier);
    turn(360, Qt::NoModifier); // stops at the top
    QCOMPARE(c.Picture3->pos(), QPoint(0, 0));
    QCOMPARE(c.HScroll1->value(), 0);
    QCOMPARE(c.VScroll1->value(), 0);
}

namespace {

// Drags data in from another program and lets go over a control: the events
// go to the window, which hands them to the control under the pointer or on
// to its parents. True when the drop was taken.
bool dropOnto(QWidget* control, const QMimeData& data)
{
    QWindow* window = control->window()->windowHandle();
    const QPoint at = control->mapTo(control->window(), control->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

} // namespace

void PictureTest::droppedFileOpens_data()
{
    QTest::addColumn<QStringList>("dropped"); // names in the work folder, or addresses
    QTest::addColumn<int>("offer");           // 0: addresses, 1: the paths as text, 2: both, as file managers do
    QTest::addColumn<QString>("over");
    QTest::addColumn<int>("opened"); // index into dropped, -1 for none
    const QStringList one { "first.bmp" };
    QTest::newRow("over the source picture") << one << 0 << "Picture3" << 0;
    QTest::newRow("over the status box") << one << 2 << "Text1" << 0;
    QTest::newRow("over a size box") << one << 2 << "Combo2" << 0;
    QTest::newRow("over the format box") << one << 2 << "Combo1" << 0;
    QTest::newRow("name with spaces and Cyrillic") << QStringList { "мой рисунок 1.jpg" } << 2 << "Picture2" << 0;
    QTest::newRow("several files: the first") << QStringList { "second.png", "first.bmp" } << 0 << "Picture1" << 0;
    QTest::newRow("a web address is passed over")
        << QStringList { "https://example.org/a.jpg", "second.png" } << 0 << "Command1" << 1;
    QTest::newRow("only a web address") << QStringList { "https://example.org/a.jpg" } << 2 << "Picture3" << -1;
    QTest::newRow("a path as text") << one << 1 << "Picture3" << -1;
    QTest::newRow("not a picture: Open's warning") << QStringList { "notes.jpg" } << 0 << "Picture3" << -1;
    QTest::newRow("while converting: refused") << QStringList { "during-run.bmp" } << 0 << "Picture3" << -1;
}

void PictureTest::droppedFileOpens()
{
    QFETCH(QStringList, dropped);
    QFETCH(int, offer);
    QFETCH(QString, over);
    QFETCH(int, opened);
    QList<QUrl> urls;
    QStringList paths;
    for (const QString& name : dropped) {
        QString path = name;
        if (name == QLatin1String("notes.jpg"))
            QVERIFY(writeFile(path = m_folder.filePath(name), "not a picture"));
        else if (!name.contains(QLatin1String("://")))
            path = write(name, patternPicture(300 + 20 * static_cast<int>(paths.size()), 350));
        paths.append(path);
        urls.append(path == name ? QUrl(name) : QUrl::fromLocalFile(path));
    }
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    openPicture(*shown.form, write(QStringLiteral("before.bmp"), patternPicture(500, 400)));
    clickScrollArrow(c.HScroll1->bar(), QStyle::SC_ScrollBarAddLine, 3);
    const QString titleBefore = shown.form->windowTitle();
    QMimeData data;
    if (offer != 1)
        data.setUrls(urls);
    if (offer != 0)
        data.setText(paths.join(QLatin1Char('\n')));
    QWidget* target = shown.form->findChild<QWidget*>(over);
    ModalAnswerer answerer;
    const bool unreadable = dropped.first() == QLatin1String("notes.jpg");
    if (dropped.first() == QLatin1String("during-run.bmp")) {
        int taken = -1;
        const YieldWatcher watcher([&] {
            if (taken < 0 && shown.form->isConverting() && shown.form->Progress().Value() >= 40)
                taken = dropOnto(target, data);
        });
        QTest::mouseClick(c.Command1, Qt::LeftButton);
        QCOMPARE(taken, 0);
    } else {
        QCOMPARE(dropOnto(target, data), opened >= 0 || unreadable);
    }
    // No text went into a box.
    QCOMPARE(c.Combo1->currentText() + c.Combo2->currentText(), QStringLiteral("RGB 5:6:5320"));
    if (opened < 0) {
        // As after Open: nothing changes, and a file that is no picture is named in a warning.
        QTRY_COMPARE(answerer.seen.size(), unreadable ? 1 : 0);
        QVERIFY(!unreadable || answerer.seen.first().text.contains(QLatin1String("notes.jpg")));
        QCOMPARE(shown.form->windowTitle(), titleBefore);
        QCOMPARE(c.HScroll1->value(), 45);
        return;
    }
    // As Open does: the picture, the title, the panning back at the start.
    QTRY_COMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9       ") + paths[opened]);
    QCOMPARE(c.Picture3->picture().size(), QSize(300 + 20 * opened, 350));
    QCOMPARE(c.HScroll1->value(), 0);
    QCOMPARE(c.Picture3->pos(), QPoint(0, 0));
    QCOMPARE(answerer.seen.size(), 0);
}

QTEST_MAIN(PictureTest)
#include "tst_picture.moc"
