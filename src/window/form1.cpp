#include "form1.h"

#include "classiccombobox.h"
#include "classicscrollbar.h"
#include "messages.h"
#include "pictureboxes.h"
#include "samplingpass.h"
#include "statusbox.h"
#include "twips.h"

#include "convert/encoders.h"
#include "convert/pixelformat.h"
#include "convert/report.h"
#include "convert/sampling.h"
#include "output/outputfile.h"
#include "platform/filedialog.h"
#include "platform/qtpictures.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QIcon>
#include <QKeySequence>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace rasterkit {

namespace {

const QString WindowTitle = QStringLiteral("Rasterkit v9");
// The title after an open: the name, a space, "v9", seven spaces, then the path.
const QString OpenedTitlePrefix = QStringLiteral("Rasterkit v9       ");

const QString AboutTitle = QStringLiteral("О программе");
const QString AboutText = QStringLiteral("Автор: Rasterkit developers\r\ne-mail: rasterkit@example.org");
const QString NoFormatText = QStringLiteral("Формат не выбран: выберите его из списка форматов.");

// The viewport and its scroll bars follow the window's size. The classic
// layout measured the window's outer size, W x H twips, whose frame is 145
// twips wider and 880 higher than the client area: viewport W - 5575 by
// H - 1345, VScroll1 at left W - 525, HScroll1 at top H - 1225. Here every
// distance is taken from the client area's right and bottom edges, as the
// controls stand at design size. For the viewport that is the classic rule
// exactly; the classic bars would stand 25 and 15 twips (1 to 2 pixels)
// right of and below their design places, so the bars keep their design
// places instead, along the viewport's right and bottom edges, and run along
// its full height and width. Below 2000 twips of outer width or height the
// layout stays as it was.
constexpr int FrameExtraWidth = 145;
constexpr int FrameExtraHeight = 880;
constexpr int SmallestOuterSize = 2000;
constexpr TwipRect ViewportDesign = designTwips("Picture1");
constexpr int ViewportWidthMargin = DesignClientWidthTwips - ViewportDesign.width;    // 5430
constexpr int ViewportHeightMargin = DesignClientHeightTwips - ViewportDesign.height; // 465
constexpr int VerticalBarFromRight = DesignClientWidthTwips - designTwips("VScroll1").left;     // 405
constexpr int HorizontalBarFromBottom = DesignClientHeightTwips - designTwips("HScroll1").top; // 360
constexpr int ScrollBarThickness = designTwips("VScroll1").width;
static_assert(ViewportWidthMargin == 5575 - FrameExtraWidth && ViewportHeightMargin == 1345 - FrameExtraHeight);
static_assert(DesignClientWidthTwips + FrameExtraWidth - 525 == designTwips("VScroll1").left + 25);
static_assert(DesignClientHeightTwips + FrameExtraHeight - 1225 == designTwips("HScroll1").top + 15);

// The smallest font the window takes to make its texts fit.
constexpr int SmallestFontPixels = 8;

// The most a panning bar runs either way, so that negating a value always fits 16 bits.
constexpr int LargestScrollRange = 32767;

// The mouse wheel over the viewport: one notch, and the pixels per line it moves.
constexpr int WheelNotch = 120;
constexpr int WheelPixelsPerLine = 20;

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList comboEntries(ComboList list)
{
    QStringList entries;
    switch (list) {
    case ComboList::Formats:
        for (const PixelFormatInfo& info : PixelFormats) {
            if (info.inWindow)
                entries.append(fromUtf8(info.name));
        }
        break;
    case ComboList::Widths:
    case ComboList::Heights:
        for (const SizePreset& preset : list == ComboList::Widths ? WidthPresets : HeightPresets)
            entries.append(QString::number(preset.pixels));
        break;
    case ComboList::None:
        break;
    }
    return entries;
}

QString nulSeparated(std::initializer_list<const char*> parts)
{
    QString pairs;
    for (const char* part : parts) {
        pairs += QLatin1String(part);
        pairs += QChar(0);
    }
    return pairs;
}

// Every line the status box shows at the largest sizes: the progress texts,
// the scale text and each format's report for a 320 x 240 picture whose
// output takes the most digits.
QStringList statusLines()
{
    QStringList lines { fromUtf8(ConvertingMessage), fromUtf8(CompressingMessage),
        QString(15, QLatin1Char(' ')) + QStringLiteral("500%") };
    const std::string decimalPoint = QLocale::system().decimalPoint().toStdString();
    for (const PixelFormatInfo& info : PixelFormats) {
        if (info.inWindow)
            lines += fromUtf8(conversionReport(info.format, 320, 240, 230400, decimalPoint)).split(QStringLiteral("\r\n"));
    }
    return lines;
}

// The first local file among the dropped addresses, or "" when there is none.
QString droppedFile(const QMimeData* dropped)
{
    if (dropped == nullptr || !dropped->hasUrls())
        return {};
    for (const QUrl& url : dropped->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

} // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(WindowTitle);
    QIcon icon;
    for (const char* name : { ":/icons/rasterkit-16.png", ":/icons/rasterkit-32.png" }) {
        if (QFile::exists(QLatin1String(name)))
            icon.addFile(QLatin1String(name));
    }
    if (!icon.isNull())
        setWindowIcon(icon);
    setAcceptDrops(true);

    createControls();
    fitFont();
    Form_Load();
    connectHandlers();
    updateActions();
    resize(DesignClientWidth, DesignClientHeight + menuBar()->sizeHint().height());
}

Form1::~Form1()
{
    // The viewport is laid out on the client area's resize events; none are
    // wanted while the controls go away.
    if (m_controls.client != nullptr)
        m_controls.client->removeEventFilter(this);
}

void Form1::createControls()
{
    Form1Controls& c = m_controls;
    auto* client = new ClientArea(this);
    c.client = client;
    c.client->setObjectName(QStringLiteral("client"));
    setCentralWidget(c.client);
    c.client->installEventFilter(this);

    // The tab order goes by the controls themselves, each with the widgets
    // inside it (a scroll bar's inner bar, which takes its focus; a combo
    // box's text field), so that none of them is left behind at its old place
    // in the focus chain. The chain is a ring whose other widgets take no
    // focus: Tab from the last stop comes back to the first.
    std::array<QWidget*, DesignControls.size()> tabOrder {};
    for (const DesignControl& design : DesignControls)
        tabOrder[static_cast<std::size_t>(design.tab)] = createControl(design);
    for (std::size_t index = 1; index < tabOrder.size(); ++index)
        setTabOrder(tabOrder[index - 1], tabOrder[index]);

    const auto bind = [client]<typename Control>(Control*& slot, const char* name) {
        slot = client->findChild<Control*>(QLatin1String(name));
        Q_ASSERT(slot != nullptr);
    };
    bind(c.Picture2, "Picture2");
    bind(c.Picture1, "Picture1");
    bind(c.Picture3, "Picture3");
    bind(c.VScroll1, "VScroll1");
    bind(c.HScroll1, "HScroll1");
    bind(c.Command1, "Command1");
    bind(c.Text1, "Text1");
    bind(c.Combo1, "Combo1");
    bind(c.Combo2, "Combo2");
    bind(c.VScroll2, "VScroll2");
    bind(c.Combo3, "Combo3");
    bind(c.VScroll3, "VScroll3");
    bind(c.HScroll2, "HScroll2");

    c.file = menuBar()->addMenu(QStringLiteral("Файл"));
    c.file->setObjectName(QStringLiteral("file"));
    c.File_open = c.file->addAction(QStringLiteral("Открыть"));
    c.File_open->setObjectName(QStringLiteral("File_open"));
    c.File_open->setShortcut(QKeySequence::Open); // Ctrl+O
    c.file_save = c.file->addAction(QStringLiteral("Сохранить"));
    c.file_save->setObjectName(QStringLiteral("file_save"));
    c.file_save->setShortcut(QKeySequence::Save); // Ctrl+S
    c.Autor = c.file->addAction(QStringLiteral("О программе"));
    c.Autor->setObjectName(QStringLiteral("Autor"));

    // The menu from the keyboard: Alt alone selects "Файл" in the menu bar
    // (Qt's menu bar does that) and Down or Enter opens it; F10 opens it at once.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this,
        [this] { menuBar()->setActiveAction(m_controls.file->menuAction()); });
}

QWidget* Form1::createControl(const DesignControl& design)
{
    auto* client = static_cast<ClientArea*>(m_controls.client);
    const TwipRect& twips = design.twips;
    QWidget* control = nullptr;
    switch (design.kind) {
    case ControlKind::PreviewBox: {
        auto* preview = new PreviewBox(client);
        preview->setSizeTwips(twips.width, twips.height);
        client->addOutlined(preview);
        control = preview;
        break;
    }
    case ControlKind::ViewportBox: {
        auto* viewport = new ViewportBox(client);
        viewport->setSizeTwips(twips.width, twips.height);
        client->addOutlined(viewport);
        control = viewport;
        break;
    }
    case ControlKind::SourcePictureBox: {
        // Inside the viewport, which the table lists first.
        auto* picture = new SourcePictureBox(client->findChild<ViewportBox*>());
        picture->setPicture(
            SourcePictureBox::emptySurface(pixelsFromTwips(twips.width), pixelsFromTwips(twips.height)));
        control = picture;
        break;
    }
    case ControlKind::HorizontalScrollBar:
    case ControlKind::VerticalScrollBar: {
        auto* bar = new ClassicScrollBar(
            design.kind == ControlKind::HorizontalScrollBar ? Qt::Horizontal : Qt::Vertical, client);
        bar->setMin(design.bar.min);
        bar->setMax(design.bar.max);
        bar->setValue(design.bar.value);
        control = bar;
        break;
    }
    case ControlKind::Button:
        control = new QPushButton(QString::fromUtf8(design.caption), client);
        break;
    case ControlKind::StatusBox: {
        // The status box is for reading: no typing. With the focus it shows
        // a caret, which the arrow keys move to select text to copy.
        auto* status = new StatusBox(client);
        status->setReadOnly(true);
        status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        control = status;
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = new ClassicComboBox(client);
        const QStringList entries = comboEntries(design.list);
        combo->addItems(entries);
        for (int index = 0; index < entries.size(); ++index)
            combo->setItemData(index, index);
        combo->setCurrentIndex(design.shownEntry);
        control = combo;
        break;
    }
    }
    control->setObjectName(QLatin1String(design.name));
    const bool pictureBox = design.kind == ControlKind::PreviewBox || design.kind == ControlKind::ViewportBox
        || design.kind == ControlKind::SourcePictureBox;
    if (pictureBox) {
        // Sized in twips above. The picture boxes take the focus: they are in the tab order.
        control->setFocusPolicy(Qt::StrongFocus);
        control->move(pixelsFromTwips(twips.left), pixelsFromTwips(twips.top));
    } else {
        control->setGeometry(rectFromTwips(twips.left, twips.top, twips.width, twips.height));
    }
    return control;
}

void Form1::connectHandlers()
{
    const Form1Controls& c = m_controls;
    connect(c.File_open, &QAction::triggered, this, &Form1::File_open_Click);
    connect(c.file_save, &QAction::triggered, this, &Form1::file_save_Click);
    connect(c.Autor, &QAction::triggered, this, &Form1::Autor_Click);
    connect(c.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(&m_openingTimer, &QTimer::timeout, this, &Form1::continueOpening);

    // The panning bars and the scale bar run the same handler for a value
    // change and for a thumb drag; the spinners only for a value change.
    for (auto signal : { &ClassicScrollBar::valueChanged, &ClassicScrollBar::thumbDragged }) {
        connect(c.HScroll1, signal, this, &Form1::HScroll1_Change);
        connect(c.VScroll1, signal, this, &Form1::VScroll1_Change);
        connect(c.HScroll2, signal, this, &Form1::HScroll2_Change);
    }
    connect(c.VScroll2, &ClassicScrollBar::valueChanged, this, &Form1::VScroll2_Change);
    connect(c.VScroll3, &ClassicScrollBar::valueChanged, this, &Form1::VScroll3_Change);

    connect(c.Combo2, &ClassicComboBox::listChosen, this, &Form1::Combo2_Click);
    connect(c.Combo3, &ClassicComboBox::listChosen, this, &Form1::Combo3_Click);
    connect(c.Picture3, &SourcePictureBox::mouseMoved, this, &Form1::Picture3_MouseMove);
    connect(c.Picture1, &ViewportBox::wheelTurned, this, &Form1::panByWheel);
    connect(c.Picture3, &SourcePictureBox::wheelTurned, this, &Form1::panByWheel);
}

void Form1::fitFont()
{
    // The desktop's font, at the largest pixel size not above its own at
    // which the status box shows every line of its messages on one line and
    // the size boxes show their numbers whole. The layout is fixed in pixels,
    // so the font is measured in pixels too, whatever the screen's dots per
    // inch make of a point size.
    const Form1Controls& c = m_controls;
    const int statusRoom = c.Text1->width() - 2 * c.Text1->frameWidth()
        - 2 * static_cast<int>(std::ceil(c.Text1->document()->documentMargin())) - 2;
    const QStringList lines = statusLines();
    QFont font = QApplication::font(this);
    for (int pixels = QFontInfo(font).pixelSize(); pixels >= SmallestFontPixels; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        const bool statusFits = std::all_of(lines.begin(), lines.end(),
            [&](const QString& line) { return metrics.horizontalAdvance(line) <= statusRoom; });
        const bool sizesFit = metrics.horizontalAdvance(QStringLiteral("320")) <= c.Combo2->textRoom();
        if (statusFits && sizesFit)
            break;
    }
    setFont(font);
}

void Form1::updateActions()
{
    // While a conversion runs, nothing that feeds it or reads its output may
    // be used: not the format, size, scale or frame, not opening (from the
    // menu or by a drop) or saving. Panning, resizing and the About box stay
    // available.
    const bool idle = !m_converting;
    const Form1Controls& c = m_controls;
    for (QWidget* control : std::initializer_list<QWidget*> { c.Command1, c.Combo1, c.Combo2, c.Combo3, c.VScroll2,
             c.VScroll3, c.HScroll2, c.Picture3 })
        control->setEnabled(idle);
    c.File_open->setEnabled(idle);
    c.file_save->setEnabled(idle);
}

void Form1::beginConversion()
{
    // Disabling a scroll bar whose thumb is held lets go of it, and its value
    // change would then be handled inside the conversion: a held thumb is let
    // go first, so that the change is handled before the conversion reads
    // the settings.
    for (ClassicScrollBar* bar : { m_controls.VScroll2, m_controls.VScroll3, m_controls.HScroll2 })
        bar->releaseThumb();
    m_converting = true;
    m_focusBeforeRun = focusWidget();
    updateActions();
    m_focusDuringRun = focusWidget();
}

void Form1::endConversion()
{
    m_converting = false;
    updateActions();
    // Disabling the focused control moved the focus on, often into the status
    // box: it goes back, unless the user has put it somewhere else meanwhile.
    if (m_focusBeforeRun && m_focusBeforeRun != m_focusDuringRun && focusWidget() == m_focusDuringRun)
        m_focusBeforeRun->setFocus(Qt::OtherFocusReason);
    m_focusBeforeRun = nullptr;
    m_focusDuringRun = nullptr;
}

bool Form1::yieldToEventQueue()
{
    QCoreApplication::processEvents();
    return !m_closed;
}

int Form1::showMessage(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    return box.exec();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing ends the program at once: a handler waiting in a yield returns
    // as soon as the yield does, touching nothing and writing nothing.
    m_closed = true;
    event->accept();
}

void Form1::showEvent(QShowEvent* event)
{
    m_closed = false;
    QMainWindow::showEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // The viewport is laid out from the event queue once the resize has been
    // delivered, never inside it: the layout yields, and Qt's own geometry
    // code, still running around the resize event, does not survive what may
    // happen in a yield (a conversion started there crashed it on return).
    if (watched == m_controls.client && event->type() == QEvent::Resize && !m_layoutPending) {
        m_layoutPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_layoutPending = false;
                Form_Resize();
            },
            Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Start-up, layout, About box

void Form1::Form_Load()
{
    m_state.TargetHeight = 240;
    m_state.TargetWidth = 320;
    m_state.SampleStep = 1.0;
    m_state.PixelGrid = PixelGrid(m_state.TargetWidth, m_state.TargetHeight);
    m_controls.Combo1->setCurrentIndex(0);
    if (!m_progress)
        m_progress = std::make_unique<ProgressBar>();
    m_progress->Create(m_controls.client, 382, 9, 20, 320, 0, 100, 1);
    m_progress->setValue(0);
}

void Form1::Form_Resize()
{
    const Form1Controls& c = m_controls;
    const int clientWidth = twipsFromPixels(c.client->width());
    const int clientHeight = twipsFromPixels(c.client->height());
    if (clientWidth + FrameExtraWidth < SmallestOuterSize || clientHeight + FrameExtraHeight < SmallestOuterSize)
        return;
    c.Picture1->setSizeTwips(clientWidth - ViewportWidthMargin, clientHeight - ViewportHeightMargin);
    c.VScroll1->setGeometry(rectFromTwips(clientWidth - VerticalBarFromRight, ViewportDesign.top,
        ScrollBarThickness, c.Picture1->heightTwips()));
    c.HScroll1->setGeometry(rectFromTwips(ViewportDesign.left, clientHeight - HorizontalBarFromBottom,
        c.Picture1->widthTwips(), ScrollBarThickness));
    if (!yieldToEventQueue())
        return;
    updateScrollRanges();
}

void Form1::Autor_Click()
{
    showMessage(QMessageBox::NoIcon, AboutTitle, AboutText);
}

// ---------------------------------------------------------------------------
// Source picture and viewport

void Form1::File_open_Click()
{
    Q_ASSERT(!m_converting);
    const QString path = Module1::ShowFileDialog(QStringLiteral("Open"),
        nulSeparated({ "JPEG", "*.jpg", "BMP", "*.bmp", "GIF", "*.gif" }), nulSeparated({ "All Files", "*.*" }), 0);
    if (path.isEmpty())
        return;
    openPicture(path);
}

void Form1::openPicture(const QString& path)
{
    // A photo still being decoded is finished first, so that a failed open
    // can leave a whole picture in place; if it turns out damaged, the
    // picture before it comes back and this one opens after its message.
    finishOpening();
    // By default a device or a FIFO is refused at once: reading it could wait
    // or run for ever. A photo taller than the viewport shows its top first;
    // BMP, GIF and the other pictures Qt reads come through Qt's readers.
    StagedPictureLoad loaded = loadPictureInStages(
        path, std::max(m_controls.Picture1->height(), 1), PictureLoadOptions { .otherReader = QtPictureReader });
    if (!loaded.first.ok()) {
        // Nothing of the working state has changed.
        showMessage(QMessageBox::Warning, WindowTitle, cannotOpenMessage(loaded.first));
        return;
    }
    SourcePictureBox* picture = m_controls.Picture3;
    if (loaded.rest) {
        m_opening = std::make_unique<Opening>(Opening { std::move(loaded.rest), picture->picture(), windowTitle(),
            picture->isFrameShown(), picture->frameRect(), m_controls.HScroll1->value(), m_controls.VScroll1->value(),
            picture->leftTwips(), picture->topTwips() });
        picture->setPicture(imageOf(loaded.first.image), m_opening->stages->decodedRows());
    } else {
        picture->setPicture(imageOf(loaded.first.image));
    }
    const qint64 shown = picture->picture().cacheKey();
    setWindowTitle(OpenedTitlePrefix + path);
    if (!yieldToEventQueue())
        return;
    // A photo whose rest failed to decode meanwhile has given way to the
    // picture before it, with its own position.
    if (picture->picture().cacheKey() != shown)
        return;
    m_controls.VScroll1->setValue(0);
    m_controls.HScroll1->setValue(0);
    picture->setTopTwips(0);
    picture->setLeftTwips(0);
    updateScrollRanges();
    if (m_opening)
        m_openingTimer.start(0);
}

void Form1::continueOpening()
{
    if (!m_opening) {
        m_openingTimer.stop();
        return;
    }
    // About a million pixels a band: a few milliseconds, so that the window
    // keeps answering while the rest comes in.
    const int width = std::max(m_opening->stages->picture().width(), 1);
    const bool decoded = m_opening->stages->decodeMore(std::max(16, (1 << 20) / width));
    if (!decoded) {
        restorePreviousPicture();
        return;
    }
    m_controls.Picture3->setDecodedRows(m_opening->stages->decodedRows());
    if (m_opening->stages->isComplete()) {
        m_openingTimer.stop();
        m_opening.reset();
    }
}

bool Form1::finishOpening()
{
    if (!m_opening)
        return true;
    m_openingTimer.stop();
    if (!m_opening->stages->finish()) {
        restorePreviousPicture();
        return false;
    }
    m_controls.Picture3->setDecodedRows(m_opening->stages->decodedRows());
    m_opening.reset();
    return true;
}

void Form1::restorePreviousPicture()
{
    m_openingTimer.stop();
    const std::unique_ptr<Opening> opening = std::move(m_opening);
    SourcePictureBox* picture = m_controls.Picture3;
    // A frame the user has drawn meanwhile stays; otherwise the one before.
    const bool frameShown = picture->isFrameShown();
    const QRectF frame = frameShown ? picture->frameRect() : opening->previousFrame;
    picture->setPicture(opening->previousPicture);
    if (frameShown || opening->previousFrameShown)
        picture->drawFrame(frame.topLeft(), frame.bottomRight());
    setWindowTitle(opening->previousTitle);
    updateScrollRanges();
    m_controls.HScroll1->setValue(opening->previousHorizontalValue);
    m_controls.VScroll1->setValue(opening->previousVerticalValue);
    picture->setLeftTwips(opening->previousLeftTwips);
    picture->setTopTwips(opening->previousTopTwips);
    showMessage(QMessageBox::Warning, WindowTitle, cannotOpenMessage(opening->stages->failure()));
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void Form1::dragMoveEvent(QDragMoveEvent* event)
{
    // A local file opens as Open opens it; while Open is disabled, so are drops.
    if (m_controls.File_open->isEnabled() && !droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (!m_controls.File_open->isEnabled() || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The file manager waits for the drop to end: open once it has (a
    // message box or a yield inside the drop would hold it up).
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            if (m_controls.File_open->isEnabled())
                openPicture(path);
        },
        Qt::QueuedConnection);
}

PanScale PanScale::forSpan(int spanTwips)
{
    PanScale scale;
    scale.spanTwips = spanTwips;
    const std::int64_t magnitude = std::abs(std::int64_t(spanTwips));
    if (magnitude > LargestScrollRange) {
        // The fewest whole pixels per unit that bring the span within range.
        constexpr std::int64_t pixelUnitsSpan = std::int64_t(LargestScrollRange) * TwipsPerPixel;
        scale.twipsPerUnit = TwipsPerPixel * static_cast<int>((magnitude + pixelUnitsSpan - 1) / pixelUnitsSpan);
    }
    return scale;
}

int PanScale::maxUnits() const
{
    if (twipsPerUnit == 1)
        return spanTwips;
    // Rounded away from 0, so that the far end shows the picture's far edge.
    const int units = (std::abs(spanTwips) + twipsPerUnit - 1) / twipsPerUnit;
    return spanTwips < 0 ? -units : units;
}

int PanScale::twipsFromUnits(int units) const
{
    if (twipsPerUnit == 1)
        return units;
    const std::int64_t twips = std::int64_t(units) * twipsPerUnit;
    return static_cast<int>(std::clamp<std::int64_t>(twips, std::min(spanTwips, 0), std::max(spanTwips, 0)));
}

int PanScale::unitsFromTwips(int twips) const
{
    return roundToInt32(static_cast<double>(twips) / twipsPerUnit);
}

void Form1::updateScrollRanges()
{
    // How much larger the picture is than the viewport, outer sizes in twips;
    // negative when it is smaller, so that the bar can move it right or down.
    const Form1Controls& c = m_controls;
    setPanRange(c.VScroll1, m_verticalPan, c.Picture3->heightTwips() - c.Picture1->heightTwips(),
        c.Picture1->heightTwips());
    setPanRange(c.HScroll1, m_horizontalPan, c.Picture3->widthTwips() - c.Picture1->widthTwips(),
        c.Picture1->widthTwips());
}

void Form1::panByWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers)
{
    // With Shift the vertical wheel pans sideways (some platforms have
    // already turned it).
    if (modifiers.testFlag(Qt::ShiftModifier) && angleDelta.y() != 0)
        angleDelta = QPoint(angleDelta.y(), angleDelta.x());
    // A notch (120 eighths of a degree) moves as many lines as the desktop
    // asks for, WheelPixelsPerLine pixels each; turning away pans up or left.
    const double twipsPerEighth
        = double(QApplication::wheelScrollLines()) * WheelPixelsPerLine * TwipsPerPixel / WheelNotch;
    const auto pan = [twipsPerEighth](ClassicScrollBar* bar, const PanScale& scale, int eighths) {
        if (eighths == 0)
            return;
        const double units = -eighths * twipsPerEighth / scale.twipsPerUnit;
        const int step = units < 0 ? std::min(-1, roundToInt32(units)) : std::max(1, roundToInt32(units));
        const std::int64_t target = std::int64_t(bar->value()) + step;
        bar->setValue(static_cast<int>(std::clamp<std::int64_t>(
            target, std::min(bar->min(), bar->max()), std::max(bar->min(), bar->max()))));
    };
    pan(m_controls.HScroll1, m_horizontalPan, angleDelta.x());
    pan(m_controls.VScroll1, m_verticalPan, angleDelta.y());
}

void Form1::setPanRange(ClassicScrollBar* bar, PanScale& scale, int spanTwips, int viewportTwips)
{
    const PanScale old = scale;
    scale = PanScale::forSpan(spanTwips);
    // An arrow moves one pixel, the trough about a page: the viewport's size.
    bar->bar()->setSingleStep(std::max(TwipsPerPixel / scale.twipsPerUnit, 1));
    bar->bar()->setPageStep(std::max(viewportTwips / scale.twipsPerUnit, 1));
    if (old.twipsPerUnit == 1 && scale.twipsPerUnit == 1) {
        // Twip by twip: the bar clamps its value and reports the change.
        bar->setMax(scale.maxUnits());
        return;
    }
    // The units change their size: the pan is kept in twips.
    const int pannedTwips = old.twipsFromUnits(bar->value());
    bar->setMax(scale.maxUnits());
    bar->setValue(scale.unitsFromTwips(pannedTwips));
    if (bar == m_controls.HScroll1)
        HScroll1_Change(bar->value());
    else
        VScroll1_Change(bar->value());
}

void Form1::HScroll1_Change(int value)
{
    m_controls.Picture3->setLeftTwips(panPosition(m_horizontalPan, value));
}

void Form1::VScroll1_Change(int value)
{
    m_controls.Picture3->setTopTwips(panPosition(m_verticalPan, value));
}

int Form1::panPosition(const PanScale& scale, int value)
{
    // Twip by twip the negation is done in 16 bits.
    if (scale.twipsPerUnit == 1)
        return static_cast<qint16>(-value);
    return -scale.twipsFromUnits(value);
}

// ---------------------------------------------------------------------------
// Capture frame

void Form1::DrawCaptureFrame()
{
    const double x = m_state.FrameCenterX;
    const double y = m_state.FrameCenterY;
    const double halfWidth = m_state.SampleStep * (m_state.TargetWidth / 2.0);
    const double halfHeight = m_state.SampleStep * (m_state.TargetHeight / 2.0);
    // The corners are handed over in single precision.
    m_controls.Picture3->drawFrame(QPointF(singlePrecision(x - halfWidth), singlePrecision(y - halfHeight)),
        QPointF(singlePrecision(x + halfWidth + 1), singlePrecision(y + halfHeight + 1)));
    const FrameOrigin origin = frameOriginForCenter(m_state.FrameCenterX, m_state.FrameCenterY, m_state.SampleStep,
        m_state.TargetWidth, m_state.TargetHeight);
    m_state.FrameLeft = origin.left;
    m_state.FrameTop = origin.top;
}

void Form1::Picture3_MouseMove(Qt::MouseButtons buttons, QPointF position)
{
    Q_ASSERT(!m_converting);
    // Only a drag with the left button alone moves the frame.
    if (buttons != Qt::LeftButton)
        return;
    m_state.FrameCenterX = singlePrecision(position.x());
    m_state.FrameCenterY = singlePrecision(position.y());
    DrawCaptureFrame();
}

QString Form1::scaleText() const
{
    const auto percent = static_cast<qint16>(m_controls.HScroll2->value() * 10);
    return QString(15, QLatin1Char(' ')) + QString::number(percent) + QLatin1Char('%');
}

void Form1::HScroll2_Change(int value)
{
    Q_ASSERT(!m_converting);
    m_state.SampleStep = value / 10.0;
    m_controls.Text1->setText(scaleText());
    DrawCaptureFrame();
    yieldToEventQueue();
}

bool Form1::blankPreview()
{
    // A change of size clears the preview: shrink it to nothing and restore it.
    PreviewBox* preview = m_controls.Picture2;
    const int width = roundToInt32(static_cast<float>(preview->widthTwips()));
    preview->setWidthTwips(0);
    if (!yieldToEventQueue())
        return false;
    preview->setWidthTwips(width);
    return true;
}

void Form1::Combo2_Click(int index)
{
    applyPreset(index, WidthPresets, m_state.TargetWidth, &PreviewBox::setWidthTwips, m_controls.VScroll2);
}

void Form1::Combo3_Click(int index)
{
    applyPreset(index, HeightPresets, m_state.TargetHeight, &PreviewBox::setHeightTwips, m_controls.VScroll3);
}

void Form1::applyPreset(int index, const std::array<SizePreset, 4>& presets, std::int32_t& targetSize,
    void (PreviewBox::*setPreviewTwips)(int), ClassicScrollBar* spinner)
{
    Q_ASSERT(!m_converting);
    // An entry outside the list changes neither size; the other steps run all the same.
    if (index >= 0 && index < static_cast<int>(presets.size())) {
        targetSize = presets[static_cast<std::size_t>(index)].pixels;
        (m_controls.Picture2->*setPreviewTwips)(presets[static_cast<std::size_t>(index)].previewTwips);
    }
    if (!blankPreview())
        return;
    // The spinner then covers 1..size and stands at its top.
    spinner->setMin(targetSize);
    spinner->setValue(targetSize);
    m_state.SampleStep = m_controls.HScroll2->value() / 10.0;
    m_controls.Text1->setText(scaleText());
    if (!yieldToEventQueue())
        return;
    DrawCaptureFrame();
    m_state.PixelGrid = PixelGrid(m_state.TargetWidth, m_state.TargetHeight);
}

void Form1::VScroll2_Change(int value)
{
    applySpinner(value, m_state.TargetWidth, m_controls.Combo2);
}

void Form1::VScroll3_Change(int value)
{
    applySpinner(value, m_state.TargetHeight, m_controls.Combo3);
}

void Form1::applySpinner(int value, std::int32_t& targetSize, ClassicComboBox* sizeBox)
{
    Q_ASSERT(!m_converting);
    sizeBox->setEditText(QString::number(value));
    targetSize = value;
    DrawCaptureFrame();
    m_state.PixelGrid = PixelGrid(m_state.TargetWidth, m_state.TargetHeight);
}

// ---------------------------------------------------------------------------
// Conversion and saving

void Form1::Command1_Click()
{
    Q_ASSERT(!m_converting);
    // Text typed into the format box leaves no entry chosen: nothing is
    // converted, and the preview, the status box and the bytes stay as they
    // were, matching each other.
    const std::optional<PixelFormat> format = pixelFormatFromIndex(static_cast<qint16>(m_controls.Combo1->currentIndex()));
    if (!format) {
        showMessage(QMessageBox::Information, WindowTitle, NoFormatText);
        return;
    }
    // The conversion samples the whole picture: a photo still being decoded
    // is finished first, and one that turns out damaged is not converted.
    if (!finishOpening())
        return;
    Convert(*format);
}

void Form1::Convert(PixelFormat format)
{
    beginConversion();
    const auto runEnd = qScopeGuard([this] { endConversion(); });
    if (!blankPreview())
        return;
    m_controls.Text1->setText(fromUtf8(ConvertingMessage));
    if (!yieldToEventQueue())
        return;

    const FrameSettings frame { m_state.TargetWidth, m_state.TargetHeight, m_state.SampleStep, m_state.FrameLeft,
        m_state.FrameTop };
    // The grid always matches the target size; a size change whose handler
    // is still waiting in a yield may not have recreated it yet.
    if (m_state.PixelGrid.width() != frame.targetWidth || m_state.PixelGrid.height() != frame.targetHeight)
        m_state.PixelGrid = PixelGrid(frame.targetWidth, frame.targetHeight);
    // Sampling reads the loaded picture's own pixels, whatever is scrolled into
    // view and whatever is drawn over it; opening is disabled while this runs.
    SamplingPass sampling(m_controls.Picture3->picture(), ReductionRequest { .frame = frame, .format = format },
        m_state.PixelGrid, *m_controls.Picture2, *m_progress);
    if (!sampling.run([this] { return yieldToEventQueue(); }) || !yieldToEventQueue())
        return;
    encodeAndReport(format);
}

void Form1::encodeAndReport(PixelFormat format)
{
    const bool runLength = formatInfo(format).runLength();
    if (runLength) {
        m_controls.Text1->setText(fromUtf8(CompressingMessage));
        if (!yieldToEventQueue())
            return;
    }
    bool abandoned = false;
    OutputBytes bytes = encode(format, m_state.PixelGrid, [&](int row, int rowCount, EncodePass pass) {
        if (abandoned)
            return;
        if (pass == EncodePass::Writing)
            m_progress->setValue(progressPercent(row, rowCount));
        if (!yieldToEventQueue())
            abandoned = true;
    });
    if (abandoned)
        return;
    m_state.OutputBytes = std::move(bytes);
    const std::string report = conversionReport(format, m_state.PixelGrid.width(), m_state.PixelGrid.height(),
        static_cast<std::int64_t>(m_state.OutputBytes.size()), QLocale::system().decimalPoint().toStdString());
    m_controls.Text1->setText(fromUtf8(report));
    if (runLength)
        yieldToEventQueue();
}

void Form1::file_save_Click()
{
    Q_ASSERT(!m_converting);
    if (m_state.OutputBytes.empty()) {
        showMessage(QMessageBox::Information, WindowTitle, nothingToSaveMessage());
        return;
    }
    const QString path = Module1::ShowFileDialog(QStringLiteral("Save"), QString(), nulSeparated({ "All Files", "*.*" }), 1);
    if (path.isEmpty())
        return;
    // A FIFO nobody reads is refused rather than waited for.
    const SaveResult saved = saveOutputBytes(path, m_state.OutputBytes, SaveOptions { .waitForReader = false });
    if (!saved.ok())
        showMessage(QMessageBox::Warning, WindowTitle, cannotSaveMessage(saved));
}

} // namespace rasterkit
