// Endurance of the window: ten thousand conversions in one window process,
// across every format, preset and spinner size and scale, at frames dragged
// all over the picture, with another picture opened every fifty conversions.
// Prints the resident memory every few hundred conversions and fails when it
// grows by more than the allowed megabytes after the first hundred.
//
//   xvfb-run -a build/bench/rasterkit_endurance_window [conversions] [allowed MiB]
//   QT_QPA_PLATFORM=offscreen build/bench/rasterkit_endurance_window
#include "window/classiccombobox.h"
#include "window/classicscrollbar.h"
#include "window/form1.h"
#include "window/pictureboxes.h"

#include "platform/filedialog.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

#include <unistd.h>

using namespace rasterkit;

namespace {

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() < 2 ? 0.0 : fields[1].toDouble() * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// Gradients, stripes and noise, so that every encoder meets long and short runs.
QImage testPicture(int width, int height, int seed)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int stripe = ((x + seed) / 13 + y / 17) % 3;
            picture.setPixel(x, y, qRgb(stripe == 0 ? 230 : (x * 255) / width, stripe == 1 ? 40 : (y * 255) / height,
                                       (x * y + seed) % 5 == 0 ? 255 : (seed * 37) & 0xFF));
        }
    }
    return picture;
}

void dragFrameTo(Form1& form, QPointF position)
{
    QWidget* picture = form.controls().Picture3;
    QMouseEvent move(QEvent::MouseMove, position, picture->mapToGlobal(position), Qt::NoButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(picture, &move);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int conversions = argc > 1 ? std::max(QByteArray(argv[1]).toInt(), 200) : 10000;
    const double allowedMiB = argc > 2 ? QByteArray(argv[2]).toDouble() : 4.0;

    QTemporaryDir folder;
    QStringList pictures;
    const std::pair<const char*, QSize> made[] { { "pattern.bmp", { 400, 300 } }, { "photo.jpg", { 1600, 1200 } },
        { "small.png", { 90, 70 } }, { "wide.jpg", { 2400, 160 } }, { "square.bmp", { 320, 320 } } };
    for (const auto& [name, size] : made) {
        pictures.append(folder.filePath(QLatin1String(name)));
        if (!testPicture(size.width(), size.height(), static_cast<int>(pictures.size())).save(pictures.last())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(pictures.last()));
            return 2;
        }
    }
    pictures.append(QStringLiteral(RASTERKIT_TEST_DATA "/known.gif"));
    std::size_t nextPicture = 0;
    Module1::setFileDialogHook([&](const FileDialogRequest&) { return pictures[nextPicture++ % pictures.size()]; });

    Form1 form;
    form.show();
    const Form1Controls& c = form.controls();
    std::mt19937 random(9);
    auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };

    QElapsedTimer clock;
    clock.start();
    double baseline = 0.0;
    double highest = 0.0;
    std::printf("conversions  resident MiB  seconds\n");
    for (int run = 1; run <= conversions; ++run) {
        if (run % 50 == 1)
            c.File_open->trigger();
        if (run % 7 == 0)
            emit (pick(2) == 0 ? c.Combo2 : c.Combo3)->activated(pick(4));
        c.VScroll2->setValue(1 + pick(c.VScroll2->min()));
        c.VScroll3->setValue(1 + pick(c.VScroll3->min()));
        c.HScroll2->setValue(10 + pick(41));
        const QImage& shown = c.Picture3->picture();
        dragFrameTo(form, QPointF(pick(shown.width() + 100) - 50, pick(shown.height() + 100) - 50));
        c.Combo1->setCurrentIndex((run - 1) % 8);
        c.Command1->click();
        QCoreApplication::processEvents();
        if (form.state().OutputBytes.empty()) {
            std::fprintf(stderr, "conversion %d gave no output\n", run);
            return 2;
        }
        const double resident = residentMiB();
        if (run == 100)
            baseline = resident;
        if (run > 100)
            highest = std::max(highest, resident);
        if (run % 500 == 0 || run == 100)
            std::printf("%11d  %12.1f  %7.1f\n", run, resident, clock.elapsed() / 1000.0);
        std::fflush(stdout);
    }
    std::printf("growth after the first hundred: %.1f MiB at most (allowed %.1f)\n", highest - baseline, allowedMiB);
    Module1::setFileDialogHook({});
    return highest - baseline <= allowedMiB ? 0 : 1;
}
