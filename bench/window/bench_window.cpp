// Goals: start-up to a shown window at most 300 ms; a 320 x 240 conversion,
// from the click to the report, at most 50 ms in every format; a photo open
// holds at most about twice its decoded size.
// Run under a real X server (xvfb-run -a) and under QT_QPA_PLATFORM=offscreen.
#include "window/classiccombobox.h"
#include "window/form1.h"
#include "window/pictureboxes.h"

#include "platform/filedialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
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
    window.show();
    if (!waitUntilExposed(window)) {
        state.SkipWithError("the window was never exposed");
        return;
    }
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
// to the picture painted. Counters: the memory the open photo holds beyond an
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
    window.show();
    if (!waitUntilExposed(window)) {
        state.SkipWithError("the window was never exposed");
        return;
    }
    settle();
    const double emptyWindow = memoryMegabytes().first;
    Module1::setFileDialogHook([path](const FileDialogRequest&) { return path; });
    for (auto _ : state) {
        window.controls().File_open->trigger();
        window.controls().Picture3->repaint();
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

} // namespace

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
