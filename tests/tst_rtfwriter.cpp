#include "RtfReadBack.h"
#include "RtfWriter.h"
#include "TestMain.h"
#include "Win1252.h"

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cctype>

using orv::LogColour;
using orv::RtfWriter;

namespace {

const QStringList kHeaderWords = {"rtf1", "ansi",  "ansicpg1252", "deff0", "uc1",
                                  "pard", "plain", "f0",          "fs16"};

// Where two texts first differ, for a readable failure on long texts.
QString firstDifference(const QString& actual, const QString& expected)
{
    const qsizetype common = std::min(actual.size(), expected.size());
    qsizetype at = 0;
    while (at < common && actual[at] == expected[at])
        ++at;
    if (at == common && actual.size() == expected.size())
        return {};
    auto show = [at](const QString& s) {
        QStringList units;
        for (qsizetype k = at; k < std::min(s.size(), at + 6); ++k)
            units << QString::number(s[k].unicode(), 16);
        return units.join(' ');
    };
    return QStringLiteral("at %1 of %2/%3: got [%4], expected [%5]")
        .arg(at)
        .arg(actual.size())
        .arg(expected.size())
        .arg(show(actual), show(expected));
}

QString allBytesText()
{
    QString text;
    for (int b = 1; b < 256; ++b)
        text += orv::ByteToChar(uchar(b));
    return text;
}

// Runs of text in the colours given, with line breaks between some of them.
struct Run {
    LogColour colour;
    QString text;
    bool breakAfter = false;
};

QByteArray writeDocument(const QList<Run>& runs)
{
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    {
        RtfWriter writer(device);
        for (const Run& run : runs) {
            writer.writeText(run.colour, run.text);
            if (run.breakAfter)
                writer.writeLineBreak();
        }
    }
    return device.data();
}

QString joinedText(const QList<Run>& runs)
{
    QString text;
    for (const Run& run : runs)
        text += run.text + (run.breakAfter ? "\n" : "");
    return text;
}

const QString kHostile = QStringLiteral(
    "\\par {\\rtf1\\ansi x} }}}{ \\'41\\u65? \\cf2 \\\\ \\ {\\*\\fldinst HYPERLINK}\\");

// The log texts every read-back check uses: every byte's character, hostile RTF, characters
// beyond the code page, spaces that readers like to rewrite, digits right after escapes.
QList<Run> mixedRuns()
{
    return {
        {LogColour::Default, QStringLiteral("plain start"), true},
        {LogColour::Sent, kHostile, true},
        {LogColour::Received, allBytesText(), true},
        {LogColour::Sent, QStringLiteral("  lead  two   three    four "), false},
        {LogColour::Sent, QStringLiteral(" across calls\t tab then space "), true},
        {LogColour::Received,
         QString::fromUtf16(u"\u00e95 \u20ac9 \u0081"
                            u"7 \u03a9?1 "
                            u"\u4e2d\U0001F600\ufffd end"),
         true},
        {LogColour::Received, QString(), true},
        {LogColour::Default, QStringLiteral("last line, no break"), false},
    };
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT
private slots:
    void escape_data();
    void escape();
    void documentLayout();
    void everyCharacterReadsBack();
    void largeLogStreamsInChunks();
    void shortWriteIsAFailure();
    void libreOfficeReadsItBack();
};

void TestRtfWriter::escape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf");
    const auto u = [](const char16_t* s) { return QString::fromUtf16(s); };
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("plain") << "Hello, world 123;:" << QByteArray("Hello, world 123;:");
    QTest::newRow("structural") << "a\\b{c}d" << QByteArray("a\\\\b\\{c\\}d");
    QTest::newRow("tab, digit after") << "a\t9" << QByteArray("a\\tab 9");
    QTest::newRow("line break") << "a\nb\n" << QByteArray("a\\par\nb\\par\n");
    QTest::newRow("high bytes") << u(u"\u00e9\u20ac\u00ff\u00a0\u2122\u0178")
                                << QByteArray("\\'e9\\'80\\'ff\\'a0\\'99\\'9f");
    QTest::newRow("digits after \\'hh") << u(u"\u00e95") << QByteArray("\\'e95");
    QTest::newRow("undefined five") << u(u"\u0081\u008d\u008f\u0090\u009d")
                                    << QByteArray("\\u129?\\u141?\\u143?\\u144?\\u157?");
    QTest::newRow("C1 outside the code page") << u(u"\u0080\u009f") << QByteArray("\\u128?\\u159?");
    QTest::newRow("outside the code page, digits after")
        << u(u"\u03a912\u03a9?") << QByteArray("\\u937?12\\u937??");
    QTest::newRow("signed 16-bit")
        << u(u"\u7fff\u8000\ufffd") << QByteArray("\\u32767?\\u-32768?\\u-3?");
    QTest::newRow("surrogate pair") << u(u"\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
    QTest::newRow("controls") << u(u"\u0001\r\u001b\u001f\u007f")
                              << QByteArray("\\u1?\\u13?\\u27?\\u31?\\u127?");
    QTest::newRow("space runs") << " a  b   c \t d" << QByteArray(" a {} b {} {} c \\tab {} d");
    QTest::newRow("hostile \\par") << "\\par x" << QByteArray("\\\\par x");
    QTest::newRow("hostile {\\rtf1") << "{\\rtf1" << QByteArray("\\{\\\\rtf1");
    QTest::newRow("hostile }}}{") << "}}}{" << QByteArray("\\}\\}\\}\\{");
    QTest::newRow("hostile escapes") << "\\'41\\u65?" << QByteArray("\\\\'41\\\\u65?");
}

void TestRtfWriter::escape()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QCOMPARE(orv::RtfEscape(text), rtf);
}

void TestRtfWriter::documentLayout()
{
    const QByteArray header = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{"
                              "\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\n"
                              "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}\n"
                              "\\pard\\plain\\f0\\fs16 ";

    QBuffer device;
    device.open(QIODevice::WriteOnly);
    {
        RtfWriter writer(device);
        writer.writeText(LogColour::Sent, u"ab");
        writer.writeText(LogColour::Sent, u"c");
        writer.writeLineBreak();
        writer.writeText(LogColour::Received, u"");
        writer.writeText(LogColour::Received, u"d\ne");
        writer.writeText(LogColour::Default, u"f");
        writer.finish();
        writer.finish();
        writer.writeText(LogColour::Sent, u"after the end");
        writer.writeLineBreak();
    } // the destructor must not close it again
    // A colour word only where the colour changes; nothing for an empty run.
    QCOMPARE(device.data(), header + "\\cf1 abc\\par\n\\cf2 d\\par\ne\\cf0 f}\n");

    // The destructor finishes an unfinished document; an empty one is just the header.
    QBuffer empty;
    empty.open(QIODevice::WriteOnly);
    {
        RtfWriter writer(empty);
    }
    QCOMPARE(empty.data(), header + "}\n");
}

void TestRtfWriter::everyCharacterReadsBack()
{
    const QList<Run> runs = mixedRuns();
    const ReadBack r = readRtf(writeDocument(runs));
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.headerWords, kHeaderWords);
    const QString expected = joinedText(runs);
    QVERIFY2(r.text == expected, qPrintable(firstDifference(r.text, expected)));

    // Each character in its run's colour; line breaks carry the colour before them.
    QByteArray colours;
    for (const Run& run : runs) {
        const char c = run.colour == LogColour::Sent       ? '1'
                       : run.colour == LogColour::Received ? '2'
                                                           : '0';
        colours += QByteArray(run.text.size(), c);
        if (run.breakAfter)
            colours += colours.back();
    }
    QCOMPARE(r.colours, colours);
}

void TestRtfWriter::largeLogStreamsInChunks()
{
    // Two spaces straddle the writer's internal slices; single-space runs straddle flushes.
    QString big;
    for (int i = 0; i < 48; ++i)
        big += QString(65535, QLatin1Char('x')) + QStringLiteral("  {") + QChar(0x20AC);
    QBuffer device;
    device.open(QIODevice::WriteOnly);
    RtfWriter writer(device);
    writer.writeText(LogColour::Received, big);
    QVERIFY2(device.size() >= (1 << 20), "the writer held the whole log instead of streaming");
    const int spaces = 500000;
    for (int i = 0; i < spaces; ++i)
        writer.writeText(LogColour::Sent, u" ");
    writer.finish();

    const ReadBack r = readRtf(device.data());
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    const QString expected = big + QString(spaces, QLatin1Char(' '));
    QVERIFY2(r.text == expected, qPrintable(firstDifference(r.text, expected)));
}

// A device that takes only its first `room` bytes and then reports taking less than it was
// given, as a file does on a full disk.
class FullDisk : public QBuffer {
public:
    explicit FullDisk(qint64 room)
        : m_room(room)
    {
    }

protected:
    qint64 writeData(const char* data, qint64 len) override
    {
        const qint64 taken = std::min(len, std::max<qint64>(m_room - size(), 0));
        return QBuffer::writeData(data, taken);
    }

private:
    qint64 m_room;
};

void TestRtfWriter::shortWriteIsAFailure()
{
    for (const qint64 room : {qint64(10), qint64(3 * 1024 * 1024)}) {
        FullDisk device(room);
        device.open(QIODevice::WriteOnly);
        RtfWriter writer(device);
        writer.writeText(LogColour::Received, QString(2 * 1024 * 1024, QLatin1Char('x')));
        writer.finish();
        QCOMPARE(writer.failed(), room < 2 * 1024 * 1024);
    }
}

void TestRtfWriter::libreOfficeReadsItBack()
{
    const QString soffice = sofficePath();
    if (soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed; install libreoffice-writer-nogui");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto save = [&](const QString& name, const QByteArray& rtf) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rtf);
    };
    const QList<Run> mixed = mixedRuns();
    save("mixed.rtf", writeDocument(mixed));
    save("empty.rtf", writeDocument({}));
    save("colours.rtf", writeDocument({{LogColour::Default, "alpha "},
                                       {LogColour::Sent, "bravo "},
                                       {LogColour::Sent, "charlie ", true},
                                       {LogColour::Received, "delta ", true},
                                       {LogColour::Received, "echo "},
                                       {LogColour::Default, "foxtrot "},
                                       {LogColour::Sent, "golf"}}));
    const QString profile = dir.filePath("profile");
    convert(soffice, profile, "txt:Text (encoded):UTF8",
            {dir.filePath("mixed.rtf"), dir.filePath("empty.rtf")}, dir.path());
    convert(soffice, profile, "html", {dir.filePath("colours.rtf")}, dir.path());

    // LibreOffice keeps no C0 control but tab and the paragraph break, whether written as
    // \'hh or \uN: it drops them (and would turn \'0d into a paragraph break, which is why
    // they are written as \uN). The file holds them; everyCharacterReadsBack shows that.
    QString expected = joinedText(mixed);
    expected.removeIf([](QChar c) { return c < QChar(0x20) && c != '\t' && c != '\n'; });
    expected += '\n'; // the text export ends every paragraph with a line end
    const QString text = readUtf8(dir.filePath("mixed.txt"));
    QVERIFY2(text == expected, qPrintable(firstDifference(text, expected)));
    QCOMPARE(readUtf8(dir.filePath("empty.txt")), QStringLiteral("\n"));

    const auto stretches = colouredStretches(readUtf8(dir.filePath("colours.html")));
    const QList<QPair<QString, QStringList>> wanted = {
        {"alpha", {"", "#000000"}}, {"bravo", {"#ff0000"}}, {"charlie", {"#ff0000"}},
        {"delta", {"#008000"}},     {"echo", {"#008000"}},  {"foxtrot", {"", "#000000"}},
        {"golf", {"#ff0000"}}};
    for (const auto& [word, colours] : wanted) {
        const auto found = std::find_if(stretches.begin(), stretches.end(),
                                        [&](const auto& s) { return s.first.contains(word); });
        QVERIFY2(found != stretches.end(), qPrintable(word + " missing from the HTML"));
        QVERIFY2(colours.contains(found->second), qPrintable(word + " is " + found->second));
    }
}

ORV_TEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
