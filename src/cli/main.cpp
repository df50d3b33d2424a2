// rasterkit-cli: the window's conversion, headless, for build scripts, and
// the commands that check its files.

#include "cliOptions.h"
#include "compareCommand.h"
#include "convertCommand.h"
#include "decodeCommand.h"
#include "formatsCommand.h"
#include "patternCommand.h"
#include "planCommand.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <string>
#include <variant>

namespace {

using namespace rasterkit::cli;

void print(std::FILE* stream, const QByteArray& text)
{
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stream);
    std::fflush(stream);
}

int finish(const Reply& reply)
{
    print(reply.exitCode == ExitSuccess ? stdout : stderr, reply.text.toUtf8());
    return reply.exitCode;
}

template<typename Options, typename Run>
int execute(const std::variant<Options, Reply>& parsed, Run run)
{
    if (const Reply* reply = std::get_if<Reply>(&parsed))
        return finish(*reply);
    const RunOutcome outcome = run(std::get<Options>(parsed));
    if (!outcome.notice.isEmpty())
        print(stderr, QStringLiteral("rasterkit-cli: %1\n").arg(outcome.notice).toUtf8());
    if (!outcome.ok()) {
        print(stderr, QStringLiteral("rasterkit-cli: %1\n").arg(outcome.error).toUtf8());
        return outcome.exitCode;
    }
    print(outcome.outputOnStandardOutput ? stderr : stdout, QByteArray::fromStdString(outcome.printed));
    return ExitSuccess;
}

// Runs the convert command. The ratio in the report is written with the
// user's regional decimal separator; looking the region up takes time and
// half a megabyte, so only for a report that is shown or written.
int convert(const QStringList& arguments)
{
    return execute(parseConvert(arguments), [](const ConvertOptions& options) {
        const bool reportUsed = options.batch.empty() && (!options.quiet || !options.reportPath.isEmpty());
        const std::string separator = reportUsed ? QLocale::system().decimalPoint().toStdString() : std::string(".");
        return runConvert(options, separator);
    });
}

// Every command: its description and how it runs, in the order the help lists them.
struct Command {
    const CommandSpec& (*definition)();
    int (*run)(const QStringList& arguments);
};

const std::array<Command, 6> Commands { {
    { convertCommand, convert },
    { compareCommand, [](const QStringList& arguments) { return execute(parseCompare(arguments), runCompare); } },
    { planCommand, [](const QStringList& arguments) { return execute(parsePlan(arguments), runPlan); } },
    { decodeCommand, [](const QStringList& arguments) { return execute(parseDecode(arguments), runDecode); } },
    { patternCommand, [](const QStringList& arguments) { return execute(parsePattern(arguments), runPattern); } },
    { formatsCommand, [](const QStringList& arguments) { return execute(parseFormats(arguments), runFormats); } },
} };

// "the commands are convert, compare, plan, decode, pattern and formats".
QString commandList()
{
    QStringList names;
    for (const Command& command : Commands)
        names << command.definition().name;
    return QStringLiteral("the commands are %1").arg(spokenList(names));
}

// Without a command: the program's help, its version, or what is wrong.
Reply withoutCommand(const QStringList& arguments, std::span<const CommandSpec* const> commands)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version(QStringList { QStringLiteral("v"), QStringLiteral("version") });
    parser.addOptions({ help, version });
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help))
        return Reply { ExitSuccess, programHelp(commands) };
    if (parsed && parser.isSet(version))
        return Reply { ExitSuccess, versionText() };
    if (arguments.size() > 1)
        return programFailure(QStringLiteral("no command given: %1.").arg(commandList()));
    return Reply { ExitArgumentError,
        QStringLiteral("rasterkit-cli: no command given; %1.\n\n").arg(commandList()) + programHelp(commands) };
}

} // namespace

int main(int argc, char* argv[])
{
    // A file size limit (ulimit -f) then makes a write fail with a message
    // instead of ending the program, and the temporary file is removed.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rasterkit-cli"));

    std::array<const CommandSpec*, Commands.size()> commands {};
    std::transform(Commands.begin(), Commands.end(), commands.begin(), [](const Command& command) { return &command.definition(); });
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = commandName(arguments, commands);
    if (name.isEmpty())
        return finish(withoutCommand(arguments, commands));
    for (const Command& command : Commands) {
        if (name == command.definition().name)
            return command.run(arguments);
    }
    return finish(programFailure(QStringLiteral("unknown command \"%1\": %2.").arg(name, commandList())));
}
