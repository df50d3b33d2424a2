#include "batch.h"

#include "guifunctions.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <sys/ioctl.h>
#include <unistd.h>

namespace rasterkit::cli {

namespace {

bool hasWildcard(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('['));
}

// "*.jpg", "*.bmp", ... for every format Qt's readers know; nothing, with
// the problem, when the module that knows them cannot be loaded.
std::optional<QStringList> pictureNameFilters(QString& problem)
{
    const GuiFunctions* functions = guiFunctions(&problem);
    if (functions == nullptr)
        return std::nullopt;
    QStringList filters;
    for (const QString& format : functions->pictureFormats())
        filters << QStringLiteral("*.") + format;
    return filters;
}

// The file a path stands for, as one spelling: the real path of an existing
// file, the cleaned absolute path of one still to be written.
QString fileIdentity(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

void write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// "0:07", "12:30", "1:02:03": whole seconds, rounded up.
QString durationText(double seconds)
{
    const auto whole = static_cast<long long>(std::ceil(std::max(seconds, 0.0)));
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const long long rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(rest, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}

// Clears the terminal's line and puts the cursor at its start.
const QString ClearLine = QStringLiteral("\r\033[K");

} // namespace

bool isPattern(const QString& input)
{
    return hasWildcard(input) && !QFileInfo::exists(input);
}

InputList expandInputs(const QStringList& inputs)
{
    InputList list;
    const auto fail = [&](const QString& error) {
        list.paths.clear();
        list.error = error;
        return list;
    };
    for (const QString& input : inputs) {
        if (isPattern(input)) {
            const QFileInfo info(input);
            const QString pattern = info.fileName();
            const QString prefix = input.left(input.size() - pattern.size()); // "photos/", or nothing
            if (hasWildcard(prefix)) {
                return fail(QStringLiteral("\"%1\": wildcards are matched in file names only, not in folder names.")
                                .arg(input));
            }
            const QDir folder(prefix.isEmpty() ? QStringLiteral(".") : prefix);
            const QStringList names = folder.entryList({ pattern }, QDir::Files | QDir::CaseSensitive, QDir::Name);
            if (names.isEmpty())
                return fail(QStringLiteral("no file matches \"%1\".").arg(input));
            for (const QString& name : names)
                list.paths << prefix + name;
        } else if (QFileInfo(input).isDir()) {
            QString problem;
            const std::optional<QStringList> filters = pictureNameFilters(problem);
            if (!filters) {
                list.fileError = true;
                return fail(QStringLiteral("Cannot list the pictures in the folder \"%1\": the formats that can be "
                                           "read are known to a module, and %2.")
                                .arg(input, problem));
            }
            const QDir folder(input);
            const QStringList names = folder.entryList(*filters, QDir::Files, QDir::Name);
            if (names.isEmpty()) {
                return fail(QStringLiteral("the folder \"%1\" holds no picture (JPEG, PNG, BMP, GIF or another format "
                                           "Qt reads).")
                                .arg(input));
            }
            for (const QString& name : names)
                list.paths << folder.filePath(name);
        } else {
            list.paths << input;
        }
    }
    return list;
}

BatchPlan planBatch(const QStringList& inputs, const QString& outputFolder, const QString& extension)
{
    BatchPlan plan;
    const QDir folder(outputFolder);
    QHash<QString, QString> inputByOutput;
    QHash<QString, QString> inputByIdentity;
    for (const QString& input : inputs)
        inputByIdentity.insert(fileIdentity(input), input);
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        BatchItem item;
        item.inputPath = input;
        item.stem = info.completeBaseName();
        if (item.stem.isEmpty())
            item.stem = info.fileName(); // ".jpg" alone
        item.outputPath = folder.filePath(item.stem + extension);
        const QString output = fileIdentity(item.outputPath);
        if (const auto earlier = inputByOutput.constFind(output); earlier != inputByOutput.cend()) {
            plan.error = QStringLiteral("\"%1\" and \"%2\" would both be converted into \"%3\": convert them in "
                                        "separate calls or rename one.")
                             .arg(earlier.value(), input, item.outputPath);
            plan.items.clear();
            return plan;
        }
        if (const auto replaced = inputByIdentity.constFind(output); replaced != inputByIdentity.cend()) {
            plan.error = QStringLiteral("converting \"%1\" would replace the input picture \"%2\": choose another "
                                        "output folder.")
                             .arg(input, replaced.value());
            plan.items.clear();
            return plan;
        }
        inputByOutput.insert(output, input);
        plan.items.push_back(std::move(item));
    }
    return plan;
}

QString progressText(int done, int total, double secondsLeft, int columns)
{
    const int width = int(QString::number(total).size());
    QString counts = QStringLiteral(" %1/%2 pictures").arg(done, width).arg(total);
    if (secondsLeft >= 0 && done < total)
        counts += QStringLiteral(", %1 left").arg(durationText(secondsLeft));
    // The line stays short of the last column, where terminals wrap.
    const int barWidth = std::min(40, columns - 1 - int(counts.size()) - 2);
    if (barWidth < 10)
        return counts.trimmed().left(std::max(columns - 1, 0));
    const int filled = total > 0 ? int(std::int64_t(barWidth) * done / total) : barWidth;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char('.'))
        + QLatin1Char(']') + counts;
}

int terminalColumns(int fileDescriptor)
{
    winsize size {};
    if (::ioctl(fileDescriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

namespace {

using Clock = std::chrono::steady_clock;

// What the workers of a batch share, under the mutex.
struct BatchState {
    std::mutex mutex;
    std::condition_variable changed;
    int finished = 0;
    int failed = 0;
    QStringList pendingMessages;
    int runningWorkers = 0;
};

// Shows on the calling thread what the workers report: failures as they
// come, and the progress line at most a few times a second.
class ProgressPrinter {
public:
    ProgressPrinter(const BatchRunOptions& options, int total)
        : m_options(options)
        , m_total(total)
        , m_start(Clock::now())
    {
        if (options.showProgress) // at once, so that even a short batch shows what it is doing
            showProgress(0, m_start, -1.0);
    }

    void show(const QStringList& messages, int done, bool over)
    {
        for (const QString& message : messages) {
            write(m_options.messages,
                (m_progressShown ? ClearLine : QString()) + QStringLiteral("rasterkit-cli: %1\n").arg(message));
            m_progressShown = false;
        }
        const Clock::time_point now = Clock::now();
        const bool due = !m_progressShown || (done != m_shownDone && now - m_shownAt >= std::chrono::milliseconds(100))
            || now - m_shownAt >= std::chrono::seconds(1);
        if (m_options.showProgress && !over && due) {
            const double elapsed = std::chrono::duration<double>(now - m_start).count();
            showProgress(done, now, done > 0 ? elapsed / done * (m_total - done) : -1.0);
        }
    }

    // Clears the progress line once the batch is over.
    void finish()
    {
        if (m_progressShown)
            write(m_options.messages, ClearLine);
    }

private:
    void showProgress(int done, Clock::time_point now, double secondsLeft)
    {
        write(m_options.messages, ClearLine + progressText(done, m_total, secondsLeft, m_options.columns));
        m_progressShown = true;
        m_shownDone = done;
        m_shownAt = now;
    }

    const BatchRunOptions& m_options;
    int m_total;
    Clock::time_point m_start;
    bool m_progressShown = false;
    int m_shownDone = -1;
    Clock::time_point m_shownAt;
};

// Waits for the workers, showing what they report, until the last has ended.
void watchWorkers(BatchState& state, ProgressPrinter& printer)
{
    int seenDone = 0;
    std::unique_lock lock(state.mutex);
    for (;;) {
        state.changed.wait_for(lock, std::chrono::milliseconds(200), [&] {
            return !state.pendingMessages.isEmpty() || state.finished != seenDone || state.runningWorkers == 0;
        });
        const QStringList messages = std::exchange(state.pendingMessages, {});
        seenDone = state.finished;
        const bool over = state.runningWorkers == 0;
        lock.unlock();
        printer.show(messages, seenDone, over);
        if (over)
            return;
        lock.lock();
    }
}

} // namespace

BatchSummary runBatch(const std::vector<BatchItem>& items, const ConvertOne& convertOne, const BatchRunOptions& options)
{
    const int total = static_cast<int>(items.size());
    const auto stopRequested = [&] { return options.stop != nullptr && options.stop->load() != 0; };
    BatchState state;
    state.runningWorkers = std::clamp(options.jobs, 1, std::max(total, 1));

    std::atomic<std::size_t> next { 0 };
    const auto work = [&] {
        for (;;) {
            const std::size_t index = stopRequested() ? items.size() : next.fetch_add(1);
            if (index >= items.size())
                break;
            QString error = convertOne(items[index]);
            const std::lock_guard lock(state.mutex);
            ++state.finished;
            if (!error.isEmpty()) {
                ++state.failed;
                state.pendingMessages << std::move(error);
            }
            state.changed.notify_one();
        }
        const std::lock_guard lock(state.mutex);
        --state.runningWorkers;
        state.changed.notify_one();
    };
    std::vector<std::thread> workers;
    workers.reserve(std::size_t(state.runningWorkers));
    for (int worker = state.runningWorkers; worker > 0; --worker)
        workers.emplace_back(work);

    ProgressPrinter printer(options, total);
    watchWorkers(state, printer);
    for (std::thread& worker : workers)
        worker.join();
    printer.finish();

    BatchSummary summary;
    summary.failed = state.failed;
    summary.converted = state.finished - state.failed;
    summary.interrupted = state.finished < total;
    return summary;
}

} // namespace rasterkit::cli
