// convert --check: the array names it prints for the pictures it is given,
// its refusals, and that it reads no picture and writes no file. The table of
// names itself is checked through the CMake package (tests/package/
// cmake_names.cmake), the refused option values in arguments_test.cpp.

#include "clirunner.h"
#include "knownpictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct CheckCase {
    const char* name;
    QStringList arguments; // after "convert --check"; "DATA/NAME" stands for a file of tests/data
    int exitCode;
    const char* output; // standard output, exactly
    const char* error;  // a piece of standard error; empty: nothing there
};

void PrintTo(const CheckCase& row, std::ostream* out)
{
    *out << row.name;
}

class CheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckTest, NamesThePicturesOrRefuses)
{
    const CheckCase& row = GetParam();
    QTemporaryDir folder;
    QStringList arguments { QStringLiteral("convert"), QStringLiteral("--check") };
    for (const QString& argument : row.arguments) {
        arguments << (argument.startsWith(QLatin1String("DATA/")) ? knownpictures::dataPath(argument.mid(5))
                                                                   : argument);
    }
    const CliRun run = runCli(arguments, folder.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.standardError.toStdString();
    EXPECT_EQ(run.standardOutput.toStdString(), row.output);
    if (*row.error == '\0')
        EXPECT_TRUE(run.standardError.isEmpty()) << run.standardError.toStdString();
    else
        EXPECT_TRUE(run.standardError.contains(row.error)) << run.standardError.toStdString();
    EXPECT_TRUE(folderEntries(folder.path()).isEmpty()) << folderEntries(folder.path()).join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(CommandLines, CheckTest,
    testing::Values(
        CheckCase { "OnePictureNeedsNoOutput", { "DATA/small.bmp" }, 0, "small\n", "" },
        CheckCase { "ReadsNoPicture", { "DATA/notapicture.jpg", "DATA/empty.jpg" }, 0, "notapicture\nempty\n", "" },
        CheckCase { "ArrayNameGiven", { "DATA/small.bmp", "--c-array", "logo" }, 0, "logo\n", "" },
        CheckCase { "AttributeWithoutArrayName", { "DATA/small.bmp", "--c-attribute", "PROGMEM", "-f", "y5x3" }, 0,
            "small\n", "" },
        CheckCase { "SeveralPicturesEachItsOwnConversion", { "DATA/known.gif", "DATA/small.bmp", "--c-array", "logo" },
            0, "logo\nlogo\n", "" },
        CheckCase { "BatchIntoAFolder", { "DATA/small.bmp", "DATA/known.gif", "-o", "out/", "--c-array", "icon" }, 0,
            "icon_small\nicon_known\n", "" },
        CheckCase { "BatchWithoutArrayName", { "DATA/small.bmp", "DATA/flat-white.gif", "-o", "out/" }, 0,
            "small\nflat_white\n", "" },
        CheckCase { "MissingPicture", { "DATA/small.bmp", "absent.jpg", "DATA/known.gif" }, 1, "",
            "absent.jpg\": the file does not exist.\n" },
        CheckCase { "FolderAsPicture", { "DATA/jpeg" }, 1, "", "jpeg\": it is a folder, not a picture.\n" },
        CheckCase { "OptionsJudgedBeforePictures", { "absent.jpg", "-W", "0" }, 2, "", "-W/--width 0 is out of range" },
        CheckCase { "OutputIsTheInput", { "DATA/small.bmp", "-o", "DATA/small.bmp" }, 2, "",
            "-o/--output \"" },
        CheckCase { "SeveralPicturesIntoOneFile", { "DATA/small.bmp", "DATA/known.gif", "-o", "out.raw" }, 2, "",
            "unexpected argument \"" },
        CheckCase { "BatchRefusesAReport", { "DATA/small.bmp", "DATA/known.gif", "-o", "out/", "--report", "r.txt" }, 2,
            "", "--report names one file" }),
    [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

} // namespace
