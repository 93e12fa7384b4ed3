// The Chinese catalogue must keep up with the sources: every text the program
// passes through tr() needs a finished translation, and the compiled .qm
// beside the program must be the one built from it.

#include <QFile>
#include <QHash>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type; // "", "unfinished", "vanished" or "obsolete"
};

QList<Message> readTs(const QString& path, QString* error)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringRef name = xml.name();
        if (name == QLatin1String("context")) {
            context.clear();
        } else if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            current = Message();
            current.context = context;
        } else if (name == QLatin1String("source")) {
            current.source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            current.type = xml.attributes().value(QLatin1String("type")).toString();
            current.translation = xml.readElementText();
            messages.append(current);
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return messages;
}

QString key(const Message& m)
{
    return m.context + QLatin1Char('\x1f') + m.source;
}

// The %1..%99 markers a text carries, in sorted order.
QStringList placeholders(const QString& text)
{
    QStringList found;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("%\\d{1,2}")).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

const char* rowName(const Message& m)
{
    static QList<QByteArray> names; // QTest::newRow keeps the pointer
    QString shown = m.source;
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    names << (m.context + QLatin1String(": ") + shown).toUtf8();
    return names.last().constData();
}

} // namespace

class tst_Catalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sourceTextTranslated_data();
    void sourceTextTranslated();
    void noLooseEntries_data();
    void noLooseEntries();
    void compiledCatalogueMatches_data();
    void compiledCatalogueMatches();
    void toolkitCatalogueTranslates_data();
    void toolkitCatalogueTranslates();

private:
    QTemporaryDir scratch;
    QList<Message> scanned;  // what lupdate finds in the sources today
    QList<Message> ours;     // translations/language_zh_CN.ts
    QHash<QString, Message> ours_by_key;
};

void tst_Catalogue::initTestCase()
{
    QVERIFY(scratch.isValid());
    const QString lupdate = QLibraryInfo::location(QLibraryInfo::BinariesPath) + "/lupdate";
    QVERIFY2(QFile::exists(lupdate), qPrintable(lupdate));

    const QString scan_ts = scratch.filePath("scan_zh_CN.ts");
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(lupdate, { "-silent", "-no-obsolete", "-locations", "none",
                             DOTWRIGHT_SOURCE_DIR "/src", "-ts", scan_ts });
    QVERIFY(process.waitForFinished(120000));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAll().constData());

    QString error;
    scanned = readTs(scan_ts, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The main window's tool tips alone are a dozen texts; an empty scan
    // means lupdate looked in the wrong place.
    QVERIFY2(scanned.size() >= 12, qPrintable(QString::number(scanned.size())));

    ours = readTs(DOTWRIGHT_SOURCE_DIR "/translations/language_zh_CN.ts", &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (const Message& m : ours) {
        QVERIFY2(!ours_by_key.contains(key(m)), qPrintable("duplicate: " + m.source));
        ours_by_key.insert(key(m), m);
    }
}

void tst_Catalogue::sourceTextTranslated_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    for (const Message& m : scanned)
        QTest::newRow(rowName(m)) << m.context << m.source;
}

void tst_Catalogue::sourceTextTranslated()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    const Message probe{ context, source, QString(), QString() };
    QVERIFY2(ours_by_key.contains(key(probe)),
             "not in translations/language_zh_CN.ts; run the update_translations target "
             "and translate it");
    const Message m = ours_by_key.value(key(probe));
    QVERIFY2(m.type.isEmpty(), qPrintable("translation marked " + m.type));
    QVERIFY(!m.translation.trimmed().isEmpty());
    // A message box keeps its shape in both languages.
    QCOMPARE(m.translation.count(QLatin1Char('\n')), source.count(QLatin1Char('\n')));
    QCOMPARE(placeholders(m.translation), placeholders(source));
}

void tst_Catalogue::noLooseEntries_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("type");
    for (const Message& m : ours)
        QTest::newRow(rowName(m)) << m.context << m.source << m.type;
}

void tst_Catalogue::noLooseEntries()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, type);
    QVERIFY2(type.isEmpty(), qPrintable("entry marked " + type));
    bool used = false;
    for (const Message& m : scanned)
        used = used || (m.context == context && m.source == source);
    QVERIFY2(used, "no longer in the sources; run the update_translations target");
}

void tst_Catalogue::compiledCatalogueMatches_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");
    for (const Message& m : ours)
        QTest::newRow(rowName(m)) << m.context << m.source << m.translation;
}

void tst_Catalogue::compiledCatalogueMatches()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QTranslator compiled;
    QVERIFY(compiled.load("language_zh_CN.qm", DOTWRIGHT_BIN_DIR));
    QCOMPARE(compiled.translate(context.toUtf8().constData(), source.toUtf8().constData()),
             translation);
}

void tst_Catalogue::toolkitCatalogueTranslates_data()
{
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("chinese");
    // Standard buttons of message boxes, input dialogs and file dialogs.
    QTest::newRow("OK") << QByteArray("QPlatformTheme") << QByteArray("OK") << QString("确定");
    QTest::newRow("Cancel") << QByteArray("QPlatformTheme") << QByteArray("Cancel")
                            << QString("取消");
    QTest::newRow("Save") << QByteArray("QPlatformTheme") << QByteArray("Save")
                          << QString("保存");
    QTest::newRow("Open") << QByteArray("QPlatformTheme") << QByteArray("Open")
                          << QString("打开");
}

void tst_Catalogue::toolkitCatalogueTranslates()
{
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, chinese);
    // Loaded the way the program loads it: one file, nothing else beside it.
    QTranslator toolkit;
    QVERIFY(toolkit.load("qt_zh_CN.qm", DOTWRIGHT_BIN_DIR));
    QCOMPARE(toolkit.translate(context.constData(), source.constData()), chinese);
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
