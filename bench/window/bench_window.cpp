// Goals: start-up to a shown window at most 300 ms; a 320 x 240 conversion,
// from the click to the report, at most 50 ms in every format; a photo open
// holds at most about twice its decoded size; a 16-megapixel photo, from its
// choice in the open dialog to the picture on the screen, in at most a
// quarter of the time it takes through Qt's reader.
// Run under a real X server (xvfb-run -a) and under QT_QPA_PLATFORM=offscreen.
// RASTERKIT_BENCH_PHOTO names the photo OpenPhotoToShown opens
// (bench/compare-peers.sh makes one with ImageMagick); without it a
// 4096 x 4096 JPEG is written here.
#include "window/classiccombobox.h"
#include "window/form1.h"
#include "window/pictureboxes.h"

#include "platform/filedialog.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <memory>

using namespace rasterkit;

namespace {

// Runs the event loop until the window is on the screen.
bool waitUntilExposed(QWidget& window)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed())
            return true;
    }
    return false;
}

// Shows the window and runs the event loop until it is on the screen; a
// window never exposed skips the benchmark.
bool showWindow(QWidget& window, benchmark::State& state)
{
    window.show();
    if (waitUntilExposed(window))
        return true;
    state.SkipWithError("the window was never exposed");
    return false;
}

void settle()
{
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();
}

void StartupToShownWindow(benchmark::State& state)
{
    for (auto _ : state) {
        auto window = std::make_unique<Form1>();
        window->show();
        if (!waitUntilExposed(*window)) {
            state.SkipWithError("the window was never exposed");
            return;
        }
        state.PauseTiming();
        window.reset();
        settle();
        state.ResumeTiming();
    }
}

// A photo-like picture: gradients with detail, so the run-length formats
// meet both long runs and changing pixels.
QImage benchmarkPicture()
{
    QImage picture(480, 360, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int band = (y / 40) % 3;
            const int red = band == 0 ? 200 : (x * 255) / 479;
            const int green = band == 1 ? 90 : (y * 255) / 359;
            const int blue = ((x / 16 + y / 16) % 2) * 120 + ((x * y) % 7);
            picture.setPixel(x, y, qRgb(red, green, blue));
        }
    }
    return picture;
}

void ConvertFrame(benchmark::State& state)
{
    const int format = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.bmp"));
    if (!benchmarkPicture().save(path)) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    Form1 window;
    if (!showWindow(window, state))
        return;
    const Form1Controls& c = window.controls();
    Module1::setFileDialogHook([path](const FileDialogRequest&) { return path; });
    c.File_open->trigger();
    Module1::setFileDialogHook({});
    QMouseEvent drag(QEvent::MouseMove, QPointF(240, 180), c.Picture3->mapToGlobal(QPointF(240, 180)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(c.Picture3, &drag);
    c.Combo1->setCurrentIndex(format);
    settle();
    for (auto _ : state) {
        c.Command1->click(); // returns once the report is shown
        state.PauseTiming();
        if (window.state().OutputBytes.empty())
            state.SkipWithError("no output");
        settle();
        state.ResumeTiming();
    }
    state.SetLabel(c.Combo1->currentText().toStdString());
}

// Resident and peak memory of this process, in MiB, from /proc.
std::pair<double, double> memoryMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    double resident = 0;
    double peak = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == "VmRSS:")
                resident = fields[1].toDouble() / 1024;
            if (fields.size() >= 2 && fields[0] == "VmHWM:")
                peak = fields[1].toDouble() / 1024;
        }
    }
    return { resident, peak };
}

// Opening a phone photo (4:3, range(0) megapixels) from the dialog's answer
// to the picture painted and decoded to its last row. Counters: the memory the open photo holds beyond an
// empty window, against the decoded picture's size (goal: at most about 2).
void OpenPhoto(benchmark::State& state)
{
    const double megapixels = static_cast<double>(state.range(0));
    const int width = static_cast<int>(std::lround(std::sqrt(megapixels * 1e6 * 4 / 3)));
    const int height = width * 3 / 4;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("photo.jpg"));
    {
        QImage photo(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = qRgb((x * 255) / width, (y * 255) / height, ((x / 32 + y / 32) % 2) * 160 + (x * y) % 13);
        }
        if (!photo.save(path, "JPEG", 90)) {
            state.SkipWithError("cannot write the photo");
            return;
        }
    }
    Form1 window;
    if (!showWindow(window, state))
        return;
    settle();
    const double emptyWindow = memoryMegabytes().first;
    Module1::setFileDialogHook([path](const FileDialogRequest&) { return path; });
    for (auto _ : state) {
        window.controls().File_open->trigger();
        window.controls().Picture3->repaint();
        while (window.isOpening()) // the rows below the first screenful
            QCoreApplication::processEvents();
    }
    Module1::setFileDialogHook({});
    settle();
    const auto [resident, peak] = memoryMegabytes();
    const double pictureMegabytes = double(width) * height * 4 / (1 << 20);
    state.counters["picture_MiB"] = pictureMegabytes;
    state.counters["held_MiB"] = resident - emptyWindow;
    state.counters["held_per_picture"] = (resident - emptyWindow) / pictureMegabytes;
    state.counters["peak_MiB"] = peak;
    state.SetLabel(std::to_string(width) + " x " + std::to_string(height));
}

// A 4096 x 4096 photo-like JPEG: smooth gradients with grain, about as
// costly to decode as a phone's photo of that size.
QString writeBenchmarkPhoto(const QString& path)
{
    QImage photo(4096, 4096, QImage::Format_RGB32);
    QRandomGenerator grain(7);
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int noise = int(grain.bounded(48u)) - 24;
            line[x] = qRgb(qBound(0, x / 16 + noise, 255), qBound(0, y / 16 + noise, 255),
                qBound(0, (x + y) / 32 + noise, 255));
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    return writer.write(photo) ? path : QString();
}

const QString& benchmarkPhotoPath()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString given = qEnvironmentVariable("RASTERKIT_BENCH_PHOTO");
        if (!given.isEmpty())
            return given;
        return writeBenchmarkPhoto(folder.filePath(QStringLiteral("photo.jpg")));
    }();
    return path;
}

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget)
    {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Runs the event loop until the widget has painted since the counter was
// reset. Painting and flushing to the screen happen in one pass of the
// loop, so when that pass returns the picture is on the screen.
bool waitUntilPainted(const PaintCounter& counter)
{
    QElapsedTimer clock;
    clock.start();
    while (counter.paints == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return counter.paints > 0;
}

// The way the window decoded pictures before its own JPEG decoder: Qt's
// reader over the file's bytes, then the layout the window samples.
QImage decodeWithQtReader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QBuffer buffer;
    buffer.setData(file.readAll());
    buffer.open(QIODevice::ReadOnly);
    QImageReader::setAllocationLimit(1024);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read().convertToFormat(QImage::Format_RGBX8888);
}

enum class PhotoDecoder { Window, QtReader };

// From the choice of a 16-megapixel JPEG in the open dialog to the picture
// painted on the screen. With the window's decoder the window's own Open
// command runs; with Qt's reader the same steps are taken by hand (the
// dialog, the decode, the picture box, the title), leaving out the window's
// scroll bar updates, so that its figure is if anything too low.
void OpenPhotoToShown(benchmark::State& state)
{
    const auto decoder = static_cast<PhotoDecoder>(state.range(0));
    const QString photoPath = benchmarkPhotoPath();
    QTemporaryDir folder;
    const QString smallPath = folder.filePath(QStringLiteral("small.bmp"));
    const QSize photoSize = QImageReader(photoPath).size();
    if (photoSize.isEmpty() || !QImage(8, 8, QImage::Format_RGB32).save(smallPath)) {
        state.SkipWithError("cannot write the pictures");
        return;
    }
    Form1 window;
    if (!showWindow(window, state))
        return;
    const Form1Controls& c = window.controls();
    PaintCounter counter(c.Picture3);
    const auto openSmallPicture = [&] {
        Module1::setFileDialogHook([&](const FileDialogRequest&) { return smallPath; });
        c.File_open->trigger();
        settle();
    };
    for (auto _ : state) {
        state.PauseTiming();
        openSmallPicture(); // so that each round replaces a small picture with the photo
        Module1::setFileDialogHook([&](const FileDialogRequest&) { return photoPath; });
        counter.paints = 0;
        state.ResumeTiming();
        if (decoder == PhotoDecoder::Window) {
            c.File_open->trigger();
        } else {
            const QString chosen = Module1::ShowFileDialog(QStringLiteral("Open"), QString(), QString(), 0);
            const QImage picture = decodeWithQtReader(chosen);
            c.Picture3->setPicture(picture);
            window.setWindowTitle(chosen);
        }
        if (!waitUntilPainted(counter))
            state.SkipWithError("the picture was never painted");
        state.PauseTiming();
        if (c.Picture3->size() != photoSize)
            state.SkipWithError("the photo was not opened");
        Module1::setFileDialogHook({});
        state.ResumeTiming();
    }
    state.SetLabel(decoder == PhotoDecoder::Window ? "window's decoder" : "Qt's reader");
}

} // namespace

BENCHMARK(OpenPhotoToShown)->Arg(int(PhotoDecoder::Window))->Arg(int(PhotoDecoder::QtReader))->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->ReportAggregatesOnly(true)->UseRealTime();
BENCHMARK(OpenPhoto)->Arg(16)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(StartupToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->ReportAggregatesOnly(true)->UseRealTime();
BENCHMARK(ConvertFrame)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        // The very first window of the process also loads fonts, styles and
        // the platform plugin's resources: what a user waits for.
        QElapsedTimer clock;
        clock.start();
        Form1 window;
        window.show();
        const bool shown = waitUntilExposed(window);
        std::printf("First start-up to a shown window: %.1f ms%s\n", clock.nsecsElapsed() / 1e6,
            shown ? "" : " (never exposed)");
    }
    settle();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
