// The capture frame: left-button drags, the ties-to-even origin, the size
// presets and spinners, the scale bar, and text typed into the combo boxes.
#include "windowtestsupport.h"

#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/pictureboxes.h"
#include "window/statusbox.h"

#include <QLineEdit>
#include <QTest>

using namespace rasterkit;
using namespace rasterkit::test;

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dropOffscreenPlatformNotes(); }
    void leftDragMovesFrame_data();
    void leftDragMovesFrame();
    void otherButtonsDoNothing_data();
    void otherButtonsDoNothing();
    void pressWithoutMoveDoesNothing();
    void tiesGoToEven_data();
    void tiesGoToEven();
    void outlineIsDrawnNotSampled();
    void widthSpinner();
    void heightSpinner();
    void presets_data();
    void presets();
    void presetAfterSpinnerResets();
    void scaleBar_data();
    void scaleBar();
    void scaleReplacesReport();
    void scaleFollowsThumbDrag();
    void typedTextInSizeBoxesChangesNothing();
};

namespace {

QString scaleText(int percent)
{
    return QString(15, QLatin1Char(' ')) + QString::number(percent) + QLatin1Char('%');
}

} // namespace

void FrameTest::leftDragMovesFrame_data()
{
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<int>("frameLeft");
    QTest::addColumn<int>("frameTop");
    QTest::addColumn<QRectF>("outline");
    // 320 x 240 at scale 1: the outline runs one pixel outside the samples.
    QTest::newRow("(200, 150)") << QPointF(200, 150) << 40 << 30 << QRectF(QPointF(40, 30), QPointF(361, 271));
    QTest::newRow("origin") << QPointF(0, 0) << -160 << -120 << QRectF(QPointF(-160, -120), QPointF(161, 121));
    QTest::newRow("fractional") << QPointF(100.25, 50.75) << -60 << -69
                                << QRectF(QPointF(-59.75, -69.25), QPointF(261.25, 171.75));
    QTest::newRow("far outside") << QPointF(1000, 900) << 840 << 780 << QRectF(QPointF(840, 780), QPointF(1161, 1021));
}

void FrameTest::leftDragMovesFrame()
{
    QFETCH(QPointF, pointer);
    QFETCH(int, frameLeft);
    QFETCH(int, frameTop);
    QFETCH(QRectF, outline);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    // No picture loaded: the frame is drawn on the empty surface all the same.
    moveMouseWithButtons(c.Picture3, QPointF(10, 10), Qt::LeftButton);
    moveMouseWithButtons(c.Picture3, pointer, Qt::LeftButton);
    const WorkingState& state = shown.form->state();
    QCOMPARE(state.FrameCenterX, static_cast<float>(pointer.x()));
    QCOMPARE(state.FrameCenterY, static_cast<float>(pointer.y()));
    QCOMPARE(state.FrameLeft, frameLeft);
    QCOMPARE(state.FrameTop, frameTop);
    QVERIFY(c.Picture3->isFrameShown());
    QCOMPARE(c.Picture3->frameRect(), outline);
}

void FrameTest::otherButtonsDoNothing_data()
{
    QTest::addColumn<int>("buttons");
    QTest::newRow("no button") << int(Qt::NoButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
    QTest::newRow("left and right") << int(Qt::LeftButton | Qt::RightButton);
    QTest::newRow("left and middle") << int(Qt::LeftButton | Qt::MiddleButton);
}

void FrameTest::otherButtonsDoNothing()
{
    QFETCH(int, buttons);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    moveMouseWithButtons(c.Picture3, QPointF(200, 150), Qt::LeftButton);
    const QRectF outline = c.Picture3->frameRect();
    moveMouseWithButtons(c.Picture3, QPointF(120, 90), Qt::MouseButtons(buttons));
    moveMouseWithButtons(c.Picture3, QPointF(250, 190), Qt::MouseButtons(buttons));
    const WorkingState& state = shown.form->state();
    QCOMPARE(state.FrameCenterX, 200.0f);
    QCOMPARE(state.FrameCenterY, 150.0f);
    QCOMPARE(state.FrameLeft, 40);
    QCOMPARE(state.FrameTop, 30);
    QCOMPARE(c.Picture3->frameRect(), outline);
}

void FrameTest::pressWithoutMoveDoesNothing()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QTest::mousePress(c.Picture3, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseRelease(c.Picture3, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseClick(c.Picture3, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
    QVERIFY(!c.Picture3->isFrameShown());
    QCOMPARE(shown.form->state().FrameLeft, 0);
    QCOMPARE(shown.form->state().FrameTop, 0);
    QCOMPARE(shown.form->state().FrameCenterX, 0.0f);
}

void FrameTest::tiesGoToEven_data()
{
    QTest::addColumn<float>("centreX");
    QTest::addColumn<int>("frameLeft");
    // Width 131 from the spinner: centre - 65.5.
    QTest::newRow("100 -> 34.5 -> 34") << 100.0f << 34;
    QTest::newRow("101 -> 35.5 -> 36") << 101.0f << 36;
    QTest::newRow("102 -> 36.5 -> 36") << 102.0f << 36;
    QTest::newRow("100.25 -> 34.75 -> 35") << 100.25f << 35;
    QTest::newRow("65 -> -0.5 -> 0") << 65.0f << 0;
    QTest::newRow("64 -> -1.5 -> -2") << 64.0f << -2;
}

void FrameTest::tiesGoToEven()
{
    QFETCH(float, centreX);
    QFETCH(int, frameLeft);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QVERIFY(chooseComboEntry(c.Combo2, 1)); // 132
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine); // down: 131
    QCOMPARE(shown.form->state().TargetWidth, 131);
    moveMouseWithButtons(c.Picture3, QPointF(centreX, 120.0), Qt::LeftButton);
    QCOMPARE(shown.form->state().FrameLeft, frameLeft);
    QCOMPARE(shown.form->state().FrameTop, 0); // 120 - 240 / 2
}

void FrameTest::outlineIsDrawnNotSampled()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    const QImage before = c.Picture3->picture();
    QVERIFY(chooseComboEntry(c.Combo2, 0)); // 128 wide
    QVERIFY(chooseComboEntry(c.Combo3, 0)); // 128 high
    moveMouseWithButtons(c.Picture3, QPointF(100, 100), Qt::LeftButton);
    // Outline from (36, 36) to (165, 165): pure red on the screen.
    QCOMPARE(c.Picture3->frameRect(), QRectF(QPointF(36, 36), QPointF(165, 165)));
    const QImage screen = c.Picture3->grab().toImage();
    const QRgb red = qRgb(255, 0, 0);
    QCOMPARE(screen.pixel(36, 100), red);
    QCOMPARE(screen.pixel(165, 100), red);
    QCOMPARE(screen.pixel(100, 36), red);
    QCOMPARE(screen.pixel(100, 165), red);
    QCOMPARE(screen.pixel(37, 100) & 0xFFFFFF, 0xF0F0F0u);
    QCOMPARE(screen.pixel(100, 100) & 0xFFFFFF, 0xF0F0F0u);
    // The picture that conversions sample is untouched.
    QVERIFY(c.Picture3->picture() == before);
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    for (const std::int32_t value : shown.form->state().PixelGrid.values())
        QCOMPARE(value, static_cast<std::int32_t>(0xF0F0F0 & 0xF8FCF8));
}

void FrameTest::widthSpinner()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    // At the top (320) the up arrow changes nothing.
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarSubLine);
    QCOMPARE(c.VScroll2->value(), 320);
    QCOMPARE(shown.form->state().TargetWidth, 320);
    QCOMPARE(c.Combo2->currentText(), QStringLiteral("320"));
    QVERIFY(!c.Picture3->isFrameShown());
    // The down arrow lowers it by one.
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine);
    QCOMPARE(c.VScroll2->value(), 319);
    QCOMPARE(c.Combo2->currentText(), QStringLiteral("319"));
    QCOMPARE(shown.form->state().TargetWidth, 319);
    QCOMPARE(shown.form->state().PixelGrid.width(), 319);
    QCOMPARE(shown.form->state().PixelGrid.height(), 240);
    QVERIFY(c.Picture3->isFrameShown());
    QCOMPARE(shown.form->state().FrameLeft, nearestEven(-159.5)); // centre 0: -160
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine, 2);
    QCOMPARE(shown.form->state().TargetWidth, 317);
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarSubLine);
    QCOMPARE(shown.form->state().TargetWidth, 318);
    QCOMPARE(c.Combo2->currentText(), QStringLiteral("318"));
    // The bottom end is 1.
    c.VScroll2->bar()->setFocus();
    QTest::keyClick(c.VScroll2->bar(), Qt::Key_End);
    QCOMPARE(c.VScroll2->value(), 1);
    QCOMPARE(shown.form->state().TargetWidth, 1);
    QCOMPARE(c.Combo2->currentText(), QStringLiteral("1"));
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine);
    QCOMPARE(shown.form->state().TargetWidth, 1);
    // The height spinner kept its own.
    QCOMPARE(c.VScroll3->value(), 240);
    QCOMPARE(shown.form->state().TargetHeight, 240);
}

void FrameTest::heightSpinner()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    clickScrollArrow(c.VScroll3->bar(), QStyle::SC_ScrollBarSubLine);
    QCOMPARE(shown.form->state().TargetHeight, 240);
    clickScrollArrow(c.VScroll3->bar(), QStyle::SC_ScrollBarAddLine, 3);
    QCOMPARE(c.VScroll3->value(), 237);
    QCOMPARE(c.Combo3->currentText(), QStringLiteral("237"));
    QCOMPARE(shown.form->state().TargetHeight, 237);
    QCOMPARE(shown.form->state().PixelGrid.height(), 237);
    QCOMPARE(shown.form->state().PixelGrid.width(), 320);
    QCOMPARE(shown.form->state().TargetWidth, 320);
}

void FrameTest::presets_data()
{
    QTest::addColumn<bool>("width");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("previewTwips");
    QTest::newRow("width 128") << true << 0 << 128 << 2005;
    QTest::newRow("width 132") << true << 1 << 132 << 2055;
    QTest::newRow("width 176") << true << 2 << 176 << 2725;
    QTest::newRow("width 320") << true << 3 << 320 << 4815;
    QTest::newRow("height 128") << false << 0 << 128 << 2005;
    QTest::newRow("height 132") << false << 1 << 132 << 2055;
    QTest::newRow("height 176") << false << 2 << 176 << 2725;
    QTest::newRow("height 240") << false << 3 << 240 << 3765;
}

void FrameTest::presets()
{
    QFETCH(bool, width);
    QFETCH(int, index);
    QFETCH(int, size);
    QFETCH(int, previewTwips);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    moveMouseWithButtons(c.Picture3, QPointF(200, 150), Qt::LeftButton);
    QTest::mouseClick(c.Command1, Qt::LeftButton); // a report and a preview to be replaced
    QVERIFY(c.Picture2->pixel(1, 1) != 0);

    ClassicComboBox* combo = width ? c.Combo2 : c.Combo3;
    ClassicScrollBar* spinner = width ? c.VScroll2 : c.VScroll3;
    ClassicScrollBar* otherSpinner = width ? c.VScroll3 : c.VScroll2;
    QVERIFY(chooseComboEntry(combo, index));
    const WorkingState& state = shown.form->state();
    QCOMPARE(width ? state.TargetWidth : state.TargetHeight, size);
    QCOMPARE(width ? state.TargetHeight : state.TargetWidth, width ? 240 : 320);
    QCOMPARE(combo->currentText(), QString::number(size));
    QCOMPARE(spinner->min(), size);
    QCOMPARE(spinner->max(), 1);
    QCOMPARE(spinner->value(), size);
    QCOMPARE(otherSpinner->min(), width ? 240 : 320);
    QCOMPARE(otherSpinner->value(), width ? 240 : 320);
    QCOMPARE(width ? c.Picture2->widthTwips() : c.Picture2->heightTwips(), previewTwips);
    QCOMPARE(width ? c.Picture2->heightTwips() : c.Picture2->widthTwips(), width ? 3675 : 4815);
    QCOMPARE(c.Picture2->pixel(1, 1), 0u); // the preview is blank
    QCOMPARE(c.Text1->text(), scaleText(100));
    QCOMPARE(state.SampleStep, 1.0);
    QCOMPARE(state.PixelGrid.width(), state.TargetWidth);
    QCOMPARE(state.PixelGrid.height(), state.TargetHeight);
    for (const std::int32_t value : state.PixelGrid.values())
        QCOMPARE(value, 0);
    // The frame is redrawn around the same centre.
    QVERIFY(c.Picture3->isFrameShown());
    QCOMPARE(state.FrameLeft, nearestEven(200 - state.TargetWidth / 2.0));
    QCOMPARE(state.FrameTop, nearestEven(150 - state.TargetHeight / 2.0));
    QCOMPARE(c.Picture3->frameRect(),
        QRectF(QPointF(200 - state.TargetWidth / 2.0, 150 - state.TargetHeight / 2.0),
            QPointF(201 + state.TargetWidth / 2.0, 151 + state.TargetHeight / 2.0)));
    // The spinner now runs from 1 up to the preset.
    clickScrollArrow(spinner->bar(), QStyle::SC_ScrollBarSubLine);
    QCOMPARE(spinner->value(), size);
    clickScrollArrow(spinner->bar(), QStyle::SC_ScrollBarAddLine);
    QCOMPARE(spinner->value(), size - 1);
    QCOMPARE(width ? state.TargetWidth : state.TargetHeight, size - 1);
}

void FrameTest::presetAfterSpinnerResets()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QVERIFY(chooseComboEntry(c.Combo2, 2)); // 176
    clickScrollArrow(c.VScroll2->bar(), QStyle::SC_ScrollBarAddLine, 5);
    QCOMPARE(shown.form->state().TargetWidth, 171);
    QCOMPARE(c.Combo2->currentText(), QStringLiteral("171"));
    moveMouseWithButtons(c.Picture3, QPointF(90, 90), Qt::LeftButton);
    QCOMPARE(shown.form->state().FrameLeft, 4); // 90 - 85.5 = 4.5 -> 4

    QVERIFY(chooseComboEntry(c.Combo2, 2)); // 176 again
    QCOMPARE(shown.form->state().TargetWidth, 176);
    QCOMPARE(c.Combo2->currentText(), QStringLiteral("176"));
    QCOMPARE(c.VScroll2->value(), 176);
    QCOMPARE(c.VScroll2->min(), 176);
    QCOMPARE(shown.form->state().PixelGrid.width(), 176);
    QCOMPARE(shown.form->state().FrameLeft, 2);
    QCOMPARE(c.Picture3->frameRect().left(), 2.0);

    // A larger preset than the spinner's old top: the spinner follows.
    QVERIFY(chooseComboEntry(c.Combo2, 3)); // 320
    QCOMPARE(c.VScroll2->min(), 320);
    QCOMPARE(c.VScroll2->value(), 320);
    QCOMPARE(shown.form->state().TargetWidth, 320);
}

void FrameTest::scaleBar_data()
{
    QTest::addColumn<int>("clicks"); // on the right arrow
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("step");
    QTest::newRow("1.0") << 0 << 10 << 1.0;
    QTest::newRow("1.1") << 1 << 11 << 1.1;
    QTest::newRow("1.5") << 5 << 15 << 1.5;
    QTest::newRow("2.0") << 10 << 20 << 2.0;
    QTest::newRow("5.0") << 40 << 50 << 5.0;
    QTest::newRow("no further than 5.0") << 45 << 50 << 5.0;
}

void FrameTest::scaleBar()
{
    QFETCH(int, clicks);
    QFETCH(int, value);
    QFETCH(double, step);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QVERIFY(chooseComboEntry(c.Combo2, 0)); // 128 wide
    moveMouseWithButtons(c.Picture3, QPointF(150, 150), Qt::LeftButton);
    if (clicks > 0)
        clickScrollArrow(c.HScroll2->bar(), QStyle::SC_ScrollBarAddLine, clicks);
    QCOMPARE(c.HScroll2->value(), value);
    QCOMPARE(shown.form->state().SampleStep, step);
    QCOMPARE(c.Text1->text(), scaleText(value * 10));
    // The frame spans step x 128 source pixels around its centre.
    const QRectF outline = c.Picture3->frameRect();
    QCOMPARE(outline.left(), static_cast<double>(static_cast<float>(150 - step * 64)));
    QCOMPARE(outline.right(), static_cast<double>(static_cast<float>(150 + step * 64 + 1)));
    QCOMPARE(shown.form->state().FrameLeft, nearestEven(150 - step * 64));
    QCOMPARE(shown.form->state().FrameTop, nearestEven(150 - step * 120));
}

void FrameTest::scaleReplacesReport()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    QVERIFY(c.Text1->text().startsWith(QStringLiteral("Конвертирование завершено.")));
    clickScrollArrow(c.HScroll2->bar(), QStyle::SC_ScrollBarAddLine, 5);
    QCOMPARE(c.Text1->text(), QStringLiteral("               150%"));
    // A scale of 1.5 with a 128-wide frame spans 192 source pixels.
    QVERIFY(chooseComboEntry(c.Combo2, 0));
    moveMouseWithButtons(c.Picture3, QPointF(200, 100), Qt::LeftButton);
    QCOMPARE(shown.form->state().FrameLeft, 104);
    QCOMPARE(c.Picture3->frameRect(), QRectF(QPointF(104, -80), QPointF(297, 281)));
    // Back down with the left arrow.
    clickScrollArrow(c.HScroll2->bar(), QStyle::SC_ScrollBarSubLine, 2);
    QCOMPARE(c.Text1->text(), QStringLiteral("               130%"));
    QCOMPARE(shown.form->state().SampleStep, 1.3);
}

void FrameTest::scaleFollowsThumbDrag()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    moveMouseWithButtons(c.Picture3, QPointF(150, 150), Qt::LeftButton);
    QScrollBar* bar = c.HScroll2->bar();
    const QRect thumb = horizontalThumbRect(bar);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb.center());
    QStringList texts;
    for (int offset = 15; offset <= 45; offset += 15) {
        QTest::mouseMove(bar, thumb.center() + QPoint(offset, 0));
        // While the thumb moves, the scale, its text and the frame follow.
        const int value = c.HScroll2->value();
        texts.append(c.Text1->text());
        QCOMPARE(c.Text1->text(), scaleText(value * 10));
        QCOMPARE(shown.form->state().SampleStep, value / 10.0);
        QCOMPARE(shown.form->state().FrameLeft, nearestEven(150 - value / 10.0 * 160));
    }
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, thumb.center() + QPoint(45, 0));
    QCOMPARE(texts.removeDuplicates(), 0);
    QVERIFY(c.HScroll2->value() > 10);
    QCOMPARE(c.Text1->text(), scaleText(c.HScroll2->value() * 10));
}

void FrameTest::typedTextInSizeBoxesChangesNothing()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    for (ClassicComboBox* combo : { c.Combo2, c.Combo3 }) {
        combo->lineEdit()->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("128"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        c.Command1->setFocus(); // leaving the box ends the edit
        QCOMPARE(combo->currentText(), QStringLiteral("128"));
    }
    QCOMPARE(shown.form->state().TargetWidth, 320);
    QCOMPARE(shown.form->state().TargetHeight, 240);
    QCOMPARE(c.VScroll2->min(), 320);
    QCOMPARE(c.VScroll3->min(), 240);
    QVERIFY(!c.Picture3->isFrameShown());
    QCOMPARE(c.Text1->text(), QString());
}

QTEST_MAIN(FrameTest)
#include "tst_frame.moc"
