#include "platform/progressbar.h"

#include <QApplication>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <limits>
#include <memory>

using rasterkit::ProgressBar;

namespace {

// Counts the bar's paint events and notes the position each one showed.
class PaintRecorder : public QObject {
public:
    int paints = 0;
    int lastPaintedValue = std::numeric_limits<int>::min();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            lastPaintedValue = static_cast<QProgressBar*>(watched)->value();
        }
        return false;
    }
};

// The main window's client area at design size.
std::unique_ptr<QWidget> makeWindow()
{
    auto window = std::make_unique<QWidget>();
    window->resize(651, 408);
    return window;
}

// The main window's start-up call.
void createAtStartUp(ProgressBar& bar, QWidget* window)
{
    bar.Create(window, 382, 9, 20, 320, 0, 100, 1);
    bar.setValue(0);
}

// Shows the window and, once it is on screen, starts recording the bar's
// paints. False when the window never showed.
[[nodiscard]] bool showAndRecordPaints(QWidget& window, ProgressBar& bar, PaintRecorder& recorder)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    bar.widget()->installEventFilter(&recorder);
    return true;
}

// Compares the bar's stored range and position.
void compareRangeAndValue(const ProgressBar& bar, int minimum, int maximum, int value)
{
    QCOMPARE(bar.Min(), minimum);
    QCOMPARE(bar.Max(), maximum);
    QCOMPARE(bar.Value(), value);
}

} // namespace

class ProgressBarTest : public QObject {
    Q_OBJECT

private slots:
    void startUpCreate();
    void fillsAndEmpties();
    void setValueClampsIntoRange_data();
    void setValueClampsIntoRange();
    void setMaxKeepsStoredMinimum_data();
    void setMaxKeepsStoredMinimum();
    void setMinKeepsStoredMaximum_data();
    void setMinKeepsStoredMaximum();
    void packRange_data();
    void packRange();
    void narrowsRangeTo16Bits_data();
    void narrowsRangeTo16Bits();
    void stepIt_data();
    void stepIt();
    void stepItRunsRoundTheRange();
    void stepFollowsSetStep();
    void harmlessWithoutCreate();
    void createWithoutParentMakesNoBar();
    void secondCreateMakesSecondBarAndForgetsFirst();
    void destructionDeletesTheBar();
    void parentDeletedFirst();
    void rapidPositionsRedrawCoalescedButShowTheLast();
    void conversionRunShowsEveryStage();
    void redrawsAfterParentHeldUpdatesBack();

private:
    // The tables of setMax and setMin: one end set first, a position, the
    // other end set last, and the stored range and position expected after.
    static void addSetterColumns();
    static void setOneEndAfterTheOther(void (ProgressBar::*setFirstEnd)(int), void (ProgressBar::*setLastEnd)(int));
};

void ProgressBarTest::startUpCreate()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    compareRangeAndValue(bar, 0, 100, 0);
    QCOMPARE(bar.Step(), 1);

    QProgressBar* widget = bar.widget();
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), window.get());
    QCOMPARE(widget->geometry(), QRect(9, 382, 320, 20));
    QVERIFY(widget->isVisible());
    QVERIFY(!widget->isTextVisible());
    QCOMPARE(widget->orientation(), Qt::Horizontal);
    QCOMPARE(widget->value(), 0);
    QCOMPARE(widget->minimum(), 0);
    QCOMPARE(widget->maximum(), 100);

    // The bar does not follow the window when it is resized.
    window->resize(900, 700);
    QCOMPARE(widget->geometry(), QRect(9, 382, 320, 20));
}

void ProgressBarTest::fillsAndEmpties()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    PaintRecorder recorder;
    QVERIFY(showAndRecordPaints(*window, bar, recorder));

    bar.setValue(100);
    QCOMPARE(bar.Value(), 100);
    QCOMPARE(bar.widget()->value(), bar.widget()->maximum());
    QTRY_COMPARE(recorder.lastPaintedValue, 100);

    bar.setValue(0);
    QCOMPARE(bar.Value(), 0);
    QCOMPARE(bar.widget()->value(), bar.widget()->minimum());
    QTRY_COMPARE(recorder.lastPaintedValue, 0);
}

void ProgressBarTest::setValueClampsIntoRange_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("inside") << 0 << 100 << 37 << 37;
    QTest::newRow("at the maximum") << 0 << 100 << 100 << 100;
    QTest::newRow("above the maximum") << 0 << 100 << 150 << 100;
    QTest::newRow("below the minimum") << 0 << 100 << -5 << 0;
    QTest::newRow("far above") << 0 << 100 << std::numeric_limits<int>::max() << 100;
    QTest::newRow("far below") << 0 << 100 << std::numeric_limits<int>::min() << 0;
    QTest::newRow("negative range") << -50 << -10 << 0 << -10;
    QTest::newRow("negative inside") << -50 << -10 << -20 << -20;
}

void ProgressBarTest::setValueClampsIntoRange()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(int, expected);

    auto window = makeWindow();
    ProgressBar bar;
    bar.Create(window.get(), 0, 0, 20, 100, minimum, maximum, 1);
    bar.setValue(value);
    QCOMPARE(bar.Value(), expected);
    QCOMPARE(bar.widget()->value(), expected);
}

void ProgressBarTest::setMaxKeepsStoredMinimum_data()
{
    addSetterColumns(); // the first end is the minimum, the last the maximum

    QTest::newRow("max 50") << 0 << 0 << 50 << 0 << 50 << 0;
    QTest::newRow("position kept") << 0 << 30 << 50 << 0 << 50 << 30;
    QTest::newRow("position pulled in") << 0 << 80 << 50 << 0 << 50 << 50;
    QTest::newRow("negative minimum kept") << -20 << 10 << 50 << -20 << 50 << 10;
    QTest::newRow("raised maximum") << 10 << 100 << 1000 << 10 << 1000 << 100;
    QTest::newRow("maximum below minimum") << 30 << 40 << 10 << 30 << 30 << 30;
}

void ProgressBarTest::setMaxKeepsStoredMinimum()
{
    setOneEndAfterTheOther(&ProgressBar::setMin, &ProgressBar::setMax);
}

void ProgressBarTest::setMinKeepsStoredMaximum_data()
{
    addSetterColumns(); // the first end is the maximum, the last the minimum

    QTest::newRow("min 10") << 100 << 50 << 10 << 10 << 100 << 50;
    QTest::newRow("position pulled up") << 100 << 5 << 10 << 10 << 100 << 10;
    QTest::newRow("negative minimum") << 60 << 0 << -10 << -10 << 60 << 0;
    QTest::newRow("lowered maximum kept") << 60 << 60 << 20 << 20 << 60 << 60;
}

void ProgressBarTest::setMinKeepsStoredMaximum()
{
    setOneEndAfterTheOther(&ProgressBar::setMax, &ProgressBar::setMin);
}

void ProgressBarTest::addSetterColumns()
{
    QTest::addColumn<int>("firstEnd"); // given through its setter after the start-up Create
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("lastEnd");
    QTest::addColumn<int>("expectedMinimum");
    QTest::addColumn<int>("expectedMaximum");
    QTest::addColumn<int>("expectedPosition");
}

void ProgressBarTest::setOneEndAfterTheOther(void (ProgressBar::*setFirstEnd)(int), void (ProgressBar::*setLastEnd)(int))
{
    QFETCH(int, firstEnd);
    QFETCH(int, position);
    QFETCH(int, lastEnd);
    QFETCH(int, expectedMinimum);
    QFETCH(int, expectedMaximum);
    QFETCH(int, expectedPosition);

    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    (bar.*setFirstEnd)(firstEnd);
    bar.setValue(position);
    (bar.*setLastEnd)(lastEnd);
    compareRangeAndValue(bar, expectedMinimum, expectedMaximum, expectedPosition);
    QCOMPARE(bar.Step(), 1);
}

void ProgressBarTest::packRange_data()
{
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("0..100") << 0 << 100 << 0x00640000u;
    QTest::newRow("-1..100") << -1 << 100 << 0x0064FFFFu;
    QTest::newRow("0..0") << 0 << 0 << 0x00000000u;
    QTest::newRow("100..0") << 100 << 0 << 0x00000064u;
    QTest::newRow("-32768..32767") << -32768 << 32767 << 0x7FFF8000u;
    QTest::newRow("0..-1") << 0 << -1 << 0xFFFF0000u;
    QTest::newRow("-1..-1") << -1 << -1 << 0xFFFFFFFFu;
    QTest::newRow("-32768..-32768") << -32768 << -32768 << 0x80008000u;
    QTest::newRow("0x1234..0x7654") << 0x1234 << 0x7654 << 0x76541234u;
}

void ProgressBarTest::packRange()
{
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(quint32, expected);
    const qint32 packed = ProgressBar::PackRange(static_cast<qint16>(low), static_cast<qint16>(high));
    QCOMPARE(static_cast<quint32>(packed), expected);
}

void ProgressBarTest::narrowsRangeTo16Bits_data()
{
    QTest::addColumn<int>("minPos");
    QTest::addColumn<int>("maxPos");
    QTest::addColumn<int>("expectedMinimum");
    QTest::addColumn<int>("expectedMaximum");

    QTest::newRow("16-bit ends") << -32768 << 32767 << -32768 << 32767;
    QTest::newRow("one past each end") << -32769 << 32768 << -32768 << 32767;
    QTest::newRow("far beyond") << -1000000 << 1000000 << -32768 << 32767;
    QTest::newRow("int ends") << std::numeric_limits<int>::min() << std::numeric_limits<int>::max() << -32768
                              << 32767;
    QTest::newRow("65536 is not 0") << 0 << 65536 << 0 << 32767;
    QTest::newRow("65535 is not -1") << -65535 << 100 << -32768 << 100;
}

void ProgressBarTest::narrowsRangeTo16Bits()
{
    QFETCH(int, minPos);
    QFETCH(int, maxPos);
    QFETCH(int, expectedMinimum);
    QFETCH(int, expectedMaximum);

    auto window = makeWindow();
    {
        ProgressBar bar;
        bar.Create(window.get(), 382, 9, 20, 320, minPos, maxPos, 1);
        QCOMPARE(bar.Min(), expectedMinimum);
        QCOMPARE(bar.Max(), expectedMaximum);
    }
    {
        // The same through the setters, each keeping the other stored end.
        ProgressBar bar;
        createAtStartUp(bar, window.get());
        bar.setMax(maxPos);
        QCOMPARE(bar.Min(), 0);
        QCOMPARE(bar.Max(), std::max(expectedMaximum, 0));
        bar.setMin(minPos);
        QCOMPARE(bar.Min(), expectedMinimum);
        QCOMPARE(bar.Max(), std::max(expectedMaximum, expectedMinimum));
    }
}

void ProgressBarTest::stepIt_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expected");

    QTest::newRow("one step") << 0 << 100 << 1 << 0 << 1;
    QTest::newRow("onto the maximum") << 0 << 100 << 1 << 99 << 100;
    QTest::newRow("past the maximum") << 0 << 100 << 1 << 100 << 1;
    QTest::newRow("overshoot kept") << 0 << 100 << 10 << 95 << 5;
    QTest::newRow("from the maximum by 10") << 0 << 100 << 10 << 100 << 10;
    QTest::newRow("offset range") << 3 << 15 << 5 << 13 << 6;
    QTest::newRow("step larger than the range") << 3 << 15 << 50 << 3 << 5;
    QTest::newRow("negative step inside") << 3 << 15 << -5 << 10 << 5;
    QTest::newRow("negative step below the minimum") << 3 << 15 << -5 << 3 << 10;
    QTest::newRow("negative step from 0") << 0 << 100 << -1 << 0 << 99;
    QTest::newRow("negative step by the span") << 0 << 100 << -100 << 0 << 100;
    QTest::newRow("range across 0") << -15 << 15 << 5 << 15 << -10;
    QTest::newRow("zero step") << 0 << 100 << 0 << 40 << 40;
    QTest::newRow("range of one value") << 5 << 5 << 1 << 5 << 5;
    QTest::newRow("huge step") << 0 << 100 << std::numeric_limits<int>::max() << 100 << 47;
    QTest::newRow("huge negative step") << 0 << 100 << std::numeric_limits<int>::min() << 0 << 52;
}

void ProgressBarTest::stepIt()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, step);
    QFETCH(int, position);
    QFETCH(int, expected);

    auto window = makeWindow();
    ProgressBar bar;
    bar.Create(window.get(), 382, 9, 20, 320, minimum, maximum, step);
    bar.setValue(position);
    QCOMPARE(bar.Value(), position);
    bar.StepIt();
    QCOMPARE(bar.Value(), expected);
    QCOMPARE(bar.widget()->value(), expected);
}

void ProgressBarTest::stepItRunsRoundTheRange()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    for (int expected = 1; expected <= 100; ++expected) {
        bar.StepIt();
        QCOMPARE(bar.Value(), expected);
    }
    bar.StepIt();
    QCOMPARE(bar.Value(), 1);
}

void ProgressBarTest::stepFollowsSetStep()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    bar.setStep(25);
    QCOMPARE(bar.Step(), 25);
    bar.StepIt();
    bar.StepIt();
    QCOMPARE(bar.Value(), 50);
    bar.setStep(-7);
    QCOMPARE(bar.Step(), -7);
    bar.StepIt();
    QCOMPARE(bar.Value(), 43);
}

void ProgressBarTest::harmlessWithoutCreate()
{
    ProgressBar bar;
    QCOMPARE(bar.widget(), nullptr);
    compareRangeAndValue(bar, 0, 0, 0);
    QCOMPARE(bar.Step(), 0);

    bar.setValue(50);
    bar.setMax(200);
    bar.setMin(-5);
    bar.StepIt();
    bar.setStep(3);

    compareRangeAndValue(bar, 0, 0, 0);
    QCOMPARE(bar.Step(), 3); // the step is answered from the stored value
    QCOMPARE(bar.widget(), nullptr);
}

void ProgressBarTest::createWithoutParentMakesNoBar()
{
    ProgressBar bar;
    bar.Create(nullptr, 382, 9, 20, 320, 0, 100, 4);
    QCOMPARE(bar.widget(), nullptr);
    compareRangeAndValue(bar, 0, 0, 0);
    QCOMPARE(bar.Step(), 4);
    bar.setValue(10);
    bar.StepIt();
    QCOMPARE(bar.Value(), 0);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void ProgressBarTest::secondCreateMakesSecondBarAndForgetsFirst()
{
    auto window = makeWindow();
    auto bar = std::make_unique<ProgressBar>();
    createAtStartUp(*bar, window.get());
    bar->setValue(70);
    QPointer<QProgressBar> first = bar->widget();

    bar->Create(window.get(), 10, 20, 15, 200, 0, 50, 5);
    QPointer<QProgressBar> second = bar->widget();
    QVERIFY(second);
    QVERIFY(second != first);
    QCOMPARE(second->geometry(), QRect(20, 10, 200, 15));
    QCOMPARE(bar->Max(), 50);
    QCOMPARE(bar->Step(), 5);
    QCOMPARE(bar->Value(), 0);

    // Operations go to the second bar only; the first stays as it was, a
    // child of its window.
    bar->setValue(40);
    bar->setMax(60);
    QCOMPARE(second->value(), 40);
    QCOMPARE(second->maximum(), 60);
    QVERIFY(first);
    QCOMPARE(first->parentWidget(), window.get());
    QCOMPARE(first->value(), 70);
    QCOMPARE(first->maximum(), 100);

    // The object deletes the bar it knows; the window deletes the other.
    bar.reset();
    QVERIFY(!second);
    QVERIFY(first);
    window.reset();
    QVERIFY(!first);
}

void ProgressBarTest::destructionDeletesTheBar()
{
    auto window = makeWindow();
    QPointer<QProgressBar> widget;
    {
        ProgressBar bar;
        createAtStartUp(bar, window.get());
        widget = bar.widget();
        QVERIFY(widget);
        QCOMPARE(window->findChildren<QProgressBar*>().size(), 1);
    }
    QVERIFY(!widget);
    QVERIFY(window->findChildren<QProgressBar*>().isEmpty());
}

void ProgressBarTest::parentDeletedFirst()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // Leave a redraw pending, then take the window away with the bar.
    for (int value = 1; value <= 20; ++value)
        bar.setValue(value);
    window.reset();
    QCOMPARE(bar.widget(), nullptr);
    QCOMPARE(bar.Value(), 0);
    QCOMPARE(bar.Max(), 0);
    bar.setValue(5);
    bar.StepIt();
    QCOMPARE(bar.Value(), 0);
    QTest::qWait(40); // a pending redraw timer must not touch the deleted bar
}

void ProgressBarTest::rapidPositionsRedrawCoalescedButShowTheLast()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    PaintRecorder recorder;
    QVERIFY(showAndRecordPaints(*window, bar, recorder));
    QSignalSpy changes(bar.widget(), &QProgressBar::valueChanged);

    // New positions far faster than the screen refreshes, each far enough
    // from the last to show on the bar.
    for (int step = 1; step <= 1000; ++step) {
        const int value = step % 2 ? 100 : 0;
        bar.setValue(value);
        QCOMPARE(bar.Value(), value);
        QCOMPARE(bar.widget()->value(), value);
    }
    bar.setValue(57);
    QCOMPARE(bar.Value(), 57);
    QCOMPARE(changes.size(), 1001);
    // Redraws wait for the screen, so far fewer than one per position.
    QVERIFY2(recorder.paints < 500, qPrintable(QStringLiteral("%1 paints").arg(recorder.paints)));
    // And the bar ends up showing the last position.
    QTRY_COMPARE(recorder.lastPaintedValue, 57);
    QVERIFY(bar.widget()->updatesEnabled());
}

void ProgressBarTest::conversionRunShowsEveryStage()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    PaintRecorder recorder;
    QVERIFY(showAndRecordPaints(*window, bar, recorder));

    // As the conversion does: the percentage of rows done after each of
    // 240 rows, then back to 0 for the next run.
    constexpr int rows = 240;
    for (int row = 1; row <= rows; ++row) {
        const int percent = row * 100 / rows;
        bar.setValue(percent);
        QCOMPARE(bar.Value(), percent);
    }
    QTRY_COMPARE(recorder.lastPaintedValue, 100);
    bar.setValue(0);
    QCOMPARE(bar.Value(), 0);
    QTRY_COMPARE(recorder.lastPaintedValue, 0);
}

void ProgressBarTest::redrawsAfterParentHeldUpdatesBack()
{
    auto window = makeWindow();
    ProgressBar bar;
    createAtStartUp(bar, window.get());
    PaintRecorder recorder;
    QVERIFY(showAndRecordPaints(*window, bar, recorder));

    window->setUpdatesEnabled(false);
    bar.setValue(30);
    bar.setValue(60);
    QCOMPARE(bar.Value(), 60);
    window->setUpdatesEnabled(true);
    QTRY_COMPARE(recorder.lastPaintedValue, 60);
}

QTEST_MAIN(ProgressBarTest)
#include "tst_progressbar.moc"
