#include "RtfWriter.h"
#include "TestMain.h"

class TestRtfWriter : public QObject {
    Q_OBJECT
private slots:
    void escape() { QCOMPARE(orv::RtfEscape(u"a{b"), QByteArray("a\\{b")); }
};

ORV_TEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
