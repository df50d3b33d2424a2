// rasterkit-cli: the window's conversion, headless, for build scripts.

#include "cliOptions.h"
#include "convertCommand.h"

#include <QCoreApplication>
#include <QLocale>

#include <csignal>
#include <cstdio>
#include <string>

namespace {

void print(std::FILE* stream, const QByteArray& text)
{
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[])
{
    // A file size limit (ulimit -f) then makes a write fail with a message
    // instead of ending the program, and the temporary file is removed.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rasterkit-cli"));

    using namespace rasterkit::cli;
    const CliParseResult parsed = parseCommandLine(QCoreApplication::arguments());
    switch (parsed.action) {
    case CliAction::ShowHelp:
    case CliAction::ShowVersion:
        print(stdout, parsed.text.toUtf8());
        return parsed.exitCode;
    case CliAction::Fail:
        print(stderr, parsed.text.toUtf8());
        return parsed.exitCode;
    case CliAction::Convert:
        break;
    }

    // The ratio in the report is written with the user's regional decimal separator.
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    const ConvertOutcome outcome = runConvert(parsed.options, separator);
    if (!outcome.ok()) {
        print(stderr, QStringLiteral("rasterkit-cli: %1\n").arg(outcome.error).toUtf8());
        return outcome.exitCode;
    }
    if (!parsed.options.quiet) {
        const std::string text = terminalText(outcome.report);
        print(outcome.outputOnStandardOutput ? stderr : stdout, QByteArray::fromStdString(text));
    }
    return ExitSuccess;
}
