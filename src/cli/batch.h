#pragma once

// Converting many pictures in one call: which files the inputs name, the
// file each is converted into, and running the conversions on several
// threads while the terminal shows how far the batch has got.

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

namespace rasterkit::cli {

// One picture of a batch and the file it is converted into.
struct BatchItem {
    QString inputPath;
    QString outputPath;
    QString stem; // the input's file name without its last extension: "photo" for "photo.jpg"
};

// The pictures the inputs of a command line name.
struct InputList {
    QStringList paths;
    QString error; // names the input and the reason; empty on success
    bool fileError = false; // the error lies not in the command line but in the program's files (exit status 1)

    bool ok() const { return error.isEmpty(); }
};

// Whether an input is a name with wildcards (* ? [...]) that names no file
// as it stands: a pattern the shell was told not to expand.
bool isPattern(const QString& input);

// A file is taken as it is given; a folder stands for the pictures in it
// (files whose extension Qt's readers know, in either case, hidden files left
// out), a pattern for the files its last part matches, both in name order.
// A folder without pictures and a pattern that matches nothing are errors.
InputList expandInputs(const QStringList& inputs);

struct BatchPlan {
    std::vector<BatchItem> items;
    QString error; // empty on success

    bool ok() const { return error.isEmpty(); }
};

// Each input is converted into outputFolder/stem + extension. Two inputs that
// would write the same file, and an output that would replace an input, are
// refused, naming both.
BatchPlan planBatch(const QStringList& inputs, const QString& outputFolder, const QString& extension);

// What a batch's run came to.
struct BatchSummary {
    int converted = 0;
    int failed = 0;
    bool interrupted = false; // stopped before every picture was tried
};

// Converts one picture; returns the reason it failed (naming the file), or
// an empty string. Called on several threads at once.
using ConvertOne = std::function<QString(const BatchItem&)>;

struct BatchRunOptions {
    int jobs = 1;                              // threads converting at once
    std::FILE* messages = stderr;              // failures, one line each, as they happen
    bool showProgress = false;                 // a progress line on messages (a terminal)
    int columns = 80;                          // the terminal's width
    const std::atomic<int>* stop = nullptr;    // when not 0, no further picture is started
};

// Runs convertOne for every item, on up to jobs threads. Failures are
// printed as "rasterkit-cli: REASON" as they happen; the others go on. Each
// picture is converted by the same call whatever the number of threads, so
// the files written are the same too.
BatchSummary runBatch(
    const std::vector<BatchItem>& items, const ConvertOne& convertOne, const BatchRunOptions& options);

// The progress line: a bar, the pictures done of the total and the time
// left (once a picture is done), fitted into columns characters.
QString progressText(int done, int total, double secondsLeft, int columns);

// The width of the terminal on the file descriptor, or 80 when it cannot be told.
int terminalColumns(int fileDescriptor);

} // namespace rasterkit::cli
