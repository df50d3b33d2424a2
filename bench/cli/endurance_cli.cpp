// Endurance of rasterkit-cli's conversion: every picture in a folder (ten
// thousand tiny ones, made by endurance-cli.sh) converted in one process
// through the same runConvert the command line uses, each into its own
// output file, the formats taken in turn. Prints the resident memory every
// five hundred conversions and fails when it grows by more than the allowed
// megabytes after the first hundred.
//
//   build/bench/rasterkit_endurance_cli PICTURE-FOLDER OUTPUT-FOLDER [allowed MiB]
#include "convertCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (!qEnvironmentVariableIsSet("RASTERKIT_CLI_GUI_MODULE"))
        qputenv("RASTERKIT_CLI_GUI_MODULE", RASTERKIT_BUILT_CLI_GUI_MODULE);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PICTURE-FOLDER OUTPUT-FOLDER [allowed MiB]\n", argv[0]);
        return 2;
    }
    const QDir pictures(QString::fromLocal8Bit(argv[1]));
    const QDir outputs(QString::fromLocal8Bit(argv[2]));
    const double allowedMiB = argc > 3 ? QByteArray(argv[3]).toDouble() : 4.0;
    const QStringList names = pictures.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty() || !outputs.exists()) {
        std::fprintf(stderr, "no pictures in %s, or no folder %s\n", argv[1], argv[2]);
        return 2;
    }

    QElapsedTimer clock;
    clock.start();
    double baseline = residentMiB();
    double highest = 0.0;
    std::printf("conversions  resident MiB  seconds\n");
    for (qsizetype index = 0; index < names.size(); ++index) {
        cli::ConvertOptions options;
        options.inputPath = pictures.filePath(names[index]);
        options.outputPath = outputs.filePath(names[index] + QStringLiteral(".raw"));
        options.request.format = AllPixelFormats[static_cast<std::size_t>(index % PixelFormatCount)];
        // A 16 x 16 frame whose samples read columns and rows 0..15.
        options.request.frame = FrameSettings { 16, 16, 1.0, -1, -1 };
        const cli::RunOutcome outcome = cli::runConvert(options, ".");
        if (!outcome.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(outcome.error));
            return 2;
        }
        const qsizetype run = index + 1;
        const double resident = residentMiB();
        if (run == 100)
            baseline = resident;
        if (run > 100)
            highest = std::max(highest, resident);
        if (run % 500 == 0 || run == 100 || run == names.size())
            std::printf("%11lld  %12.1f  %7.1f\n", static_cast<long long>(run), resident, clock.elapsed() / 1000.0);
    }
    const double growth = std::max(highest - baseline, 0.0);
    std::printf("growth after the first hundred: %.1f MiB at most (allowed %.1f)\n", growth, allowedMiB);
    return growth <= allowedMiB ? 0 : 1;
}
