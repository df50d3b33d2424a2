// The window driven from the keyboard alone: the tab order round all the
// stops, the focus each stop shows, the keys of the scroll bars, the menu
// and its shortcuts, and Qt's dialogs in Russian whatever the locale (this
// test runs under LANG=C.UTF-8).
#include "windowtestsupport.h"

#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/pictureboxes.h"
#include "window/statusbox.h"
#include "window/translations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScopeGuard>
#include <QTest>
#include <QTranslator>

using namespace rasterkit;
using namespace rasterkit::test;

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dropOffscreenPlatformNotes(); }
    void tabGoesRoundTheOrder_data();
    void tabGoesRoundTheOrder();
    void focusIsVisible_data();
    void focusIsVisible();
    void scrollBarKeysMoveAsClicks_data();
    void scrollBarKeysMoveAsClicks();
    void menuAndShortcuts_data();
    void menuAndShortcuts();
    void qtDialogsSpeakRussian_data();
    void qtDialogsSpeakRussian();
};

namespace {

const QStringList TabOrder { "Command1", "Combo1", "Text1", "HScroll1", "VScroll1", "Combo2", "Picture2", "HScroll2",
    "Picture1", "Picture3", "VScroll2", "Combo3", "VScroll3" };

// The stop that holds the focus: the focus widget or the control it is part of.
QString focusedStop()
{
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr; widget = widget->parentWidget()) {
        if (TabOrder.contains(widget->objectName()))
            return widget->objectName();
    }
    return QStringLiteral("(none)");
}

// A window shown, active, with the focus on a stop (by a Tab, as it were).
struct FocusedForm : ShownForm {
    explicit FocusedForm(const QString& stop = QStringLiteral("Command1"))
    {
        form->activateWindow();
        active = exposed && QTest::qWaitForWindowActive(form.get());
        c().client->findChild<QWidget*>(stop)->setFocus(Qt::TabFocusReason);
    }
    bool active = false;
};

// Presses a key as the user would: into the open menu if there is one, else
// into the focused widget.
void press(ShownForm& shown, QKeyCombination key)
{
    QWidget* target = QApplication::activePopupWidget();
    if (target == nullptr)
        target = QApplication::focusWidget();
    if (target == nullptr)
        target = shown.form.get();
    QTest::keyClick(target, key.key(), key.keyboardModifiers());
}

// Everything the scroll bars' handlers set.
QString handledState(const ShownForm& shown)
{
    const WorkingState& state = shown.form->state();
    const Form1Controls& c = shown.c();
    return QStringLiteral("%1 x %2, step %3, boxes %4 x %5, status \"%6\", picture at %7, %8")
        .arg(state.TargetWidth)
        .arg(state.TargetHeight)
        .arg(state.SampleStep)
        .arg(c.Combo2->currentText(), c.Combo3->currentText(), c.Text1->text())
        .arg(c.Picture3->leftTwips())
        .arg(c.Picture3->topTwips());
}

} // namespace

void KeyboardTest::tabGoesRoundTheOrder_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("forward");
    for (const QString& name : TabOrder) {
        QTest::addRow("Tab from %s", qPrintable(name)) << name << true;
        QTest::addRow("Shift+Tab from %s", qPrintable(name)) << name << false;
    }
}

void KeyboardTest::tabGoesRoundTheOrder()
{
    QFETCH(QString, start);
    QFETCH(bool, forward);
    FocusedForm shown(start);
    QVERIFY(shown.active);
    QCOMPARE(focusedStop(), start);
    // Each press moves to the next stop (the one before with Shift), round
    // the whole order and back.
    const qsizetype count = TabOrder.size();
    QStringList expected;
    QStringList visited;
    for (qsizetype step = 1; step <= count; ++step) {
        expected.append(TabOrder.at((TabOrder.indexOf(start) + (forward ? step : count - step)) % count));
        press(shown, forward ? QKeyCombination(Qt::Key_Tab) : Qt::ShiftModifier | Qt::Key_Backtab);
        visited.append(focusedStop());
    }
    QCOMPARE(visited, expected);
}

void KeyboardTest::focusIsVisible_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : TabOrder)
        QTest::newRow(qPrintable(name)) << name;
}

void KeyboardTest::focusIsVisible()
{
    QFETCH(QString, name);
    // A steady caret, so that a text field looks the same at every grab.
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    const auto restore = qScopeGuard([flashTime] { QApplication::setCursorFlashTime(flashTime); });
    FocusedForm shown;
    QVERIFY(shown.active);
    QWidget* client = shown.c().client;
    // Focus moved by the keyboard, then taken out of the client area: no
    // control shows it. Tab from there on to the stop.
    press(shown, Qt::Key_Tab);
    QVERIFY(shown.form->testAttribute(Qt::WA_KeyboardFocusChange));
    QApplication::focusWidget()->clearFocus();
    const QImage unfocused = client->grab().toImage();
    for (qsizetype presses = 0; presses <= TabOrder.indexOf(name); ++presses)
        press(shown, Qt::Key_Tab);
    QCOMPARE(focusedStop(), name);
    const QImage focused = client->grab().toImage();

    // The stop looks different, and nothing else does: the focus is drawn on
    // it or round its edge.
    QWidget* control = client->findChild<QWidget*>(name);
    const QRect around = QRect(control->mapTo(client, QPoint(0, 0)), control->size()).adjusted(-3, -3, 3, 3);
    QVERIFY2(focused.copy(around) != unfocused.copy(around), "the focus does not show");
    QImage focusedElsewhere = focused;
    QImage unfocusedElsewhere = unfocused;
    for (QImage* image : { &focusedElsewhere, &unfocusedElsewhere })
        QPainter(image).fillRect(around, Qt::black);
    QVERIFY2(focusedElsewhere == unfocusedElsewhere, "the focus changes the look of other controls");
    // Once the focus leaves, the window looks as it did.
    QApplication::focusWidget()->clearFocus();
    QVERIFY(client->grab().toImage() == unfocused);
}

void KeyboardTest::scrollBarKeysMoveAsClicks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStyle::SubControl>("part"); // whose click does the same; SC_None: none does
    const auto row = [](const char* title, const char* name, int key, int start, int expected,
                         QStyle::SubControl part) {
        QTest::newRow(title) << QString::fromLatin1(name) << key << start << expected << part;
    };
    // The scale bar, 10..50, one unit a step and a page.
    row("scale Left", "HScroll2", Qt::Key_Left, 30, 29, QStyle::SC_ScrollBarSubLine);
    row("scale Right", "HScroll2", Qt::Key_Right, 30, 31, QStyle::SC_ScrollBarAddLine);
    row("scale Up", "HScroll2", Qt::Key_Up, 30, 29, QStyle::SC_ScrollBarSubLine);
    row("scale Page Down", "HScroll2", Qt::Key_PageDown, 30, 31, QStyle::SC_ScrollBarAddPage);
    row("scale Home", "HScroll2", Qt::Key_Home, 30, 10, QStyle::SC_None);
    row("scale End", "HScroll2", Qt::Key_End, 30, 50, QStyle::SC_None);
    row("scale Left at the left end", "HScroll2", Qt::Key_Left, 10, 10, QStyle::SC_ScrollBarSubLine);
    // The width spinner: Min 320 is its top, so Up raises the width.
    row("width Up", "VScroll2", Qt::Key_Up, 100, 101, QStyle::SC_ScrollBarSubLine);
    row("width Down", "VScroll2", Qt::Key_Down, 100, 99, QStyle::SC_ScrollBarAddLine);
    row("width Left", "VScroll2", Qt::Key_Left, 100, 101, QStyle::SC_ScrollBarSubLine);
    row("width Page Up", "VScroll2", Qt::Key_PageUp, 100, 101, QStyle::SC_None);
    row("width Home", "VScroll2", Qt::Key_Home, 100, 320, QStyle::SC_None);
    row("width End", "VScroll2", Qt::Key_End, 100, 1, QStyle::SC_None);
    row("height Up at the top", "VScroll3", Qt::Key_Up, 240, 240, QStyle::SC_ScrollBarSubLine);
    row("height Down at the bottom", "VScroll3", Qt::Key_Down, 1, 1, QStyle::SC_ScrollBarAddLine);
    // The panning bars over a 600 x 500 picture: a pixel a step, the
    // viewport's size a page.
    row("pan Right", "HScroll1", Qt::Key_Right, 0, 15, QStyle::SC_ScrollBarAddLine);
    row("pan Left", "HScroll1", Qt::Key_Left, 300, 285, QStyle::SC_ScrollBarSubLine);
    row("pan Page Up", "HScroll1", Qt::Key_PageUp, 4665, 330, QStyle::SC_ScrollBarSubPage);
    row("pan Page Down", "VScroll1", Qt::Key_PageDown, 0, 1845, QStyle::SC_ScrollBarAddPage);
    row("pan End", "VScroll1", Qt::Key_End, 0, 1845, QStyle::SC_None);
}

void KeyboardTest::scrollBarKeysMoveAsClicks()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    QFETCH(int, start);
    QFETCH(int, expected);
    QFETCH(QStyle::SubControl, part);
    FocusedForm shown(name);
    QVERIFY(shown.active);
    const QTemporaryDir folder;
    openPicture(*shown.form, writePicture(folder, QStringLiteral("pan.bmp"), patternPicture(600, 500)));
    QTRY_VERIFY(!shown.form->isOpening());
    auto* bar = shown.c().client->findChild<ClassicScrollBar*>(name);
    bar->setValue(start);
    QCOMPARE(bar->value(), start);
    QCOMPARE(focusedStop(), name);
    press(shown, static_cast<Qt::Key>(key));
    QCOMPARE(bar->value(), expected);
    const QString byKey = handledState(shown);
    // The handlers ran as for a click on the part (or the value set).
    bar->setValue(start);
    if (part == QStyle::SC_None)
        bar->setValue(expected);
    else
        clickScrollArrow(bar->bar(), part);
    QCOMPARE(bar->value(), expected);
    QCOMPARE(handledState(shown), byKey);
}

void KeyboardTest::menuAndShortcuts_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QList<QKeyCombination>>("keys");
    QTest::addColumn<QString>("menu"); // after the keys: closed, selected (in the bar) or open
    QTest::addColumn<QStringList>("asked"); // the file dialogs asked for
    const QKeyCombination open = Qt::ControlModifier | Qt::Key_O;
    const QKeyCombination save = Qt::ControlModifier | Qt::Key_S;
    QTest::newRow("Ctrl+O") << "Command1" << QList<QKeyCombination> { open } << "closed" << QStringList { "Open" };
    QTest::newRow("Ctrl+O in the format box") << "Combo1" << QList<QKeyCombination> { open } << "closed" << QStringList { "Open" };
    QTest::newRow("Ctrl+O in the status box") << "Text1" << QList<QKeyCombination> { open } << "closed" << QStringList { "Open" };
    QTest::newRow("Ctrl+O on the picture") << "Picture3" << QList<QKeyCombination> { open } << "closed" << QStringList { "Open" };
    QTest::newRow("Ctrl+S") << "HScroll2" << QList<QKeyCombination> { save } << "closed" << QStringList { "Save" };
    QTest::newRow("Ctrl+S in the height box") << "Combo3" << QList<QKeyCombination> { save } << "closed" << QStringList { "Save" };
    QTest::newRow("F10") << "Combo2" << QList<QKeyCombination> { Qt::Key_F10 } << "open" << QStringList {};
    QTest::newRow("F10, Escape") << "Combo2" << QList<QKeyCombination> { Qt::Key_F10, Qt::Key_Escape } << "selected"
                                 << QStringList {};
    QTest::newRow("F10, Down, Enter") << "Combo2" << QList<QKeyCombination> { Qt::Key_F10, Qt::Key_Down, Qt::Key_Return }
                                      << "closed" << QStringList { "Open" };
    QTest::newRow("F10, Up, Up, Enter") << "VScroll1"
                                        << QList<QKeyCombination> { Qt::Key_F10, Qt::Key_Up, Qt::Key_Up, Qt::Key_Return }
                                        << "closed" << QStringList { "Save" };
    QTest::newRow("Alt") << "Combo2" << QList<QKeyCombination> { Qt::Key_Alt } << "selected" << QStringList {};
    QTest::newRow("Alt, Down") << "Picture2" << QList<QKeyCombination> { Qt::Key_Alt, Qt::Key_Down } << "open" << QStringList {};
    QTest::newRow("Alt, Enter, Enter") << "Combo2" << QList<QKeyCombination> { Qt::Key_Alt, Qt::Key_Return, Qt::Key_Return }
                                       << "closed" << QStringList { "Open" };
}

void KeyboardTest::menuAndShortcuts()
{
    QFETCH(QString, focus);
    QFETCH(QList<QKeyCombination>, keys);
    QFETCH(QString, menu);
    QFETCH(QStringList, asked);
    FocusedForm shown(focus);
    QVERIFY(shown.active);
    convertWith(*shown.form, 0); // bytes to save
    QVERIFY(!shown.form->state().OutputBytes.empty());
    shown.c().client->findChild<QWidget*>(focus)->setFocus(Qt::TabFocusReason);
    const QString formatText = shown.c().Combo1->currentText();
    const QString heightText = shown.c().Combo3->currentText();
    const FileDialogAnswer answer; // cancels
    for (const QKeyCombination key : keys)
        press(shown, key);
    QMenu* file = shown.c().file;
    QTRY_COMPARE(file->isVisible(), menu == "open");
    QCOMPARE(shown.form->menuBar()->activeAction() == file->menuAction(), menu != "closed");
    QStringList titles;
    for (const FileDialogRequest& request : answer.requests()) {
        titles.append(request.title);
        QCOMPARE(request.save, request.title == "Save");
    }
    QCOMPARE(titles, asked);
    // Nothing was typed into a text field, and the menu keeps its caption.
    QCOMPARE(shown.c().Combo1->currentText(), formatText);
    QCOMPARE(shown.c().Combo3->currentText(), heightText);
    QCOMPARE(file->title(), QStringLiteral("Файл"));
    // Escape leaves the menu, and the focus is where it was.
    while (file->isVisible() || shown.form->menuBar()->activeAction() != nullptr)
        press(shown, Qt::Key_Escape);
    QTRY_COMPARE(focusedStop(), focus);
}

void KeyboardTest::qtDialogsSpeakRussian_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("buttons"); // accept, cancel
    QTest::newRow("open dialog") << false << "Open" << QStringList { "&Открыть", "Отмена" };
    QTest::newRow("save dialog") << true << "Save" << QStringList { "&Сохранить", "Отмена" };
}

void KeyboardTest::qtDialogsSpeakRussian()
{
    QFETCH(bool, save);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QVERIFY2(QLocale::system().language() != QLocale::Russian, "runs under a locale that is not Russian");
    QTranslator* translator = installRussianQtTranslations(*qApp);
    const auto uninstall = qScopeGuard([translator] { delete translator; });
    QVERIFY2(translator != nullptr, "Qt's translations come with qt6-translations-l10n");
    ShownForm shown;
    QVERIFY(shown.exposed);
    convertWith(*shown.form, 0); // bytes to save
    QStringList seen;
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            auto* box = dialog->findChild<QDialogButtonBox*>();
            seen << dialog->windowTitle()
                 << box->button(save ? QDialogButtonBox::Save : QDialogButtonBox::Open)->text()
                 << box->button(QDialogButtonBox::Cancel)->text()
                 << dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text();
            dialog->reject();
        }
    });
    look.start(5);
    (save ? shown.c().file_save : shown.c().File_open)->trigger();
    QCOMPARE(seen, QStringList { title } + buttons + QStringList { "Перейти к:" });
    QCOMPARE(shown.c().File_open->text(), QStringLiteral("Открыть")); // the window's own texts stay
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
