// The window as it starts: controls, texts, lists, geometry, tab order,
// the About box, and the layout of the viewport when the window is resized.
#include "windowtestsupport.h"

#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/designcontrols.h"
#include "window/pictureboxes.h"
#include "window/statusbox.h"
#include "window/translations.h"
#include "window/twips.h"

#include "convert/report.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTranslator>

using namespace rasterkit;
using namespace rasterkit::test;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dropOffscreenPlatformNotes(); }
    void titleMenuAndTexts();
    void workingStateAtStart();
    void designGeometry_data();
    void designGeometry();
    void controlsAsTheTableDesignsThem_data();
    void controlsAsTheTableDesignsThem();
    void textsFitTheirBoxes_data();
    void textsFitTheirBoxes();
    void qtTextsInTheDesktopsLanguage_data();
    void qtTextsInTheDesktopsLanguage();
    void progressBarAtItsPlace();
    void tabOrder();
    void aboutBox();
    void resizeLaysOutViewport_data();
    void resizeLaysOutViewport();
    void tooSmallWindowKeepsLayout_data();
    void tooSmallWindowKeepsLayout();
    void resizeYieldsBetweenLayoutAndRanges();
    void convertingInResizeYield();
};

namespace {

QStringList itemsOf(const QComboBox* combo)
{
    QStringList items;
    for (int index = 0; index < combo->count(); ++index)
        items.append(combo->itemText(index));
    return items;
}

// Resizes the window so that its client area gets the given size.
bool resizeClient(ShownForm& shown, int width, int height)
{
    Form1& form = *shown.form;
    const int menuHeight = form.height() - shown.c().client->height();
    form.resize(width, height + menuHeight);
    if (!QTest::qWaitFor([&] { return shown.c().client->size() == QSize(width, height); }))
        return false;
    // The viewport is laid out from the event queue, after the resize.
    QCoreApplication::processEvents();
    return true;
}

QString designNameOf(QWidget* widget)
{
    static const QStringList Names { "Picture2", "Picture1", "Picture3", "VScroll1", "HScroll1", "Command1", "Text1",
        "Combo1", "Combo2", "VScroll2", "Combo3", "VScroll3", "HScroll2" };
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (Names.contains(w->objectName()))
            return w->objectName();
    }
    return QStringLiteral("(none)");
}

} // namespace

void StartupTest::titleMenuAndTexts()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    Form1& form = *shown.form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Rasterkit v9"));

    const QList<QAction*> menus = form.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first()->text(), QStringLiteral("Файл"));
    QMenu* file = form.findChild<QMenu*>(QStringLiteral("file"));
    QVERIFY(file != nullptr);
    QCOMPARE(menus.first()->menu(), file);
    QStringList commands;
    QStringList names;
    for (QAction* action : file->actions()) {
        commands.append(action->text());
        names.append(action->objectName());
    }
    QCOMPARE(commands, (QStringList { "Открыть", "Сохранить", "О программе" }));
    QCOMPARE(names, (QStringList { "File_open", "file_save", "Autor" }));

    auto* command1 = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    QVERIFY(command1 != nullptr);
    QCOMPARE(command1->text(), QStringLiteral("Конвертирование"));

    auto* combo1 = form.findChild<ClassicComboBox*>(QStringLiteral("Combo1"));
    auto* combo2 = form.findChild<ClassicComboBox*>(QStringLiteral("Combo2"));
    auto* combo3 = form.findChild<ClassicComboBox*>(QStringLiteral("Combo3"));
    QVERIFY(combo1 && combo2 && combo3);
    QCOMPARE(itemsOf(combo1), (QStringList { "RGB 5:6:5", "RGB 5:6:5x8", "RGB 5:4:4x3", "RGB 4:4:4x4", "RGB 3:3:3x7",
                                  "RGB 3:3:2", "RGB 3:3:2x8", "Y 5x3" }));
    QCOMPARE(itemsOf(combo2), (QStringList { "128", "132", "176", "320" }));
    QCOMPARE(itemsOf(combo3), (QStringList { "128", "132", "176", "240" }));
    for (ClassicComboBox* combo : { combo1, combo2, combo3 }) {
        QVERIFY(combo->isEditable());
        QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
        for (int index = 0; index < combo->count(); ++index)
            QCOMPARE(combo->itemData(index).toInt(), index);
    }
    QCOMPARE(combo1->currentText(), QStringLiteral("RGB 5:6:5"));
    QCOMPARE(combo1->currentIndex(), 0);
    QCOMPARE(combo2->currentText(), QStringLiteral("320"));
    QCOMPARE(combo3->currentText(), QStringLiteral("240"));

    auto* text1 = form.findChild<StatusBox*>(QStringLiteral("Text1"));
    QVERIFY(text1 != nullptr);
    QCOMPARE(text1->text(), QString());
    QCOMPARE(text1->palette().color(QPalette::Base), text1->palette().color(QPalette::Button));

    auto* picture3 = form.findChild<SourcePictureBox*>(QStringLiteral("Picture3"));
    QVERIFY(picture3 != nullptr);
    QCOMPARE(picture3->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(picture3->picture().size(), QSize(289, 369));
    QVERIFY(!picture3->isFrameShown());
    for (int y : { 0, 200, 368 }) {
        for (int x : { 0, 150, 288 })
            QCOMPARE(colourAt(picture3->picture(), x, y), 0xF0F0F0u);
    }
}

void StartupTest::workingStateAtStart()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const WorkingState& state = shown.form->state();
    QCOMPARE(state.TargetWidth, 320);
    QCOMPARE(state.TargetHeight, 240);
    QCOMPARE(state.SampleStep, 1.0);
    QCOMPARE(state.FrameLeft, 0);
    QCOMPARE(state.FrameTop, 0);
    QCOMPARE(state.FrameCenterX, 0.0f);
    QCOMPARE(state.FrameCenterY, 0.0f);
    QVERIFY(state.OutputBytes.empty());
    QCOMPARE(state.PixelGrid.width(), 320);
    QCOMPARE(state.PixelGrid.height(), 240);
    for (const std::int32_t value : state.PixelGrid.values())
        QCOMPARE(value, 0);

    const Form1Controls& c = shown.c();
    // The scale bar stands at its left end, the spinners at their top ends.
    QCOMPARE(c.HScroll2->min(), 10);
    QCOMPARE(c.HScroll2->max(), 50);
    QCOMPARE(c.HScroll2->value(), 10);
    QCOMPARE(c.HScroll2->bar()->value(), c.HScroll2->bar()->minimum());
    QCOMPARE(c.VScroll2->min(), 320);
    QCOMPARE(c.VScroll2->max(), 1);
    QCOMPARE(c.VScroll2->value(), 320);
    QCOMPARE(c.VScroll2->bar()->value(), c.VScroll2->bar()->minimum());
    QCOMPARE(c.VScroll3->min(), 240);
    QCOMPARE(c.VScroll3->max(), 1);
    QCOMPARE(c.VScroll3->value(), 240);
    // Before the first open the viewport's ranges come from the empty
    // picture: 4335 x 5535 twips in a 4335 x 5655 viewport.
    QCOMPARE(c.HScroll1->max(), 0);
    QCOMPARE(c.VScroll1->max(), -120);
    QCOMPARE(c.HScroll1->value(), 0);
    QCOMPARE(c.VScroll1->value(), 0);

    QCOMPARE(shown.form->Progress().Value(), 0);
    QCOMPARE(shown.form->Progress().Min(), 0);
    QCOMPARE(shown.form->Progress().Max(), 100);
    QCOMPARE(shown.form->Progress().Step(), 1);

    for (QWidget* control : std::initializer_list<QWidget*> { c.Command1, c.Combo1, c.Combo2, c.Combo3, c.VScroll2,
             c.VScroll3, c.HScroll2, c.HScroll1, c.VScroll1 })
        QVERIFY(control->isEnabled());
    QVERIFY(c.File_open->isEnabled());
    QVERIFY(c.file_save->isEnabled());
    QVERIFY(c.Autor->isEnabled());
}

void StartupTest::designGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels: design twips / 15
    QTest::newRow("Picture2") << "Picture2" << QRect(8, 8, 321, 245);
    QTest::newRow("Picture1") << "Picture1" << QRect(336, 8, 289, 377);
    QTest::newRow("Picture3") << "Picture3" << QRect(0, 0, 289, 369);
    // After the first layout VScroll1 runs along the whole viewport.
    QTest::newRow("VScroll1") << "VScroll1" << QRect(624, 8, 17, 377);
    QTest::newRow("HScroll1") << "HScroll1" << QRect(336, 384, 289, 17);
    QTest::newRow("Command1") << "Command1" << QRect(8, 272, 137, 33);
    QTest::newRow("Text1") << "Text1" << QRect(152, 272, 177, 105);
    QTest::newRow("Combo1") << "Combo1" << QRect(8, 312, 137, 21);
    QTest::newRow("Combo2") << "Combo2" << QRect(8, 336, 49, 21);
    QTest::newRow("VScroll2") << "VScroll2" << QRect(56, 336, 17, 19);
    QTest::newRow("Combo3") << "Combo3" << QRect(80, 336, 49, 21);
    QTest::newRow("VScroll3") << "VScroll3" << QRect(127, 336, 17, 19);
    QTest::newRow("HScroll2") << "HScroll2" << QRect(8, 360, 136, 17);
}

void StartupTest::designGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    ShownForm shown;
    QVERIFY(shown.exposed);
    QCOMPARE(shown.c().client->size(), QSize(Form1::DesignClientWidth, Form1::DesignClientHeight));
    auto* control = shown.form->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), geometry);
    if (name == QLatin1String("Picture3"))
        QCOMPARE(control->parentWidget()->objectName(), QStringLiteral("Picture1"));
    else
        QCOMPARE(control->parentWidget(), shown.c().client);
}

void StartupTest::controlsAsTheTableDesignsThem_data()
{
    QTest::addColumn<int>("index");
    for (std::size_t index = 0; index < DesignControls.size(); ++index)
        QTest::newRow(DesignControls[index].name) << static_cast<int>(index);
}

void StartupTest::controlsAsTheTableDesignsThem()
{
    QFETCH(int, index);
    const DesignControl& design = DesignControls[static_cast<std::size_t>(index)];
    Form1 form; // not shown: no layout has moved anything yet
    auto* control = form.findChild<QWidget*>(QLatin1String(design.name));
    QVERIFY(control != nullptr);
    const bool inViewport = design.kind == ControlKind::SourcePictureBox;
    QCOMPARE(control->parentWidget(), inViewport ? form.controls().Picture1 : form.controls().client);
    const TwipRect& twips = design.twips;
    QCOMPARE(control->geometry(), rectFromTwips(twips.left, twips.top, twips.width, twips.height));
    if (auto* bar = qobject_cast<ClassicScrollBar*>(control)) {
        QCOMPARE(bar->bar()->orientation() == Qt::Horizontal, design.kind == ControlKind::HorizontalScrollBar);
        QCOMPARE(QList<int>({ bar->min(), bar->max(), bar->value() }),
            QList<int>({ design.bar.min, design.bar.max, design.bar.value }));
    }
    if (auto* combo = qobject_cast<ClassicComboBox*>(control))
        QCOMPARE(combo->currentIndex(), design.shownEntry);
    if (design.caption != nullptr)
        QCOMPARE(qobject_cast<QPushButton*>(control)->text(), QString::fromUtf8(design.caption));
    if (auto* status = qobject_cast<StatusBox*>(control))
        QVERIFY(status->isReadOnly()); // for reading: no caret, no typing
}

void StartupTest::textsFitTheirBoxes_data()
{
    QTest::addColumn<int>("desktopFontPixels"); // 0: the platform's own
    QTest::newRow("desktop font") << 0;
    QTest::newRow("large desktop font") << 24;
}

void StartupTest::textsFitTheirBoxes()
{
    QFETCH(int, desktopFontPixels);
    const QFont desktopFont = QApplication::font();
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(desktopFont); });
    QFont font = desktopFont;
    if (desktopFontPixels > 0)
        font.setPixelSize(desktopFontPixels);
    QApplication::setFont(font);
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QVERIFY(QFontInfo(shown.form->font()).pixelSize() <= QFontInfo(font).pixelSize());

    // Every line of the longest messages stays on one line of the status box.
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    for (const QString& text : { c.Text1->text(), QString::fromUtf8(compressionReport(153600, 230400, ",")) }) {
        c.Text1->setText(text);
        QCoreApplication::processEvents();
        for (QTextBlock block = c.Text1->document()->begin(); block.isValid(); block = block.next())
            QVERIFY2(block.layout()->lineCount() == 1, qPrintable(block.text()));
    }
    // The size boxes show each number whole and clear of their left border:
    // no dark pixel in the text field's first two columns.
    for (ClassicComboBox* combo : { c.Combo2, c.Combo3 }) {
        for (int index = 0; index < combo->count(); ++index) {
            combo->setCurrentIndex(index);
            const QImage shot = combo->grab().toImage();
            const QRect field = combo->lineEdit()->geometry();
            int left = field.right();
            for (int y = field.top(); y <= field.bottom(); ++y) {
                for (int x = field.left(); x < left; ++x)
                    left = qGray(shot.pixel(x, y)) < 128 ? x : left;
            }
            QVERIFY2(left >= field.left() + 2 && left < field.center().x(), qPrintable(combo->currentText()));
        }
    }
}

void StartupTest::qtTextsInTheDesktopsLanguage_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("shown"); // the open dialog's "Look in" and Cancel
    QTest::newRow("Russian") << "ru_RU" << QStringList { "Перейти к:", "Отмена" };
    QTest::newRow("English: nothing to load") << "en_US" << QStringList { "Look in:", "Cancel" };
}

void StartupTest::qtTextsInTheDesktopsLanguage()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, shown);
    QTranslator* translator = installQtTranslations(*qApp, QLocale(locale));
    const auto uninstall = qScopeGuard([translator] { delete translator; });
    QVERIFY2((translator != nullptr) == (locale != "en_US"), "Qt's translations come with qt6-translations-l10n");
    ShownForm window;
    QVERIFY(window.exposed);
    QStringList seen;
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            seen << dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text()
                 << dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
            dialog->reject();
        }
    });
    look.start(5);
    window.c().File_open->trigger();
    QCOMPARE(seen, shown);
    QCOMPARE(window.c().File_open->text(), QStringLiteral("Открыть")); // the window's own texts stay
}

void StartupTest::progressBarAtItsPlace()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    QProgressBar* bar = shown.form->Progress().widget();
    QVERIFY(bar != nullptr);
    QCOMPARE(bar->parentWidget(), shown.c().client);
    QCOMPARE(bar->geometry(), QRect(9, 382, 320, 20));
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->value(), 0);
    // It does not move when the window is resized.
    QVERIFY(resizeClient(shown, 800, 520));
    QCOMPARE(bar->geometry(), QRect(9, 382, 320, 20));
}

void StartupTest::tabOrder()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    shown.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown.form.get()));
    shown.c().Command1->setFocus();
    QTRY_COMPARE(designNameOf(QApplication::focusWidget()), QStringLiteral("Command1"));
    QStringList order { designNameOf(QApplication::focusWidget()) };
    for (int step = 0; step < 12; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(designNameOf(QApplication::focusWidget()));
    }
    QCOMPARE(order, (QStringList { "Command1", "Combo1", "Text1", "HScroll1", "VScroll1", "Combo2", "Picture2",
                        "HScroll2", "Picture1", "Picture3", "VScroll2", "Combo3", "VScroll3" }));
}

void StartupTest::aboutBox()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const WorkingState before = shown.form->state();
    const QString textBefore = shown.c().Text1->text();
    ModalAnswerer answerer;
    shown.c().Autor->trigger();
    QCOMPARE(answerer.seen.size(), 1);
    const ModalSeen& box = answerer.seen.first();
    QCOMPARE(box.className, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, QStringLiteral("О программе"));
    QCOMPARE(box.text, QStringLiteral("Автор: Rasterkit developers\r\ne-mail: rasterkit@example.org"));
    QCOMPARE(box.text.split(QStringLiteral("\r\n")).size(), 2);
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QStringList { "OK" });
    // Nothing changed.
    const WorkingState& after = shown.form->state();
    QCOMPARE(after.TargetWidth, before.TargetWidth);
    QCOMPARE(after.TargetHeight, before.TargetHeight);
    QCOMPARE(after.SampleStep, before.SampleStep);
    QCOMPARE(after.FrameLeft, before.FrameLeft);
    QCOMPARE(after.FrameTop, before.FrameTop);
    QVERIFY(after.PixelGrid == before.PixelGrid);
    QVERIFY(after.OutputBytes == before.OutputBytes);
    QCOMPARE(shown.c().Text1->text(), textBefore);
    QCOMPARE(shown.form->windowTitle(), QStringLiteral("Rasterkit v9"));
}

void StartupTest::resizeLaysOutViewport_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("picture1");
    QTest::addColumn<QRect>("vscroll1");
    QTest::addColumn<QRect>("hscroll1");
    QTest::addColumn<int>("vscrollMax");
    QTest::addColumn<int>("hscrollMax");
    // Viewport width = client - 362 px, height = client - 31 px; VScroll1 at
    // client width - 27 px, HScroll1 at client height - 24 px. The empty
    // picture is 289 x 369 px; the ranges are the differences in twips.
    QTest::newRow("design") << QSize(651, 408) << QRect(336, 8, 289, 377) << QRect(624, 8, 17, 377)
                            << QRect(336, 384, 289, 17) << -120 << 0;
    QTest::newRow("larger") << QSize(800, 500) << QRect(336, 8, 438, 469) << QRect(773, 8, 17, 469)
                            << QRect(336, 476, 438, 17) << (369 - 469) * 15 << (289 - 438) * 15;
    QTest::newRow("smaller") << QSize(500, 300) << QRect(336, 8, 138, 269) << QRect(473, 8, 17, 269)
                             << QRect(336, 276, 138, 17) << (369 - 269) * 15 << (289 - 138) * 15;
    // Narrower than the left-hand controls: the viewport keeps width 0.
    QTest::newRow("no room for the viewport") << QSize(300, 200) << QRect(336, 8, 0, 169) << QRect(273, 8, 17, 169)
                                              << QRect(336, 176, 0, 17) << (369 - 169) * 15 << 289 * 15;
    QTest::newRow("just above the limit") << QSize(124, 75) << QRect(336, 8, 0, 44) << QRect(97, 8, 17, 44)
                                          << QRect(336, 51, 0, 17) << (369 - 44) * 15 << 289 * 15;
}

void StartupTest::resizeLaysOutViewport()
{
    QFETCH(QSize, client);
    QFETCH(QRect, picture1);
    QFETCH(QRect, vscroll1);
    QFETCH(QRect, hscroll1);
    QFETCH(int, vscrollMax);
    QFETCH(int, hscrollMax);
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(resizeClient(shown, 900, 600)); // away from the design size first
    QVERIFY(resizeClient(shown, client.width(), client.height()));
    const Form1Controls& c = shown.c();
    QCOMPARE(c.Picture1->geometry(), picture1);
    QVERIFY(c.Picture1->widthTwips() >= 0);
    QCOMPARE(c.Picture1->widthTwips(), picture1.width() * 15);
    QCOMPARE(c.Picture1->heightTwips(), picture1.height() * 15);
    QCOMPARE(c.VScroll1->geometry(), vscroll1);
    QCOMPARE(c.HScroll1->geometry(), hscroll1);
    QCOMPARE(c.VScroll1->max(), vscrollMax);
    QCOMPARE(c.HScroll1->max(), hscrollMax);
    // Everything on the left keeps its design place.
    QCOMPARE(c.Command1->geometry(), QRect(8, 272, 137, 33));
    QCOMPARE(c.Picture2->geometry(), QRect(8, 8, 321, 245));
}

void StartupTest::tooSmallWindowKeepsLayout_data()
{
    QTest::addColumn<QSize>("client");
    // Below 2000 twips of outer width (client under 124 px) or of outer
    // height (client under 75 px) the layout stays as it was.
    QTest::newRow("too narrow") << QSize(123, 300);
    QTest::newRow("too low") << QSize(500, 74);
    QTest::newRow("both") << QSize(100, 60);
}

void StartupTest::tooSmallWindowKeepsLayout()
{
    QFETCH(QSize, client);
    ShownForm shown;
    QVERIFY(shown.exposed);
    QVERIFY(resizeClient(shown, 700, 450));
    const Form1Controls& c = shown.c();
    const QRect picture1 = c.Picture1->geometry();
    const QRect vscroll1 = c.VScroll1->geometry();
    const QRect hscroll1 = c.HScroll1->geometry();
    const int vscrollMax = c.VScroll1->max();
    const int hscrollMax = c.HScroll1->max();
    QCOMPARE(picture1, QRect(336, 8, 338, 419));
    shown.form->setMinimumSize(0, 0);
    QVERIFY(resizeClient(shown, client.width(), client.height()));
    QCOMPARE(c.Picture1->geometry(), picture1);
    QCOMPARE(c.VScroll1->geometry(), vscroll1);
    QCOMPARE(c.HScroll1->geometry(), hscroll1);
    QCOMPARE(c.VScroll1->max(), vscrollMax);
    QCOMPARE(c.HScroll1->max(), hscrollMax);
}

void StartupTest::resizeYieldsBetweenLayoutAndRanges()
{
    ShownForm shown;
    QVERIFY(shown.exposed);
    const Form1Controls& c = shown.c();
    QCOMPARE(c.HScroll1->max(), 0);
    // During the resize's one yield the viewport has its new size and the
    // ranges are still the old ones; after it they follow.
    bool sawYield = false;
    int maxDuringYield = 1;
    {
        const YieldWatcher watcher([&] {
            if (!sawYield && c.Picture1->width() == 389) {
                sawYield = true;
                maxDuringYield = c.HScroll1->max();
            }
        });
        QVERIFY(resizeClient(shown, 751, 408));
    }
    QVERIFY(sawYield);
    QCOMPARE(maxDuringYield, 0);
    QCOMPARE(c.HScroll1->max(), (289 - 389) * 15);
}

void StartupTest::convertingInResizeYield()
{
    // A conversion started in the layout's yield, resize after resize. Laid
    // out inside the resize event, Qt's geometry code ran on around it after
    // the conversion and crashed at the second.
    ShownForm shown;
    QVERIFY(shown.exposed);
    bool resizing = false;
    int conversions = 0;
    {
        const YieldWatcher watcher([&] {
            if (resizing && !shown.form->isConverting()) {
                ++conversions;
                QTest::mouseClick(shown.c().Command1, Qt::LeftButton);
            }
        });
        for (int round = 0; round < 6; ++round) {
            resizing = true;
            QVERIFY(resizeClient(shown, round % 2 == 0 ? 2600 : 700, round % 2 == 0 ? 1800 : 450));
            resizing = false;
        }
    }
    QVERIFY(conversions >= 6);
    QCOMPARE(shown.c().Picture1->geometry(), QRect(336, 8, 700 - 362, 450 - 31));
    QCOMPARE(shown.form->state().OutputBytes.size(), std::size_t(320 * 240 * 2));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
