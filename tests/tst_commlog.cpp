// The communication log on its own: line breaks, long lines, coalescing and order.
#include "CommLog.h"
#include "TestMain.h"

#include <QClipboard>
#include <QTextBlock>
#include <QtTest>

using orv::LogColour;
using orv::TCommLog;

class TestCommLog : public QObject {
    Q_OBJECT
private slots:
    void foldLineBreaks_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("folded");
        QTest::newRow("CR") << QStringList{"OK\r>"} << "OK\n>";
        QTest::newRow("LF") << QStringList{"OK\n>"} << "OK\n>";
        QTest::newRow("CR LF is one break") << QStringList{"OK\r\n>"} << "OK\n>";
        QTest::newRow("LF CR is two") << QStringList{"OK\n\r>"} << "OK\n\n>";
        QTest::newRow("CR CR is two") << QStringList{"OK\r\r>"} << "OK\n\n>";
        QTest::newRow("CR LF split across reads") << QStringList{"OK\r", "\n>"} << "OK\n>";
        QTest::newRow("CR then LF later") << QStringList{"OK\r", "", "\n"} << "OK\n";
        QTest::newRow("no break") << QStringList{"41 00 BE"} << "41 00 BE";
    }
    void foldLineBreaks()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QString, folded);
        bool afterCR = false;
        QString out;
        for (const QString& piece : pieces)
            out += orv::FoldLineBreaks(piece, afterCR);
        QCOMPARE(out, folded);
    }

    void longLineIsHeldInPiecesButReadWhole()
    {
        TCommLog log;
        QByteArray line;
        for (int i = 0; i < 10000; ++i)
            line.append(char('0' + i % 10));
        for (int i = 0; i < line.size(); i += 333)
            log.AddText(LogColour::Received, line.mid(i, 333));
        log.AddText(LogColour::Received, "\rnext");
        log.Flush();

        QCOMPARE(log.Text(), QString::fromLatin1(line) + "\nnext");
        QVERIFY(log.document()->blockCount() > 10000 / TCommLog::kMaxBlockChars);
        for (QTextBlock b = log.document()->begin(); b.isValid(); b = b.next())
            QVERIFY(b.length() - 1 <= TCommLog::kMaxBlockChars);

        // A selection across the pieces copies as one line.
        QTextCursor selection(log.document());
        selection.setPosition(100);
        selection.setPosition(TCommLog::kMaxBlockChars * 3 + 50, QTextCursor::KeepAnchor);
        log.setTextCursor(selection);
        log.copy();
        QCOMPARE(QApplication::clipboard()->text(),
                 QString::fromLatin1(line.mid(100, TCommLog::kMaxBlockChars * 3 - 100 + 50 - 3)));
    }

    void repliesOfOnePassGoInAsOneEdit()
    {
        TCommLog log;
        int edits = 0;
        connect(log.document(), &QTextDocument::contentsChange, this, [&] { ++edits; });
        for (int i = 0; i < 500; ++i)
            log.AddText(LogColour::Received, "41 00 BE 1F A8 13\r");
        QCOMPARE(log.Text(), ""); // not shown yet: waiting for the refresh
        QTRY_COMPARE(log.Text().size(), 500 * 18);
        QCOMPARE(edits, 1);
    }

    void sentTextShowsAtOnceAfterEarlierReplies()
    {
        TCommLog log;
        log.AddText(LogColour::Received, "ELM327 v1.5\r\r>");
        log.AddText(LogColour::Sent, "ATZ\r");
        QCOMPARE(log.Text(), "ELM327 v1.5\n\n>ATZ\n");
        log.AddText(LogColour::Received, "OK");
        QTRY_COMPARE(log.Text(), "ELM327 v1.5\n\n>ATZ\nOK");
        QCOMPARE(log.PendingChars(), 0);
    }

    void aFloodIsShownOverSeveralRefreshesWithNothingLost()
    {
        TCommLog log;
        QByteArray flood;
        for (int i = 0; i < 1500000; ++i)
            flood += QByteArray::number(i) + (i % 7 ? " " : "\r");
        int edits = 0;
        connect(log.document(), &QTextDocument::contentsChange, this, [&] { ++edits; });
        log.AddText(LogColour::Received, flood);
        QTRY_COMPARE(log.PendingChars(), 0);
        // One refresh shows a bounded amount, so the window answers in between.
        QVERIFY2(edits > 1, qPrintable(QString::number(edits)));
        QCOMPARE(log.Text(), QString::fromLatin1(flood).replace('\r', '\n'));
    }

    void clearStartsAFreshLog()
    {
        TCommLog log;
        log.AddText(LogColour::Received, "old reply\r");
        log.Clear();
        QCOMPARE(log.Text(), "");
        log.AddText(LogColour::Received, "new");
        log.Flush();
        QCOMPARE(log.Text(), "new");
        QCOMPARE(log.document()->blockCount(), 1);
    }
};

ORV_TEST_MAIN(TestCommLog)
#include "tst_commlog.moc"
