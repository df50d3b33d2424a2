// The window icon as the program loads it from its resources, and the desktop
// entry as a desktop environment reads it.

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct DesktopEntry {
    QMap<QString, QString> keys;
    QStringList problems;
};

// Reads the [Desktop Entry] group of a desktop file, noting what breaks the
// format's rules.
DesktopEntry readDesktopEntry(const QString& path)
{
    DesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        entry.problems.append(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return entry;
    }
    const QByteArray content = file.readAll();
    if (!content.endsWith('\n'))
        entry.problems.append(QStringLiteral("the last line has no line end"));
    const QString text = QString::fromUtf8(content);
    if (text.toUtf8() != content)
        entry.problems.append(QStringLiteral("not UTF-8"));

    QString group;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype number = 0; number < lines.size(); ++number) {
        const QString& line = lines.at(number);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                entry.problems.append(QStringLiteral("line %1: broken group header").arg(number + 1));
            if (group.isEmpty() && line != QLatin1String("[Desktop Entry]"))
                entry.problems.append(QStringLiteral("the first group is not [Desktop Entry]"));
            group = line;
            continue;
        }
        if (group.isEmpty()) {
            entry.problems.append(QStringLiteral("line %1: a key before the first group").arg(number + 1));
            continue;
        }
        static const QRegularExpression keyValue(QStringLiteral("^([A-Za-z0-9-]+)(\\[[^\\]]+\\])?=(.*)$"));
        const QRegularExpressionMatch match = keyValue.match(line);
        if (!match.hasMatch()) {
            entry.problems.append(QStringLiteral("line %1: not key=value: %2").arg(number + 1).arg(line));
            continue;
        }
        if (line.contains(QLatin1String(" =")) || line.contains(QLatin1String("= ")))
            entry.problems.append(QStringLiteral("line %1: spaces around =").arg(number + 1));
        if (group != QLatin1String("[Desktop Entry]"))
            continue;
        const QString key = match.captured(1) + match.captured(2);
        if (entry.keys.contains(key))
            entry.problems.append(QStringLiteral("key %1 given twice").arg(key));
        entry.keys.insert(key, match.captured(3));
    }
    return entry;
}

QStringList listValue(const QString& value)
{
    QStringList items = value.split(QLatin1Char(';'));
    if (!items.isEmpty() && items.last().isEmpty())
        items.removeLast();
    return items;
}

} // namespace

class DesktopFilesTest : public QObject {
    Q_OBJECT

private slots:
    void windowIconImages_data();
    void windowIconImages();
    void windowIconHoldsBothSizes();
    void scalableIconIsSvg();
    void desktopEntry();
};

void DesktopFilesTest::windowIconImages_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("size");
    QTest::newRow("16") << QStringLiteral(":/icons/rasterkit-16.png") << 16;
    QTest::newRow("32") << QStringLiteral(":/icons/rasterkit-32.png") << 32;
}

void DesktopFilesTest::windowIconImages()
{
    QFETCH(QString, resource);
    QFETCH(int, size);

    const QImage image(resource);
    QVERIFY2(!image.isNull(), qPrintable(resource));
    QCOMPARE(image.size(), QSize(size, size));
    // A 16-colour image.
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QCOMPARE(image.colorCount(), 16);

    // A shaped icon: transparent corners, an opaque middle, and the red
    // capture frame somewhere on the display.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size - 1, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size / 2, size / 3)), 255);
    int redPixels = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(pixel);
            if (pixel == qRgb(255, 0, 0))
                ++redPixels;
        }
    }
    QVERIFY2(redPixels >= 2 * size / 2, qPrintable(QString::number(redPixels)));
    QVERIFY2(colours.size() >= 8, "a picture, not a block of one or two colours");
}

void DesktopFilesTest::windowIconHoldsBothSizes()
{
    // Built as the main window builds its icon.
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/rasterkit-16.png"));
    icon.addFile(QStringLiteral(":/icons/rasterkit-32.png"));
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    QCOMPARE(icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32),
        QImage(QStringLiteral(":/icons/rasterkit-16.png")).convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32),
        QImage(QStringLiteral(":/icons/rasterkit-32.png")).convertToFormat(QImage::Format_ARGB32));
}

void DesktopFilesTest::scalableIconIsSvg()
{
    QFile file(QStringLiteral(":/icons/rasterkit.svg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&file);
    QVERIFY(reader.readNextStartElement());
    QCOMPARE(reader.name(), QLatin1String("svg"));
    QCOMPARE(reader.namespaceUri(), QLatin1String("http://www.w3.org/2000/svg"));
    const QStringList viewBox = reader.attributes().value(QLatin1String("viewBox")).toString().split(QLatin1Char(' '));
    QCOMPARE(viewBox.size(), 4);
    QCOMPARE(viewBox.at(2), viewBox.at(3)); // square
    int shapes = 0;
    bool redStroke = false;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == QLatin1String("rect")) {
            ++shapes;
            redStroke |= reader.attributes().value(QLatin1String("stroke")).compare(QLatin1String("#ff0000"),
                             Qt::CaseInsensitive)
                == 0;
        }
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QVERIFY(shapes > 10);
    QVERIFY(redStroke);
}

void DesktopFilesTest::desktopEntry()
{
    const DesktopEntry entry = readDesktopEntry(QStringLiteral(RASTERKIT_DESKTOP_ENTRY));
    QVERIFY2(entry.problems.isEmpty(), qPrintable(entry.problems.join(QLatin1Char('\n'))));
    const auto& keys = entry.keys;

    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Rasterkit"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("rasterkit")); // a theme name: no path, no extension
    QVERIFY(!keys.value(QStringLiteral("Comment")).isEmpty());
    QVERIFY(keys.value(QStringLiteral("Comment")) != keys.value(QStringLiteral("Name")));

    // The program alone: it takes no file on its command line (pictures are
    // opened from its File menu), so the entry offers no field code and
    // claims no picture types that "Open with" would hand it.
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("rasterkit"));
    QVERIFY(!keys.contains(QStringLiteral("MimeType")));

    QVERIFY(keys.value(QStringLiteral("Categories")).endsWith(QLatin1Char(';')));
    const QStringList categories = listValue(keys.value(QStringLiteral("Categories")));
    QCOMPARE(categories, (QStringList{QStringLiteral("Graphics"), QStringLiteral("Development")}));
}

QTEST_MAIN(DesktopFilesTest)
#include "tst_desktopfiles.moc"
