// Every text the sources pass through tr() needs a finished Chinese
// translation, and the compiled catalogue beside the program must carry it.
// lupdate merges today's sources into a copy of the catalogue: new or changed
// texts come out unfinished, texts no longer used are dropped.

#include <QtTest>

class tst_Catalogue : public QObject
{
    Q_OBJECT
private slots:
    void translated_data();
    void translated();
};

void tst_Catalogue::translated_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation"); // empty unless finished

    QTemporaryDir scratch;
    const QString merged = scratch.filePath("merged_zh_CN.ts");
    QVERIFY(QFile::copy(DOTWRIGHT_SOURCE_DIR "/translations/language_zh_CN.ts", merged));
    const QString lupdate = QLibraryInfo::location(QLibraryInfo::BinariesPath) + "/lupdate";
    QCOMPARE(QProcess::execute(lupdate, { "-silent", "-no-obsolete", "-locations", "none",
                                          DOTWRIGHT_SOURCE_DIR "/src", "-ts", merged }), 0);

    QFile file(merged);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context, source;
    int rows = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool finished = xml.attributes().value("type").isEmpty();
            QTest::newRow(qPrintable(context + ": " + source))
                << context << source << (finished ? xml.readElementText().trimmed() : QString());
            ++rows;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    // The tool tips alone are a dozen texts: fewer means lupdate looked elsewhere.
    QVERIFY2(rows >= 12, qPrintable(QString::number(rows)));
}

void tst_Catalogue::translated()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QVERIFY2(!translation.isEmpty(), "unfinished: run update_translations and translate it");
    QTranslator compiled;
    QVERIFY(compiled.load("language_zh_CN.qm", DOTWRIGHT_BIN_DIR));
    QCOMPARE(compiled.translate(context.toUtf8().constData(), source.toUtf8().constData()).trimmed(),
             translation);
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
