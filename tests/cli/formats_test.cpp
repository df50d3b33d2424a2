// The format list every user sees comes from the one format table: the
// formats command, each command's --help, and README's table, which this
// test holds to `formats --json` row by row.

#include "clirunner.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QJsonArray formatsJson()
{
    QTemporaryDir folder;
    const CliRun run = runCli({ QStringLiteral("formats"), QStringLiteral("--json") }, folder.path());
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(run.standardOutput, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.array();
}

// The rows of README's table under "## Formats": index, name, short name, unit.
QList<QStringList> readmeFormatRows()
{
    QFile readme(QStringLiteral(RASTERKIT_README));
    EXPECT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("\n## Formats\n"));
    const qsizetype end = text.indexOf(QStringLiteral("\n## "), start + 1);
    EXPECT_GE(start, 0);
    QList<QStringList> rows;
    static const QRegularExpression row(QStringLiteral("^\\| *([0-9]+) *\\|(.*)\\|$"));
    for (const QString& line : text.mid(start, end - start).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = row.match(line);
        if (!match.hasMatch())
            continue;
        QStringList cells { match.captured(1) };
        for (const QString& cell : match.captured(2).split(QLatin1Char('|')))
            cells << cell.trimmed();
        rows << cells;
    }
    return rows;
}

TEST(FormatsTest, ReadmeTableIsTheFormatTable)
{
    const QJsonArray formats = formatsJson();
    const QList<QStringList> rows = readmeFormatRows();
    ASSERT_FALSE(formats.isEmpty());
    ASSERT_EQ(rows.size(), formats.size()) << "README lists another number of formats";
    for (qsizetype index = 0; index < rows.size(); ++index) {
        const QJsonObject format = formats.at(index).toObject();
        const QStringList expected { QString::number(format.value(QStringLiteral("index")).toInt()),
            format.value(QStringLiteral("name")).toString(), format.value(QStringLiteral("short_name")).toString(),
            format.value(QStringLiteral("unit")).toString() };
        EXPECT_EQ(rows.at(index), expected) << "README row " << index << ": "
                                            << rows.at(index).join(QStringLiteral(" | ")).toStdString();
    }
}

// Every command that takes -f lists every format in its --help, and the
// formats command's table names each.
TEST(FormatsTest, EveryHelpAndTheTableNameEveryFormat)
{
    const QJsonArray formats = formatsJson();
    QTemporaryDir folder;
    for (const QStringList& arguments : { QStringList { QStringLiteral("convert"), QStringLiteral("--help") },
             QStringList { QStringLiteral("decode"), QStringLiteral("--help") },
             QStringList { QStringLiteral("pattern"), QStringLiteral("--help") }, QStringList { QStringLiteral("--help") },
             QStringList { QStringLiteral("formats") } }) {
        const CliRun run = runCli(arguments, folder.path());
        ASSERT_EQ(run.exitCode, 0) << arguments.join(u' ').toStdString();
        const QString text = QString::fromUtf8(run.standardOutput);
        for (const QJsonValue& value : formats) {
            const QJsonObject format = value.toObject();
            for (const QString& key : { QStringLiteral("name"), QStringLiteral("short_name") }) {
                EXPECT_TRUE(text.contains(format.value(key).toString()))
                    << arguments.join(u' ').toStdString() << " lacks " << format.value(key).toString().toStdString();
            }
        }
    }
}

} // namespace
