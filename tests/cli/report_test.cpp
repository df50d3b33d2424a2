// The report: the file named by --report holds the status box's exact text
// (UTF-8, CR LF), standard output shows it with plain line ends, -q silences
// it, and the ratio is written with the regional decimal separator taken from
// the environment (LC_ALL, LC_NUMERIC, LANG).

#include "clirunner.h"
#include "knownpictures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

#include <string>

namespace {

struct ReportCase {
    const char* name;
    const char* format;
    EnvironmentChanges environment;
    const char* fileText;    // the report file, byte for byte
    const char* printedText; // standard output
};

void PrintTo(const ReportCase& row, std::ostream* out)
{
    *out << row.name;
}

class ReportTest : public testing::TestWithParam<ReportCase> {};

TEST_P(ReportTest, FileAndStandardOutput)
{
    const ReportCase& row = GetParam();
    QTemporaryDir folder;
    const QString report = folder.filePath(QStringLiteral("report.txt"));
    const CliRun run = runCli({ QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("flat.gif")),
                                  QStringLiteral("-o"), folder.filePath(QStringLiteral("out.bin")), QStringLiteral("-f"),
                                  QString::fromLatin1(row.format), QStringLiteral("--origin"), QStringLiteral("-1,-1"),
                                  QStringLiteral("--report"), report },
        folder.path(), row.environment);
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const auto bytes = readBytes(report);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), row.fileText);
    EXPECT_EQ(run.standardOutput.toStdString(), row.printedText);
}

const char* const Report565x8Point = "Результат компрессии:\r\nБез сжатия:  153600 байт\r\nПосле сжатия: 906\r\n"
                                     "Cжато в: 169.53 раза\r\n";
const char* const Printed565x8Point = "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 906\n"
                                      "Cжато в: 169.53 раза\n";
const char* const Report565x8Comma = "Результат компрессии:\r\nБез сжатия:  153600 байт\r\nПосле сжатия: 906\r\n"
                                     "Cжато в: 169,53 раза\r\n";
const char* const Printed565x8Comma = "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 906\n"
                                      "Cжато в: 169,53 раза\n";

INSTANTIATE_TEST_SUITE_P(Locales, ReportTest,
    testing::Values(
        ReportCase { "PointInCLocale", "1", {}, Report565x8Point, Printed565x8Point },
        ReportCase { "PointInEnglish", "1", { { "LC_ALL", "en_US.UTF-8" } }, Report565x8Point, Printed565x8Point },
        ReportCase { "CommaInGerman", "1", { { "LC_ALL", "de_DE.UTF-8" } }, Report565x8Comma, Printed565x8Comma },
        ReportCase { "CommaInRussianFromLang", "1", { { "LC_ALL", "" }, { "LANG", "ru_RU.UTF-8" } }, Report565x8Comma,
            Printed565x8Comma },
        ReportCase { "CommaFromNumericCategory", "1",
            { { "LC_ALL", "" }, { "LANG", "en_US.UTF-8" }, { "LC_NUMERIC", "de_DE.UTF-8" } }, Report565x8Comma,
            Printed565x8Comma },
        // A whole ratio has no separator at all.
        ReportCase { "WholeRatioInGerman", "3", { { "LC_ALL", "de_DE.UTF-8" } },
            "Результат компрессии:\r\nБез сжатия:  153600 байт\r\nПосле сжатия: 10240\r\nCжато в: 15 раза\r\n",
            "Результат компрессии:\nБез сжатия:  153600 байт\nПосле сжатия: 10240\nCжато в: 15 раза\n" },
        ReportCase { "ByteFormatInRussian", "6", { { "LC_ALL", "ru_RU.UTF-8" } },
            "Результат компрессии:\r\nБез сжатия:  76800 байт\r\nПосле сжатия: 604\r\nCжато в: 127,15 раза\r\n",
            "Результат компрессии:\nБез сжатия:  76800 байт\nПосле сжатия: 604\nCжато в: 127,15 раза\n" },
        // The plain report has no line break after its last line; the
        // terminal gets one.
        ReportCase { "PlainReport", "0", { { "LC_ALL", "de_DE.UTF-8" } },
            "Конвертирование завершено.\r\nРазмер файла : 153600",
            "Конвертирование завершено.\nРазмер файла : 153600\n" }),
    [](const testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST(Quiet, PrintsNothingButStillWritesBothFiles)
{
    QTemporaryDir folder;
    for (const char* option : { "-q", "--quiet" }) {
        const QString output = folder.filePath(QStringLiteral("out.bin"));
        const QString report = folder.filePath(QStringLiteral("report.txt"));
        const CliRun run = runCli({ QStringLiteral("convert"), knownpictures::dataPath(QStringLiteral("flat.gif")),
                                      QStringLiteral("-o"), output, QStringLiteral("-f"), QStringLiteral("7"),
                                      QStringLiteral("--origin"), QStringLiteral("-1,-1"), QStringLiteral("--report"),
                                      report, QString::fromLatin1(option) },
            folder.path());
        ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
        EXPECT_TRUE(run.standardOutput.isEmpty()) << option;
        EXPECT_TRUE(run.standardError.isEmpty()) << option;
        EXPECT_EQ(readBytes(output).size(), 10972u) << option;
        const auto bytes = readBytes(report);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "Результат компрессии:\r\nБез сжатия:  76800 байт\r\nПосле сжатия: 10972\r\nCжато в: 6.99 раза\r\n")
            << option;
    }
}

} // namespace
