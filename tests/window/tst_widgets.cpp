// The window's own small widgets: the classic scroll bar, the status box and
// the combo box that tells list choices from typed text.
#include "windowtestsupport.h"

#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/pictureboxes.h"
#include "window/statusbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

using namespace rasterkit;
using namespace rasterkit::test;

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dropOffscreenPlatformNotes(); }
    void scrollBarArrows_data();
    void scrollBarArrows();
    void scrollBarRangeChangeClampsOnly_data();
    void scrollBarRangeChangeClampsOnly();
    void scrollBarSetValueClampsAndReports();
    void scrollBarThumbDrag();
    void statusBoxKeepsExactText_data();
    void statusBoxKeepsExactText();
    void statusBoxReadsTypedText();
    void comboListChoiceAndTypedText();
    void previewBoxClearsOnResize();
};

void WidgetsTest::scrollBarArrows_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("afterUp");   // sub-line arrow (up or left)
    QTest::addColumn<int>("afterDown"); // add-line arrow (down or right), from start
    QTest::newRow("spinner at its top") << 320 << 1 << 320 << 320 << 319;
    QTest::newRow("spinner at its bottom") << 320 << 1 << 1 << 2 << 1;
    QTest::newRow("spinner in the middle") << 240 << 1 << 100 << 101 << 99;
    QTest::newRow("ordinary bar") << 0 << 100 << 50 << 49 << 51;
    QTest::newRow("negative max") << 0 << -300 << 0 << 0 << -1;
    QTest::newRow("negative max, inside") << 0 << -300 << -150 << -149 << -151;
    QTest::newRow("max 0") << 0 << 0 << 0 << 0 << 0;
    QTest::newRow("16-bit ends") << -32768 << 32767 << 32767 << 32766 << 32767;
}

void WidgetsTest::scrollBarArrows()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, start);
    QFETCH(int, afterUp);
    QFETCH(int, afterDown);
    for (const Qt::Orientation orientation : { Qt::Vertical, Qt::Horizontal }) {
        QWidget window;
        auto* bar = new ClassicScrollBar(orientation, &window);
        bar->setGeometry(0, 0, orientation == Qt::Vertical ? 17 : 120, orientation == Qt::Vertical ? 120 : 17);
        bar->setMin(min);
        bar->setMax(max);
        bar->setValue(start);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(bar->value(), start);
        QSignalSpy changes(bar, &ClassicScrollBar::valueChanged);
        clickScrollArrow(bar->bar(), QStyle::SC_ScrollBarSubLine);
        QCOMPARE(bar->value(), afterUp);
        bar->setValue(start);
        clickScrollArrow(bar->bar(), QStyle::SC_ScrollBarAddLine);
        QCOMPARE(bar->value(), afterDown);
        // Every change was reported once, with the new value.
        QList<int> expected;
        int last = start;
        for (int value : { afterUp, start, afterDown }) {
            if (value != last)
                expected.append(value);
            last = value;
        }
        QList<int> reported;
        for (const QList<QVariant>& arguments : changes)
            reported.append(arguments.at(0).toInt());
        QCOMPARE(reported, expected);
        // Min is the top (or left) end.
        QCOMPARE(bar->bar()->value() == bar->bar()->minimum(), bar->value() == min);
    }
}

void WidgetsTest::scrollBarRangeChangeClampsOnly_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("changeMin");
    QTest::addColumn<int>("newEnd");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("reported");
    QTest::newRow("spinner top lowered below the value") << 320 << 1 << 320 << true << 176 << 176 << true;
    QTest::newRow("spinner top raised") << 176 << 1 << 100 << true << 320 << 100 << false;
    QTest::newRow("max shrinks past the value") << 0 << 500 << 400 << false << 300 << 300 << true;
    QTest::newRow("max grows") << 0 << 500 << 400 << false << 900 << 400 << false;
    QTest::newRow("max turns negative") << 0 << 500 << 400 << false << -200 << 0 << true;
    QTest::newRow("negative max shrinks past the value") << 0 << -500 << -400 << false << -100 << -100 << true;
    QTest::newRow("negative max turns positive") << 0 << -500 << -400 << false << 200 << 0 << true;
    QTest::newRow("narrowed to 16 bits") << 0 << 10 << 5 << false << 100000 << 5 << false;
}

void WidgetsTest::scrollBarRangeChangeClampsOnly()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(bool, changeMin);
    QFETCH(int, newEnd);
    QFETCH(int, expected);
    QFETCH(bool, reported);
    ClassicScrollBar bar(Qt::Vertical);
    bar.setMin(min);
    bar.setMax(max);
    bar.setValue(value);
    QSignalSpy changes(&bar, &ClassicScrollBar::valueChanged);
    if (changeMin)
        bar.setMin(newEnd);
    else
        bar.setMax(newEnd);
    QCOMPARE(bar.value(), expected);
    QCOMPARE(changes.size(), reported ? 1 : 0);
    if (reported)
        QCOMPARE(changes.first().at(0).toInt(), expected);
    QCOMPARE(changeMin ? bar.min() : bar.max(), std::clamp(newEnd, -32768, 32767));
    // The inner bar agrees: its top end is Min.
    const bool inverted = bar.min() > bar.max();
    QCOMPARE(bar.bar()->value(), inverted ? -expected : expected);
    QCOMPARE(bar.bar()->minimum(), inverted ? -bar.min() : bar.min());
    QCOMPARE(bar.bar()->maximum(), inverted ? -bar.max() : bar.max());
}

void WidgetsTest::scrollBarSetValueClampsAndReports()
{
    ClassicScrollBar bar(Qt::Horizontal);
    bar.setMin(10);
    bar.setMax(50);
    QSignalSpy changes(&bar, &ClassicScrollBar::valueChanged);
    QSignalSpy drags(&bar, &ClassicScrollBar::thumbDragged);
    QCOMPARE(bar.value(), 10);
    bar.setValue(25);
    bar.setValue(25); // no change, no report
    bar.setValue(99);
    bar.setValue(-5);
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.at(0).at(0).toInt(), 25);
    QCOMPARE(changes.at(1).at(0).toInt(), 50);
    QCOMPARE(changes.at(2).at(0).toInt(), 10);
    QCOMPARE(drags.size(), 0);
}

void WidgetsTest::scrollBarThumbDrag()
{
    QWidget window;
    auto* bar = new ClassicScrollBar(Qt::Horizontal, &window);
    bar->setGeometry(0, 0, 200, 17);
    bar->setMin(10);
    bar->setMax(50);
    auto* spinner = new ClassicScrollBar(Qt::Vertical, &window);
    spinner->setGeometry(210, 0, 17, 200);
    spinner->setMin(320);
    spinner->setMax(1);
    spinner->setValue(320);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy changes(bar, &ClassicScrollBar::valueChanged);
    QSignalSpy drags(bar, &ClassicScrollBar::thumbDragged);
    QScrollBar* inner = bar->bar();
    const QRect thumb = horizontalThumbRect(inner);
    QTest::mousePress(inner, Qt::LeftButton, Qt::NoModifier, thumb.center());
    QTest::mouseMove(inner, thumb.center() + QPoint(40, 0));
    QTest::mouseMove(inner, thumb.center() + QPoint(80, 0));
    // While the thumb moves, the value follows and each step is reported as a drag.
    QCOMPARE(drags.size(), 2);
    QVERIFY(drags.at(0).at(0).toInt() > 10);
    QVERIFY(drags.at(1).at(0).toInt() > drags.at(0).at(0).toInt());
    QCOMPARE(bar->value(), drags.at(1).at(0).toInt());
    QCOMPARE(changes.size(), 0);
    QTest::mouseRelease(inner, Qt::LeftButton, Qt::NoModifier, thumb.center() + QPoint(80, 0));
    QCOMPARE(bar->value(), drags.at(1).at(0).toInt());
    // Letting go reports the new value once as a change, which is all the
    // spinners listen to.
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes.first().at(0).toInt(), bar->value());

    // A spinner's thumb dragged down from its top (Min) the same way.
    QSignalSpy spinnerChanges(spinner, &ClassicScrollBar::valueChanged);
    const QPoint top = thumbRect(spinner->bar()).center();
    QTest::mousePress(spinner->bar(), Qt::LeftButton, Qt::NoModifier, top);
    QTest::mouseMove(spinner->bar(), top + QPoint(0, 60));
    QTest::mouseRelease(spinner->bar(), Qt::LeftButton, Qt::NoModifier, top + QPoint(0, 60));
    QVERIFY(spinner->value() < 320);
    QCOMPARE(spinnerChanges.size(), 1);
    QCOMPARE(spinnerChanges.first().at(0).toInt(), spinner->value());
}

void WidgetsTest::statusBoxKeepsExactText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList { "" };
    QTest::newRow("one line") << QStringLiteral("Конвертирование...") << QStringList { "Конвертирование..." };
    QTest::newRow("CR LF") << QStringLiteral("Конвертирование завершено.\r\nРазмер файла : 153600")
                           << QStringList { "Конвертирование завершено.", "Размер файла : 153600" };
    QTest::newRow("trailing CR LF") << QStringLiteral("a\r\nb\r\n") << QStringList { "a", "b", "" };
    QTest::newRow("leading spaces") << QStringLiteral("               150%") << QStringList { "               150%" };
}

void WidgetsTest::statusBoxKeepsExactText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    StatusBox box;
    box.setText(text);
    QCOMPARE(box.text(), text);
    QStringList shown;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next())
        shown.append(block.text());
    QCOMPARE(shown, lines);
}

void WidgetsTest::statusBoxReadsTypedText()
{
    StatusBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setText(QStringLiteral("one\r\ntwo"));
    box.setFocus();
    box.moveCursor(QTextCursor::End);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("three"));
    QCOMPARE(box.text(), QStringLiteral("one\r\ntwo\r\nthree"));
    box.setText(QStringLiteral("again"));
    QCOMPARE(box.text(), QStringLiteral("again"));
}

void WidgetsTest::comboListChoiceAndTypedText()
{
    QWidget window;
    auto* combo = new ClassicComboBox(&window);
    combo->addItems({ "RGB 5:6:5", "RGB 5:6:5x8", "Y 5x3" });
    combo->setGeometry(0, 0, 140, 24);
    auto* other = new QLineEdit(&window);
    other->setGeometry(0, 40, 100, 24);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy chosen(combo, &ClassicComboBox::listChosen);

    QVERIFY(chooseComboEntry(combo, 2));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 2);
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("Y 5x3"));

    // Typing leaves no selected entry, even when the text is an entry's, and
    // leaving the box does not choose it.
    combo->lineEdit()->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("RGB 5:6:5x8"));
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->currentText(), QStringLiteral("RGB 5:6:5x8"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    other->setFocus();
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->currentText(), QStringLiteral("RGB 5:6:5x8"));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(combo->count(), 3); // nothing inserted

    // A choice from the list afterwards counts again.
    QVERIFY(chooseComboEntry(combo, 0));
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen.at(1).at(0).toInt(), 0);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("RGB 5:6:5"));
    // Choosing the entry that is already selected is a choice too.
    QVERIFY(chooseComboEntry(combo, 0));
    QCOMPARE(chosen.size(), 3);
}

void WidgetsTest::previewBoxClearsOnResize()
{
    PreviewBox box;
    box.setSizeTwips(4815, 3675);
    QCOMPARE(box.image().size(), QSize(321, 245));
    box.setPixel(1, 1, 0x0000FF);
    box.setPixel(320, 244, 0xFF0000);
    box.setPixel(321, 10, 0x00FF00); // outside: dropped
    QCOMPARE(box.pixel(1, 1), qRgb(255, 0, 0));
    QCOMPARE(box.pixel(320, 244), qRgb(0, 0, 255));
    QCOMPARE(box.pixel(0, 0), 0u);
    const int width = box.widthTwips();
    box.setWidthTwips(0);
    box.setWidthTwips(width);
    QCOMPARE(box.widthTwips(), 4815);
    QCOMPARE(box.pixel(1, 1), 0u);
    QCOMPARE(box.pixel(320, 244), 0u);
}

QTEST_MAIN(WidgetsTest)
#include "tst_widgets.moc"
