// The module over Qt Gui that rasterkit-cli loads only when a run needs it:
// each kind of run gives the bytes the program wrote before the module was
// split off (golden files), with the module and, where it is not needed,
// without it; where it is needed, a module that cannot be loaded fails the
// run with its path and the reason, and leaves no file behind.

#include "clirunner.h"
#include "knownpictures.h"

#include <QDir>
#include <QLibraryInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QString ModuleVariable = QStringLiteral("RASTERKIT_CLI_GUI_MODULE");

struct ModuleRunCase {
    const char* name;
    QStringList arguments; // %D/ stands for tests/data/; files are written in the working folder
    const char* output;    // the file written
    const char* golden;    // in tests/data/golden; nullptr when only the run's success is checked
    bool needsModule;
};

void PrintTo(const ModuleRunCase& row, std::ostream* out)
{
    *out << row.name;
}

QStringList expanded(const QStringList& arguments)
{
    QStringList result;
    for (QString argument : arguments)
        result << argument.replace(QStringLiteral("%D/"), knownpictures::dataPath(QString()));
    return result;
}

class ModuleRunTest : public testing::TestWithParam<ModuleRunCase> {};

TEST_P(ModuleRunTest, GivesTheSameBytesAndNeedsTheModuleOnlyWhenItMust)
{
    const ModuleRunCase& row = GetParam();
    const QString missing = QStringLiteral("/nonexistent/librasterkit-cli-gui.so");
    for (const bool withModule : { true, false }) {
        SCOPED_TRACE(withModule ? "with the module" : "without the module");
        QTemporaryDir folder;
        const CliRun run = runCli(expanded(row.arguments), folder.path(),
            withModule ? EnvironmentChanges {} : EnvironmentChanges { { ModuleVariable, missing } });
        ASSERT_TRUE(run.finished);
        const QString output = folder.filePath(QString::fromLatin1(row.output));
        if (!withModule && row.needsModule) {
            EXPECT_EQ(run.exitCode, 1);
            const QString error = QString::fromUtf8(run.standardError);
            EXPECT_TRUE(error.startsWith(QStringLiteral("rasterkit-cli: "))) << error.toStdString();
            EXPECT_TRUE(error.contains(QStringLiteral("the module \"%1\" cannot be loaded: ").arg(missing)))
                << error.toStdString();
            EXPECT_TRUE(error.contains(QStringLiteral("No such file or directory"))) << error.toStdString();
            EXPECT_FALSE(QFileInfo::exists(output)) << "a file was written";
            continue;
        }
        ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
        if (row.golden != nullptr) {
            const auto expected = readBytes(knownpictures::dataPath(QStringLiteral("golden/") + QLatin1String(row.golden)));
            ASSERT_FALSE(expected.empty()) << row.golden;
            const auto written = readBytes(output);
            EXPECT_EQ(firstDifference(written, expected), -1) << written.size() << " bytes, " << expected.size() << " expected";
        } else {
            EXPECT_TRUE(QFileInfo::exists(output));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, ModuleRunTest,
    testing::Values(
        ModuleRunCase { "JpegToRaw",
            { "convert", "%D/photo.jpg", "-o", "out.raw", "-f", "rgb565", "-W", "32", "-H", "24", "--origin", "150,90" },
            "out.raw", "photo-rgb565-32x24.raw", false },
        ModuleRunCase { "JpegToCHeader",
            { "convert", "%D/photo.jpg", "-o", "out.h", "-f", "rgb565", "-W", "32", "-H", "24", "--origin", "150,90",
                "--c-array", "photo", "-q" },
            "out.h", nullptr, false },
        ModuleRunCase { "JpegsInABatch", { "convert", "%D/photo.jpg", "%D/jpeg/grey.jpg", "-o", "out/", "-q" },
            "out/photo.raw", nullptr, false },
        // 16 bits a channel, alpha blended over the background.
        ModuleRunCase { "PngToRaw",
            { "convert", "%D/png/rgba-16.png", "-o", "out.raw", "-f", "rgb565", "-W", "32", "-H", "20", "--origin",
                "3,1", "--background", "102030" },
            "out.raw", "png-rgba16-rgb565-32x20.raw", false },
        ModuleRunCase { "PngsInABatch",
            { "convert", "%D/png/palette-8-trns.png", "%D/png/grey-16-interlaced.png", "-o", "out/", "-q" },
            "out/grey-16-interlaced.raw", nullptr, false },
        ModuleRunCase { "PngPreview",
            { "convert", "%D/png/rgba-8.png", "-o", "out.raw", "-W", "8", "-H", "6", "--preview", "out.png", "-q" },
            "out.png", nullptr, true },
        ModuleRunCase { "BmpToRaw",
            { "convert", "%D/known.bmp", "-o", "out.raw", "-f", "rgb444x4", "-W", "32", "-H", "24", "--origin", "5,7" },
            "out.raw", "known-bmp-rgb444x4-32x24.raw", true },
        ModuleRunCase { "TransparentGifToRaw",
            { "convert", "%D/transparent.gif", "-o", "out.raw", "-f", "rgb332", "-W", "20", "-H", "12", "--origin",
                "2,2", "--background", "102030" },
            "out.raw", "transparent-gif-rgb332-20x12.raw", true },
        ModuleRunCase { "JpegPreview",
            { "convert", "%D/photo.jpg", "-o", "out.raw", "-f", "rgb333x7", "-W", "32", "-H", "24", "--origin", "40,30",
                "--dither", "ordered", "--preview", "out.png", "-q" },
            "out.png", "photo-preview-rgb333x7-32x24.png", true },
        ModuleRunCase { "DecodeToPng",
            { "decode", "%D/golden/known-bmp-rgb444x4-32x24.raw", "-f", "rgb444x4", "-W", "32", "-H", "24", "-o",
                "out.png" },
            "out.png", "known-bmp-rgb444x4-32x24.png", true },
        ModuleRunCase { "CompareSheet", { "compare", "%D/known.gif", "--sheet", "out.png", "-W", "12", "-H", "8" },
            "out.png", "known-gif-sheet-12x8.png", true },
        ModuleRunCase { "FolderBatch", { "convert", "%D/jpeg", "-o", "out/", "-q" }, "out/grey.raw", nullptr, true }),
    [](const testing::TestParamInfo<ModuleRunCase>& info) { return std::string(info.param.name); });

struct BadModuleCase {
    const char* name;
    QString (*module)(); // the file RASTERKIT_CLI_GUI_MODULE names
    const char* reason;  // part of QLibrary's reason
};

void PrintTo(const BadModuleCase& row, std::ostream* out)
{
    *out << row.name;
}

class BadModuleTest : public testing::TestWithParam<BadModuleCase> {};

TEST_P(BadModuleTest, FailsTheRunWithThePathAndTheReason)
{
    const BadModuleCase& row = GetParam();
    QTemporaryDir folder;
    const QString module = row.module();
    const CliRun run = runCli({ QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("known.bmp")),
                                  QStringLiteral("-o"), QStringLiteral("out.raw") },
        folder.path(), { { ModuleVariable, module } });
    ASSERT_TRUE(run.finished) << "it crashed";
    EXPECT_EQ(run.exitCode, 1);
    const QString error = QString::fromUtf8(run.standardError);
    EXPECT_TRUE(error.startsWith(QStringLiteral("rasterkit-cli: Cannot open \"%1\": it is not a JPEG")
                                     .arg(knownpictures::dataPath(QStringLiteral("known.bmp")))))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("the module \"%1\" cannot be loaded: ").arg(module))) << error.toStdString();
    EXPECT_TRUE(error.contains(QLatin1String(row.reason))) << error.toStdString();
    EXPECT_EQ(folderEntries(folder.path()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Modules, BadModuleTest,
    testing::Values(
        BadModuleCase { "Missing", [] { return QStringLiteral("/nonexistent/librasterkit-cli-gui.so"); },
            "No such file or directory" },
        BadModuleCase { "NotALibrary", [] { return knownpictures::dataPath(QStringLiteral("photo.jpg")); },
            "Cannot load library" },
        BadModuleCase { "WithoutTheEntry",
            [] { return QLibraryInfo::path(QLibraryInfo::LibrariesPath) + QStringLiteral("/libQt6Core.so.6"); },
            "rasterkitCliGuiFunctions" }),
    [](const testing::TestParamInfo<BadModuleCase>& info) { return std::string(info.param.name); });

} // namespace
