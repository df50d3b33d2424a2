#include "form1.h"

#include "classiccombobox.h"
#include "classicscrollbar.h"
#include "messages.h"
#include "pictureboxes.h"
#include "statusbox.h"
#include "twips.h"

#include "convert/encoders.h"
#include "convert/pixelformat.h"
#include "convert/report.h"
#include "convert/sampling.h"
#include "output/outputfile.h"
#include "platform/filedialog.h"
#include "platform/picturefile.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

#include <array>
#include <string_view>

namespace rasterkit {

namespace {

const QString WindowTitle = QStringLiteral("Rasterkit v9");
// The title after an open: the name, a space, "v9", seven spaces, then the path.
const QString OpenedTitlePrefix = QStringLiteral("Rasterkit v9       ");

const QString AboutTitle = QStringLiteral("О программе");
const QString AboutText = QStringLiteral("Автор: Rasterkit developers\r\ne-mail: rasterkit@example.org");


// Size presets by list index. The preview sizes are fixed values, not a
// formula of the pixel count.
constexpr std::array<SizePreset, 4> WidthPresets { { { 128, 2005 }, { 132, 2055 }, { 176, 2725 }, { 320, 4815 } } };
constexpr std::array<SizePreset, 4> HeightPresets { { { 128, 2005 }, { 132, 2055 }, { 176, 2725 }, { 240, 3765 } } };

// Design-time geometry, in twips of the client area.
constexpr int ViewportLeft = 5040;
constexpr int ViewportTop = 120;
constexpr int ScrollBarThickness = 255;

// The classic layout is written for the outer size of a window frame that is
// 145 twips wider and 880 twips higher than its client area; these give the
// same layout from the client area alone.
constexpr int FrameExtraWidth = 145;
constexpr int FrameExtraHeight = 880;
constexpr int SmallestOuterSize = 2000;
constexpr int ViewportWidthMargin = 5430;  // client width - viewport width
constexpr int ViewportHeightMargin = 465;  // client height - viewport height
constexpr int VerticalBarFromRight = 405;  // client width - VScroll1's left
constexpr int HorizontalBarFromBottom = 360; // client height - HScroll1's top

// Scroll ranges stay within -32767..32767 so that negating a value always fits 16 bits.
int scrollRange(int twips)
{
    return std::clamp<int>(toInt16(twips), -32767, 32767);
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The format list, in format index order.
QStringList formatNames()
{
    QStringList names;
    for (const PixelFormat format : AllPixelFormats)
        names.append(fromUtf8(formatInfo(format).name));
    return names;
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

ClassicScrollBar* makeScrollBar(Qt::Orientation orientation, const char* name, QWidget* parent, QRect geometry,
    int min, int max, int value)
{
    auto* bar = new ClassicScrollBar(orientation, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setGeometry(geometry);
    bar->setMin(min);
    bar->setMax(max);
    bar->setValue(value);
    return bar;
}

ClassicComboBox* makeComboBox(const char* name, QWidget* parent, QRect geometry, const QStringList& entries,
    int shownEntry)
{
    auto* combo = new ClassicComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setGeometry(geometry);
    combo->addItems(entries);
    for (int index = 0; index < entries.size(); ++index)
        combo->setItemData(index, index);
    combo->setCurrentIndex(shownEntry);
    return combo;
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

    createControls();
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

    c.Picture2 = new PreviewBox(c.client);
    c.Picture2->setObjectName(QStringLiteral("Picture2"));
    c.Picture2->move(pixelsFromTwips(120), pixelsFromTwips(120));
    c.Picture2->setSizeTwips(4815, 3675);
    c.Picture2->setFocusPolicy(Qt::StrongFocus);

    c.Picture1 = new ViewportBox(c.client);
    c.Picture1->setObjectName(QStringLiteral("Picture1"));
    c.Picture1->move(pixelsFromTwips(ViewportLeft), pixelsFromTwips(ViewportTop));
    c.Picture1->setSizeTwips(4335, 5655);
    c.Picture1->setFocusPolicy(Qt::StrongFocus);

    client->addOutlined(c.Picture2);
    client->addOutlined(c.Picture1);

    c.Picture3 = new SourcePictureBox(c.Picture1);
    c.Picture3->setObjectName(QStringLiteral("Picture3"));
    c.Picture3->setPicture(SourcePictureBox::emptySurface(pixelsFromTwips(4335), pixelsFromTwips(5535)));
    c.Picture3->setFocusPolicy(Qt::StrongFocus);

    c.VScroll1 = makeScrollBar(Qt::Vertical, "VScroll1", c.client, rectFromTwips(9360, 120, 255, 5535), 0, 0, 0);
    c.HScroll1 = makeScrollBar(Qt::Horizontal, "HScroll1", c.client, rectFromTwips(5040, 5760, 4335, 255), 0, 0, 0);

    c.Command1 = new QPushButton(QStringLiteral("Конвертирование"), c.client);
    c.Command1->setObjectName(QStringLiteral("Command1"));
    c.Command1->setGeometry(rectFromTwips(120, 4080, 2055, 495));

    c.Text1 = new StatusBox(c.client);
    c.Text1->setObjectName(QStringLiteral("Text1"));
    c.Text1->setGeometry(rectFromTwips(2280, 4080, 2655, 1575));

    c.Combo1 = makeComboBox("Combo1", c.client, rectFromTwips(120, 4680, 2055, 315), formatNames(), 0);
    c.Combo2 = makeComboBox("Combo2", c.client, rectFromTwips(120, 5040, 735, 315),
        { QStringLiteral("128"), QStringLiteral("132"), QStringLiteral("176"), QStringLiteral("320") }, 3);
    c.VScroll2 = makeScrollBar(Qt::Vertical, "VScroll2", c.client, rectFromTwips(840, 5040, 255, 290), 320, 1, 320);
    c.Combo3 = makeComboBox("Combo3", c.client, rectFromTwips(1200, 5040, 735, 315),
        { QStringLiteral("128"), QStringLiteral("132"), QStringLiteral("176"), QStringLiteral("240") }, 3);
    c.VScroll3 = makeScrollBar(Qt::Vertical, "VScroll3", c.client, rectFromTwips(1910, 5040, 255, 290), 240, 1, 240);
    c.HScroll2 = makeScrollBar(Qt::Horizontal, "HScroll2", c.client, rectFromTwips(120, 5400, 2045, 255), 10, 50, 10);

    for (ClassicScrollBar* bar : { c.VScroll1, c.HScroll1, c.VScroll2, c.VScroll3, c.HScroll2 })
        bar->bar()->setFocusPolicy(Qt::StrongFocus);

    // Tab order: Command1, Combo1, Text1, HScroll1, VScroll1, Combo2, Picture2,
    // HScroll2, Picture1, Picture3, VScroll2, Combo3, VScroll3.
    const std::array<QWidget*, 13> tabOrder { c.Command1, c.Combo1, c.Text1, c.HScroll1->bar(), c.VScroll1->bar(),
        c.Combo2, c.Picture2, c.HScroll2->bar(), c.Picture1, c.Picture3, c.VScroll2->bar(), c.Combo3,
        c.VScroll3->bar() };
    for (std::size_t index = 1; index < tabOrder.size(); ++index)
        setTabOrder(tabOrder[index - 1], tabOrder[index]);

    c.file = menuBar()->addMenu(QStringLiteral("Файл"));
    c.file->setObjectName(QStringLiteral("file"));
    c.File_open = c.file->addAction(QStringLiteral("Открыть"));
    c.File_open->setObjectName(QStringLiteral("File_open"));
    c.file_save = c.file->addAction(QStringLiteral("Сохранить"));
    c.file_save->setObjectName(QStringLiteral("file_save"));
    c.Autor = c.file->addAction(QStringLiteral("О программе"));
    c.Autor->setObjectName(QStringLiteral("Autor"));
}

void Form1::connectHandlers()
{
    const Form1Controls& c = m_controls;
    connect(c.File_open, &QAction::triggered, this, &Form1::File_open_Click);
    connect(c.file_save, &QAction::triggered, this, &Form1::file_save_Click);
    connect(c.Autor, &QAction::triggered, this, &Form1::Autor_Click);
    connect(c.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);

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
}

void Form1::updateActions()
{
    // While a conversion runs, nothing that feeds it or reads its output may
    // be used; panning, resizing and the About box stay available.
    const bool idle = !m_converting;
    const Form1Controls& c = m_controls;
    for (QWidget* control : std::initializer_list<QWidget*> { c.Command1, c.Combo1, c.Combo2, c.Combo3, c.VScroll2,
             c.VScroll3, c.HScroll2 })
        control->setEnabled(idle);
    c.File_open->setEnabled(idle);
    c.file_save->setEnabled(idle);
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
    if (watched == m_controls.client && event->type() == QEvent::Resize)
        Form_Resize();
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
    c.VScroll1->setGeometry(rectFromTwips(clientWidth - VerticalBarFromRight, ViewportTop, ScrollBarThickness,
        c.Picture1->heightTwips()));
    c.HScroll1->setGeometry(rectFromTwips(ViewportLeft, clientHeight - HorizontalBarFromBottom,
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
    if (m_converting)
        return;
    const QString path = Module1::ShowFileDialog(QStringLiteral("Open"),
        nulSeparated({ "JPEG", "*.jpg", "BMP", "*.bmp", "GIF", "*.gif" }), nulSeparated({ "All Files", "*.*" }), 0);
    if (path.isEmpty())
        return;
    // By default a device or a FIFO is refused at once: reading it could wait
    // or run for ever.
    PictureLoadResult loaded = loadPicture(path);
    if (!loaded.ok()) {
        // Nothing of the working state has changed.
        showMessage(QMessageBox::Warning, WindowTitle, cannotOpenMessage(loaded));
        return;
    }
    m_controls.Picture3->setPicture(loaded.image);
    setWindowTitle(OpenedTitlePrefix + path);
    if (!yieldToEventQueue())
        return;
    m_controls.VScroll1->setValue(0);
    m_controls.HScroll1->setValue(0);
    m_controls.Picture3->setTopTwips(0);
    m_controls.Picture3->setLeftTwips(0);
    updateScrollRanges();
}

void Form1::updateScrollRanges()
{
    // How much larger the picture is than the viewport, outer sizes in twips;
    // negative when it is smaller, so that the bar can move it right or down.
    const Form1Controls& c = m_controls;
    c.VScroll1->setMax(scrollRange(c.Picture3->heightTwips() - c.Picture1->heightTwips()));
    c.HScroll1->setMax(scrollRange(c.Picture3->widthTwips() - c.Picture1->widthTwips()));
}

void Form1::HScroll1_Change(int value)
{
    m_controls.Picture3->setLeftTwips(static_cast<qint16>(-value));
}

void Form1::VScroll1_Change(int value)
{
    m_controls.Picture3->setTopTwips(static_cast<qint16>(-value));
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
    // Only a drag with the left button alone moves the frame.
    if (m_converting || buttons != Qt::LeftButton)
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
    if (m_converting)
        return;
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
    if (m_converting)
        return;
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
    if (m_converting)
        return;
    sizeBox->setEditText(QString::number(value));
    targetSize = value;
    DrawCaptureFrame();
    m_state.PixelGrid = PixelGrid(m_state.TargetWidth, m_state.TargetHeight);
}

// ---------------------------------------------------------------------------
// Conversion and saving

void Form1::Command1_Click()
{
    if (m_converting)
        return;
    Convert();
}

void Form1::Convert()
{
    m_converting = true;
    updateActions();
    struct RunEnd {
        Form1* form;
        ~RunEnd()
        {
            form->m_converting = false;
            form->updateActions();
        }
    } runEnd { this };

    if (!blankPreview())
        return;
    m_controls.Text1->setText(fromUtf8(ConvertingMessage));
    if (!yieldToEventQueue())
        return;

    const int formatIndex = static_cast<qint16>(m_controls.Combo1->currentIndex());
    const int width = m_state.TargetWidth;
    const int rows = m_state.TargetHeight;
    // The grid always matches the target size; a size change whose handler
    // is still waiting in a yield may not have recreated it yet.
    if (m_state.PixelGrid.width() != width || m_state.PixelGrid.height() != rows)
        m_state.PixelGrid = PixelGrid(width, rows);
    // Sampling reads the loaded picture's own pixels, whatever is scrolled into
    // view and whatever is drawn over it. Opening a picture is refused while
    // this runs, so the pixels stay put; the copy shares them.
    const QImage picture = m_controls.Picture3->picture();
    const Sampler sampler(sourceImageOf(picture),
        FrameSettings { width, rows, m_state.SampleStep, m_state.FrameLeft, m_state.FrameTop }, formatIndex);
    PreviewBox* preview = m_controls.Picture2;
    for (int row = 1; row <= rows; ++row) {
        sampler.sampleRow(row, m_state.PixelGrid);
        const auto values = m_state.PixelGrid.row(row);
        for (int column = 1; column <= width; ++column)
            preview->setPixel(column, row, sampler.previewColour(values[static_cast<std::size_t>(column - 1)]));
        preview->showDrawnPixels();
        m_progress->setValue(progressPercent(row, rows));
        if (!yieldToEventQueue())
            return;
    }
    if (!yieldToEventQueue())
        return;

    // No format chosen: no encoder, and the output keeps the last result.
    const std::optional<PixelFormat> format = pixelFormatFromIndex(formatIndex);
    if (!format)
        return;
    const bool runLength = formatInfo(*format).runLength;
    if (runLength) {
        m_controls.Text1->setText(fromUtf8(CompressingMessage));
        if (!yieldToEventQueue())
            return;
    }
    bool abandoned = false;
    OutputBytes bytes = encode(*format, m_state.PixelGrid, [&](int row, int rowCount, EncodePass pass) {
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
    const std::string report = conversionReport(*format, width, rows,
        static_cast<std::int64_t>(m_state.OutputBytes.size()), QLocale::system().decimalPoint().toStdString());
    m_controls.Text1->setText(fromUtf8(report));
    if (runLength)
        yieldToEventQueue();
}

void Form1::file_save_Click()
{
    if (m_converting)
        return;
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
