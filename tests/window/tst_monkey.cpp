// A user who clicks everything. For a fixed time a seeded random driver
// clicks every control, drags over the picture, picks and types in the combo
// boxes, moves the spinners and scroll bars, presses keys, resizes the
// window, drops files on it and uses the menu (the dialogs answered with good
// and bad pictures, a folder, good and unwritable save paths), also inside
// the yields of running conversions. Checked throughout: no crash, the
// controls that feed a conversion are enabled exactly when none runs, and
// every finished conversion leaves the bytes the core makes of the settings
// it started with.
//
// RASTERKIT_MONKEY_SECONDS sets the time (30 s by default) and
// RASTERKIT_MONKEY_SEED the seed (the time by default); the seed is printed
// first, so that a failing run can be replayed. RASTERKIT_MONKEY_LOG names a
// file that gets every action as it is done (for a crash).
#include "windowtestsupport.h"

#include "convert/reduceframe.h"
#include "convert/encoders.h"
#include "platform/qtpictures.h"
#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/pictureboxes.h"

#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <array>
#include <optional>
#include <random>

#include <unistd.h>

using namespace rasterkit;
using namespace rasterkit::test;

namespace {

// What a conversion reads when it starts, and the output it may keep.
struct RunSettings {
    int formatIndex = 0;
    FrameSettings frame;
    QImage picture;
    OutputBytes before;
};

OutputBytes expectedBytes(const RunSettings& run)
{
    // No format chosen: nothing is converted and the output keeps the last result.
    const std::optional<PixelFormat> format = pixelFormatFromIndex(run.formatIndex);
    if (!format)
        return run.before;
    return encode(*format, reduceFrame(sourceImageOf(run.picture), ReductionRequest { .frame = run.frame, .format = *format }));
}

QtMessageHandler nextHandler = nullptr;

// Clicks on widgets that ignore the mouse are part of the game.
void dropIgnoredClicks(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains(QLatin1String("not accepted by receiving widget")) && nextHandler != nullptr)
        nextHandler(type, context, message);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 numberFromEnvironment(const char* name, qint64 fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? value : fallback;
}

} // namespace

class MonkeyTest : public QObject {
    Q_OBJECT
public:
    MonkeyTest()
    {
        // Qt Test gives up on a test function after five minutes.
        if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
            qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((seconds() + 120) * 1000));
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void clicksEverything();

private:
    static qint64 seconds() { return numberFromEnvironment("RASTERKIT_MONKEY_SECONDS", 30); }
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }
    QPoint somewhere(QWidget* widget) { return QPoint(pick(widget->width() + 1), pick(widget->height() + 1)); }
    static QString nameOf(const QObject* object)
    {
        if (!object->objectName().isEmpty() || object->parent() == nullptr)
            return object->objectName().isEmpty() ? QLatin1String(object->metaObject()->className())
                                                  : object->objectName();
        return QLatin1String(object->metaObject()->className()) + QStringLiteral(" in ") + nameOf(object->parent());
    }
    const Form1Controls& c() const { return m_shown->c(); }
    Form1& form() const { return *m_shown->form; }
    RunSettings currentSettings() const;
    void act();
    void observe();
    void answerBoxes();
    void note(const QString& action);
    void fail(const QString& why);
    void save(const QString& path, bool fresh);

    std::mt19937_64 m_random;
    QTemporaryDir m_folder;
    QString m_locked;       // a folder that takes no new file
    bool m_immutable = false;
    QStringList m_openAnswers; // the good pictures first
    // A dropped file opens once the drop has ended, from the event queue: it
    // may still open after a later action.
    QString m_dropped;
    static constexpr int GoodPictures = 7; // then the tall photo damaged below its top
    std::unique_ptr<ShownForm> m_shown;
    std::optional<RunSettings> m_pending; // taken as Command1 is let go
    std::optional<RunSettings> m_run;     // the conversion running now
    QPointer<QWidget> m_lastPopup;
    QStringList m_recent; // the last actions, for a failure message
    QFile m_log;          // every action, when RASTERKIT_MONKEY_LOG names a file
    QString m_failure;
    int m_actions = 0;
    int m_conversions = 0;
    int m_boxes = 0;
    int m_saves = 0;
};

void MonkeyTest::initTestCase()
{
    const auto seed = static_cast<quint64>(
        numberFromEnvironment("RASTERKIT_MONKEY_SEED", QDateTime::currentMSecsSinceEpoch()));
    qInfo("RASTERKIT_MONKEY_SEED=%llu", static_cast<unsigned long long>(seed));
    m_random.seed(seed);
    if (qEnvironmentVariableIsSet("RASTERKIT_MONKEY_LOG")) {
        m_log.setFileName(qEnvironmentVariable("RASTERKIT_MONKEY_LOG"));
        QVERIFY(m_log.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    dropOffscreenPlatformNotes();
    nextHandler = qInstallMessageHandler(dropIgnoredClicks);
    QVERIFY(m_folder.isValid());

    // Good pictures of every kind, one wider than the scroll bars reach, one
    // taller than the viewport, and broken ones, a folder and a missing file.
    const QString data = QStringLiteral(RASTERKIT_TEST_DATA "/");
    const QImage pattern = patternPicture(400, 300);
    m_openAnswers = { writePicture(m_folder, QStringLiteral("pattern.bmp"), pattern),
        writePicture(m_folder, QStringLiteral("pattern.jpg"), pattern), data + QStringLiteral("known.gif"),
        data + QStringLiteral("transparent.gif"),
        writePicture(m_folder, QStringLiteral("one pixel.bmp"), flatPicture(QSize(1, 1), qRgb(9, 200, 30))),
        writePicture(m_folder, QStringLiteral("wide.jpg"), patternPicture(2400, 120)),
        writePicture(m_folder, QStringLiteral("tall.jpg"), patternPicture(300, 2400)) };
    QVERIFY(!m_openAnswers.contains(QString()));
    // A tall photo opens in stages; this one turns out damaged below its top.
    QFile tall(m_openAnswers.last());
    QVERIFY(tall.open(QIODevice::ReadOnly));
    const QByteArray damaged = tall.readAll().first(tall.size() * 7 / 10) + QByteArray("\xFF\xD9", 2);
    m_openAnswers.append(m_folder.filePath(QStringLiteral("tall damaged.jpg")));
    QVERIFY(writeFile(m_openAnswers.last(), damaged));
    for (const char* broken : { "empty.jpg", "truncated.jpg", "cut-known.gif", "cut-known.bmp", "notapicture.jpg" })
        m_openAnswers.append(data + QLatin1String(broken));
    m_openAnswers << m_folder.path() << m_folder.filePath(QStringLiteral("missing.png")) << QString();

    // As root permissions stop nothing: an immutable folder refuses new
    // files (its files stay writable); else a folder without write access.
    m_locked = m_folder.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(m_locked));
    QVERIFY(writeFile(m_locked + QStringLiteral("/kept.raw"), "old"));
    m_immutable = QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("+i"), m_locked }) == 0;
    if (!m_immutable && ::geteuid() != 0)
        QVERIFY(QFile::setPermissions(m_locked, QFile::ReadOwner | QFile::ExeOwner));
    else if (!m_immutable)
        m_locked = m_folder.filePath(QStringLiteral("no such folder"));
}

void MonkeyTest::cleanupTestCase()
{
    if (m_immutable)
        QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-i"), m_locked });
    QFile::setPermissions(m_locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

RunSettings MonkeyTest::currentSettings() const
{
    const WorkingState& state = form().state();
    return RunSettings { c().Combo1->currentIndex(),
        FrameSettings { state.TargetWidth, state.TargetHeight, state.SampleStep, state.FrameLeft, state.FrameTop },
        c().Picture3->picture(), state.OutputBytes };
}

void MonkeyTest::note(const QString& action)
{
    m_recent.append((form().isConverting() ? QStringLiteral("[converting] ") : QString()) + action);
    if (m_log.isOpen()) {
        m_log.write(m_recent.last().toUtf8() + '\n');
        m_log.flush();
    }
    if (m_recent.size() > 20)
        m_recent.removeFirst();
}

void MonkeyTest::fail(const QString& why)
{
    if (!m_failure.isEmpty())
        return;
    m_failure = why;
    qInfo().noquote() << "Last actions, the failing one last:\n " << m_recent.join(QStringLiteral("\n  "));
}

// At every pass of the event loop, also inside the yields of a conversion.
void MonkeyTest::observe()
{
    const bool converting = form().isConverting();
    const QList<QPair<QString, bool>> refused { { "Command1", c().Command1->isEnabled() },
        { "Combo1", c().Combo1->isEnabled() }, { "Combo2", c().Combo2->isEnabled() },
        { "Combo3", c().Combo3->isEnabled() }, { "VScroll2", c().VScroll2->isEnabled() },
        { "VScroll3", c().VScroll3->isEnabled() }, { "HScroll2", c().HScroll2->isEnabled() },
        { "Picture3", c().Picture3->isEnabled() },
        { "File_open", c().File_open->isEnabled() }, { "file_save", c().file_save->isEnabled() } };
    for (const auto& [name, enabled] : refused) {
        if (enabled == converting)
            fail(QStringLiteral("%1 is %2 while %3")
                     .arg(name, QLatin1String(enabled ? "enabled" : "disabled"),
                         QLatin1String(converting ? "a conversion runs" : "no conversion runs")));
    }
    if (!c().HScroll1->isEnabled() || !c().VScroll1->isEnabled() || !c().Autor->isEnabled())
        fail(QStringLiteral("panning or the About box is disabled"));
    if (converting && !m_run) {
        if (!m_pending)
            fail(QStringLiteral("a conversion started without a click on Command1"));
        m_run = std::exchange(m_pending, std::nullopt);
    } else if (!converting && m_run) {
        const RunSettings& run = *m_run;
        if (form().state().OutputBytes != expectedBytes(run)) {
            fail(QStringLiteral("conversion %1: the output is not the core's for format %2, %3 x %4, step %5, "
                                "frame at (%6, %7)")
                     .arg(m_conversions + 1).arg(run.formatIndex).arg(run.frame.targetWidth)
                     .arg(run.frame.targetHeight).arg(run.frame.sampleStep).arg(run.frame.frameLeft)
                     .arg(run.frame.frameTop));
        }
        if (form().Progress().Value() != 100)
            fail(QStringLiteral("the progress bar stands at %1 after a conversion").arg(form().Progress().Value()));
        ++m_conversions;
        m_run.reset();
    }
}

// Presses OK in every message box and closes a menu or list left open.
void MonkeyTest::answerBoxes()
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        ++m_boxes;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box != nullptr && box->button(QMessageBox::Ok) != nullptr)
            box->button(QMessageBox::Ok)->click();
        else
            modal->close();
    }
    QWidget* popup = QApplication::activePopupWidget();
    if (popup != nullptr && popup == m_lastPopup)
        popup->close();
    m_lastPopup = popup;
}

// A save leaves the output in the file or the file as it was (a new path
// must be written), whatever the folder allows.
void MonkeyTest::save(const QString& path, bool fresh)
{
    const bool willSave = !form().isConverting() && !form().state().OutputBytes.empty();
    const QByteArray output = bytesOf(form().state().OutputBytes);
    const QByteArray before = contentOf(path);
    {
        const FileDialogAnswer answer(path);
        c().file_save->trigger();
    }
    const QByteArray after = contentOf(path);
    if (!(willSave && after == output) && (after != before || (willSave && fresh))) {
        fail(QStringLiteral("saving %1 bytes to %2 left %3 bytes there")
                 .arg(willSave ? output.size() : 0).arg(path).arg(after.size()));
    }
}

void MonkeyTest::act()
{
    // A box or an open list takes all input until it goes.
    if (!m_failure.isEmpty() || QApplication::activeModalWidget() != nullptr
        || QApplication::activePopupWidget() != nullptr)
        return;
    ++m_actions;
    static const QList<int> Keys { Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape,
        Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
        Qt::Key_End, Qt::Key_F4, Qt::Key_Backspace, Qt::Key_1, Qt::Key_A };
    static const QStringList Typed { "12", "abc", "RGB 5:6:5", "0", "-7", "999999", "Y 5x3 " };
    ClassicComboBox* const combos[] = { c().Combo1, c().Combo2, c().Combo3 };
    ClassicScrollBar* const bars[] = { c().HScroll1, c().VScroll1, c().VScroll2, c().VScroll3, c().HScroll2 };
    switch (pick(15)) {
    case 0:
    case 1:
        note(QStringLiteral("click Command1"));
        QTest::mouseClick(c().Command1, Qt::LeftButton);
        break;
    case 2: { // anywhere on any control, with any button
        const QList<QWidget*> all = form().findChildren<QWidget*>();
        QWidget* target = all[pick(all.size())];
        if (!target->isVisible())
            break;
        const QPoint at = somewhere(target);
        const Qt::MouseButton button = std::array { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton }[pick(3)];
        const bool twice = pick(5) == 0;
        note(QStringLiteral("%1 %2 with button %3 at (%4, %5)")
                   .arg(QLatin1String(twice ? "double-click" : "click"), nameOf(target))
                   .arg(int(button)).arg(at.x()).arg(at.y()));
        QTest::mouseClick(target, button, Qt::NoModifier, at);
        if (twice) {
            QTest::mouseDClick(target, button, Qt::NoModifier, at);
            QTest::mouseRelease(target, button, Qt::NoModifier, at);
        }
        break;
    }
    case 3: { // a drag over the picture with the left, right or both buttons
        const Qt::MouseButtons buttons = std::array<Qt::MouseButtons, 3> { Qt::LeftButton, Qt::RightButton,
            Qt::LeftButton | Qt::RightButton }[pick(3)];
        QWidget* picture = c().Picture3;
        QList<QPointF> points;
        QString description = QStringLiteral("drag with buttons %1 over Picture3 to").arg(buttons.toInt());
        for (int move = pick(6); move >= 0; --move) {
            points.append(
                QPointF(pick(picture->width() + 200) - 100 + pick(4) / 4.0, pick(picture->height() + 200) - 100));
            description += QStringLiteral(" (%1, %2)").arg(points.last().x()).arg(points.last().y());
        }
        note(description);
        for (const QPointF& point : points)
            moveMouseWithButtons(picture, point, buttons);
        break;
    }
    case 4: { // a choice from a list; a disabled box only takes a click
        ClassicComboBox* combo = combos[pick(3)];
        const int entry = pick(combo->count());
        note(QStringLiteral("choose entry %1 of %2").arg(entry).arg(combo->objectName()));
        if (combo->isEnabled())
            chooseComboEntry(combo, entry);
        else
            QTest::mouseClick(combo, Qt::LeftButton);
        break;
    }
    case 5: { // typed text, sometimes finished with Enter
        ClassicComboBox* combo = combos[pick(3)];
        const QString text = Typed[pick(Typed.size())];
        note(QStringLiteral("type \"%1\" into %2").arg(text, combo->objectName()));
        QTest::keyClick(combo->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(combo->lineEdit(), text);
        if (pick(2) == 0)
            QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        break;
    }
    case 6: { // scroll bar and spinner arrows
        ClassicScrollBar* bar = bars[pick(5)];
        const int times = 1 + pick(4);
        const auto arrow = pick(2) == 0 ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine;
        note(QStringLiteral("%1 x %2 arrow of %3")
                   .arg(times).arg(QLatin1String(arrow == QStyle::SC_ScrollBarSubLine ? "up/left" : "down/right"))
                   .arg(bar->objectName()));
        clickScrollArrow(bar->bar(), arrow, times);
        break;
    }
    case 7: { // a thumb drag on the scale bar or the horizontal panning bar
        QScrollBar* bar = (pick(2) == 0 ? c().HScroll2 : c().HScroll1)->bar();
        const QPoint from = horizontalThumbRect(bar).center();
        const QPoint to(from.x() + pick(bar->width()) - bar->width() / 2, from.y());
        note(QStringLiteral("drag the thumb of %1 by %2").arg(bar->parent()->objectName()).arg(to.x() - from.x()));
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(bar, (from + to) / 2);
        QTest::mouseMove(bar, to);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, to);
        break;
    }
    case 8: { // a key on the focused control
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &form();
        const auto key = static_cast<Qt::Key>(Keys[pick(Keys.size())]);
        note(QStringLiteral("key %1 on %2").arg(int(key), 0, 16).arg(nameOf(target)));
        QTest::keyClick(target, key, pick(6) == 0 ? Qt::AltModifier : Qt::NoModifier);
        break;
    }
    case 9: {
        const QString path = m_openAnswers[pick(m_openAnswers.size())];
        note(QStringLiteral("open \"%1\"").arg(path));
        // The title names the picture opened last, and never a broken one.
        // An action inside the open's yield may open another.
        const int actionsBefore = m_actions;
        const bool willOpen = !form().isConverting() && m_openAnswers.indexOf(path) < GoodPictures;
        openPicture(form(), path);
        const QString prefix = QStringLiteral("Rasterkit v9       ");
        const QString title = form().windowTitle();
        // A photo opening in stages is named while its rest is decoded, also
        // the one whose rest turns out damaged.
        const bool known = title == QStringLiteral("Rasterkit v9")
            || (title.startsWith(prefix) && m_openAnswers.indexOf(title.mid(prefix.size())) < GoodPictures)
            || (form().isOpening() && title == prefix + m_openAnswers[GoodPictures]);
        const bool dropOpenedLater = !m_dropped.isEmpty() && title == prefix + m_dropped;
        m_dropped.clear();
        if (!known || (willOpen && m_actions == actionsBefore && title != prefix + path && !dropOpenedLater))
            fail(QStringLiteral("the title is \"%1\" after opening %2").arg(title, path));
        break;
    }
    case 10: {
        const int choice = pick(5);
        const QString path = std::array { m_folder.filePath(QStringLiteral("out-%1.raw").arg(++m_saves)),
            m_locked + QStringLiteral("/new.raw"), m_locked + QStringLiteral("/kept.raw"), m_folder.path(),
            QString() }[choice];
        note(QStringLiteral("save \"%1\"").arg(path));
        save(path, choice == 0);
        break;
    }
    case 11:
        note(QStringLiteral("About box"));
        c().Autor->trigger();
        break;
    case 12: {
        const QSize size = std::array { QSize(1, 1), QSize(90, 60), QSize(2600, 1800),
            QSize(200 + pick(1200), 150 + pick(900)) }[pick(4)];
        note(QStringLiteral("resize to %1 x %2").arg(size.width()).arg(size.height()));
        form().resize(size);
        break;
    }
    case 13: { // the mouse wheel over any control
        const QList<QWidget*> all = form().findChildren<QWidget*>();
        QWidget* target = all[pick(all.size())];
        const QPoint delta(0, (pick(2) == 0 ? 120 : -120) * (1 + pick(3)));
        note(QStringLiteral("wheel %1 over %2").arg(delta.y()).arg(nameOf(target)));
        const QPointF at = somewhere(target);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
        break;
    }
    case 14: { // a file dragged in from a file manager and let go anywhere
        const QString path = m_openAnswers[pick(m_openAnswers.size())];
        const QPoint at = somewhere(&form());
        note(QStringLiteral("drop \"%1\" at (%2, %3)").arg(path).arg(at.x()).arg(at.y()));
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        const bool converting = form().isConverting();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form().windowHandle(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form().windowHandle(), &drop);
        if (converting && drop.isAccepted())
            fail(QStringLiteral("a dropped file was taken while a conversion runs"));
        if (drop.isAccepted())
            m_dropped = path;
        break;
    }
    }
    observe();
}

void MonkeyTest::clicksEverything()
{
    m_shown = std::make_unique<ShownForm>();
    QVERIFY(m_shown->exposed);
    connect(c().Command1, &QAbstractButton::released, this, [this] {
        if (!form().isConverting())
            m_pending = currentSettings();
    });
    // Every pass of the event loop is watched; one pass in twenty, also in a
    // conversion's yields, does something.
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, &MonkeyTest::observe);
    QTimer actor;
    connect(&actor, &QTimer::timeout, this, [this] {
        if (pick(20) == 0)
            act();
    });
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, &MonkeyTest::answerBoxes);
    watcher.start(0);
    actor.start(0);
    answerer.start(10);

    const QDeadlineTimer deadline(seconds() * 1000);
    while (!deadline.hasExpired() && m_failure.isEmpty()) {
        act();
        QCoreApplication::processEvents();
    }
    qInfo("%d actions, %d conversions checked, %d boxes answered in %lld s (%s)", m_actions, m_conversions,
        m_boxes, seconds(), m_immutable ? "immutable folder" : "no immutable folder");
    QVERIFY2(m_failure.isEmpty(), qPrintable(m_failure));
    QVERIFY(m_conversions > 0);
    m_shown.reset();
}

QTEST_MAIN(MonkeyTest)
#include "tst_monkey.moc"
