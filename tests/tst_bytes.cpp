// Byte-level rules: the code page mapping and the failure report's text.
#include "Application.h"
#include "TestMain.h"
#include "Win1252.h"

#include <QtTest>

class TestBytes : public QObject {
    Q_OBJECT
private slots:
    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = orv::BytesToText(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(orv::TextToBytes(text), all);
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256); // one character per byte
    }

    void codePage_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("ASCII") << 0x41 << 0x41;
        QTest::newRow("carriage return") << 0x0D << 0x0D;
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("undefined 81") << 0x81 << 0x81;
        QTest::newRow("undefined 9D") << 0x9D << 0x9D;
        QTest::newRow("left double quote") << 0x93 << 0x201C;
        QTest::newRow("Y diaeresis") << 0x9F << 0x178;
        QTest::newRow("no-break space") << 0xA0 << 0xA0;
        QTest::newRow("y diaeresis") << 0xFF << 0xFF;
    }
    void codePage()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        QCOMPARE(orv::ByteToChar(uchar(byte)).unicode(), unicode);
        QCOMPARE(orv::TextToBytes(QString(QChar(unicode))), QByteArray(1, char(byte)));
    }

    void charactersOutsideTheCodePageBecomeQuestionMarks()
    {
        QCOMPARE(orv::TextToBytes(u"AT\u0416Z\u20AC\U0001F600"), QByteArray("AT?Z\x80??"));
    }

    void failureReportText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Port busy"
                                << "Port busy.";
        QTest::newRow("digit") << "Error 5"
                               << "Error 5.";
        QTest::newRow("full stop") << "Done."
                                   << "Done.";
        QTest::newRow("closing bracket") << "Failed (COM3)"
                                         << "Failed (COM3)";
        QTest::newRow("exclamation mark") << "Gone!"
                                          << "Gone!";
        QTest::newRow("slash sorts after") << "a/b/"
                                           << "a/b/.";
        QTest::newRow("comma sorts before") << "x,"
                                            << "x,";
        QTest::newRow("empty") << ""
                               << "";
    }
    void failureReportText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(orv::FailureReportText(message), shown);
    }
};

ORV_TEST_MAIN(TestBytes)
#include "tst_bytes.moc"
