#include "windowtestsupport.h"

#include "window/classiccombobox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QStyleOptionSlider>
#include <QTest>

#include <cmath>

namespace rasterkit::test {

namespace {

QtMessageHandler testLogHandler = nullptr;

void dropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (testLogHandler != nullptr)
        testLogHandler(type, context, message);
}

} // namespace

void dropOffscreenPlatformNotes()
{
    QtMessageHandler previous = qInstallMessageHandler(dropPlatformNotes);
    if (previous != dropPlatformNotes)
        testLogHandler = previous;
}

ModalAnswerer::ModalAnswerer()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::look);
    m_timer.start();
}

void ModalAnswerer::look()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return;
    ModalSeen record;
    record.className = QString::fromLatin1(modal->metaObject()->className());
    record.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        record.text = box->text();
        record.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            record.buttons.append(button->text());
        seen.append(record);
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        if (ok != nullptr)
            ok->click();
        else
            box->reject();
        return;
    }
    seen.append(record);
    modal->close();
}

FileDialogAnswer::FileDialogAnswer(QString path)
{
    m_state->path = std::move(path);
    Module1::setFileDialogHook([state = m_state](const FileDialogRequest& request) {
        state->requests.append(request);
        if (state->whenAsked)
            state->whenAsked();
        return state->path;
    });
}

FileDialogAnswer::~FileDialogAnswer()
{
    Module1::setFileDialogHook({});
}

ShownForm::ShownForm()
    : form(std::make_unique<Form1>())
{
    form->move(20, 20);
    form->show();
    exposed = QTest::qWaitForWindowExposed(form.get());
}

bool chooseComboEntry(QComboBox* combo, int index)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); }))
        return false;
    const QRect item = view->visualRect(combo->model()->index(index, 0));
    if (item.isEmpty())
        return false;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    return QTest::qWaitFor([view] { return !view->isVisible(); });
}

void clickScrollArrow(QScrollBar* bar, QStyle::SubControl arrow, int times)
{
    for (int click = 0; click < times; ++click) {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.subControls = QStyle::SC_All;
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.upsideDown = bar->invertedAppearance();
        if (bar->orientation() == Qt::Horizontal)
            option.state |= QStyle::State_Horizontal;
        const QRect area = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow, bar);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, area.center());
    }
}

QRect thumbRect(QScrollBar* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

void moveMouseWithButtons(QWidget* widget, QPointF position, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, buttons,
        Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QImage flatPicture(QSize size, QRgb colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

QString writePicture(const QTemporaryDir& folder, const QString& name, const QImage& picture, const char* format)
{
    const QString path = folder.filePath(name);
    if (!picture.save(path, format))
        return {};
    return path;
}

void openPicture(Form1& form, const QString& path)
{
    const FileDialogAnswer answer(path);
    form.controls().File_open->trigger();
}

void convertWith(Form1& form, int formatIndex)
{
    const Form1Controls& c = form.controls();
    if (c.Combo1->currentIndex() != formatIndex)
        chooseComboEntry(c.Combo1, formatIndex);
    QTest::mouseClick(c.Command1, Qt::LeftButton);
}

QImage patternPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int red = 0;
            int green = 0;
            int blue = 0;
            if (y < height / 5) {
                // Long flat runs that go on across row ends.
                red = 200;
                green = 40;
                blue = 90;
            } else if (y < height / 2) {
                // A gradient: almost every pixel differs from the one before.
                red = (x * 255) / std::max(width - 1, 1);
                green = (y * 7) & 0xFF;
                blue = (x * y) & 0xFF;
            } else if (y < (height * 3) / 4) {
                // Stripes 9 pixels wide: longer than the shortest run limit.
                const bool even = (x / 9) % 2 == 0;
                red = even ? 255 : 16;
                green = even ? 255 : 48;
                blue = even ? 255 : 0;
            } else {
                // Blocks of four colours with a noisy diagonal.
                const int block = ((x / 20) + (y / 20)) % 4;
                static constexpr int Blocks[4][3] = { { 0, 0, 0 }, { 128, 128, 128 }, { 255, 0, 0 }, { 1, 130, 250 } };
                red = Blocks[block][0];
                green = Blocks[block][1];
                blue = Blocks[block][2];
                if ((x + y) % 37 == 0) {
                    red = (x * 13) & 0xFF;
                    green = (y * 29) & 0xFF;
                    blue = ((x + y) * 3) & 0xFF;
                }
            }
            picture.setPixel(x, y, qRgb(red, green, blue));
        }
    }
    return picture;
}

std::uint32_t colourAt(const QImage& picture, int x, int y)
{
    const QRgb pixel = picture.pixel(x, y);
    return static_cast<std::uint32_t>(qRed(pixel)) | (static_cast<std::uint32_t>(qGreen(pixel)) << 8)
        | (static_cast<std::uint32_t>(qBlue(pixel)) << 16);
}

QByteArray bytesOf(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

CliResult runCli(const QString& picturePath, const WorkingState& state, int formatIndex, const QString& workFolder)
{
    CliResult result;
    const QString outputPath = workFolder + QStringLiteral("/cli-output.raw");
    const QString reportPath = workFolder + QStringLiteral("/cli-report.txt");
    QFile::remove(outputPath);
    QFile::remove(reportPath);
    QProcess cli;
    cli.start(QStringLiteral(RASTERKIT_CLI_PATH),
        { QStringLiteral("convert"), picturePath, QStringLiteral("-o"), outputPath, QStringLiteral("-q"),
            QStringLiteral("-f"), QString::number(formatIndex), QStringLiteral("-W"), QString::number(state.TargetWidth),
            QStringLiteral("-H"), QString::number(state.TargetHeight), QStringLiteral("-s"),
            QString::number(state.SampleStep, 'g', 17),
            QStringLiteral("--origin=%1,%2").arg(state.FrameLeft).arg(state.FrameTop), QStringLiteral("--report"),
            reportPath });
    if (!cli.waitForFinished(30000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        result.error = QStringLiteral("rasterkit-cli failed (exit %1): %2")
                           .arg(cli.exitCode())
                           .arg(QString::fromUtf8(cli.readAllStandardError()));
        return result;
    }
    QFile output(outputPath);
    QFile report(reportPath);
    if (!output.open(QIODevice::ReadOnly) || !report.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("rasterkit-cli wrote no output or no report");
        return result;
    }
    result.output = output.readAll();
    result.report = report.readAll();
    return result;
}

std::uint32_t maskOf(int formatIndex)
{
    static constexpr std::uint32_t Masks[8] = { 0xF8FCF8, 0xF8FCF8, 0xF0F0F8, 0xF0F0F0, 0xE0E0E0, 0xC0E0E0, 0xC0E0E0,
        0xFFFFFF };
    return formatIndex >= 0 && formatIndex < 8 ? Masks[formatIndex] : 0;
}

int greyLevelOf(std::uint32_t colour)
{
    static constexpr double Weights[8] = { 0.0, 0.06, 0.12, 0.25, 0.5, 1.0, 2.0, 4.0 };
    double sum = 7.0;
    for (int channel = 0; channel < 3; ++channel) {
        const std::uint32_t value = (colour >> (8 * channel)) & 0xFF;
        for (int bit = 1; bit < 8; ++bit) {
            if (value & (1u << bit))
                sum += Weights[bit];
        }
    }
    return static_cast<int>(std::nearbyint(sum));
}

int nearestEven(double value)
{
    // The default floating-point rounding mode is to nearest, ties to even.
    return static_cast<int>(std::nearbyint(value));
}

int percentOf(int row, int rows)
{
    // In double precision, as the bar is driven: 138 / 240 x 100 is a hair
    // under 57.5 there and gives 57, while 6 / 240 x 100 is exactly 2.5 and
    // gives 2.
    return nearestEven(static_cast<double>(row) / rows * 100.0);
}

} // namespace rasterkit::test
