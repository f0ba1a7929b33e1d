#include "RtfReadBack.h"

#include "Win1252.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QtTest>

#include <cctype>

ReadBack readRtf(const QByteArray& rtf)
{
    ReadBack r;
    int depth = 0;
    char colour = '0';
    bool inText = false;
    bool afterSpace = false;
    auto fail = [&](const QString& why, qsizetype at) {
        r.error = QStringLiteral("%1 at offset %2: %3").arg(why).arg(at).arg(rtf.mid(at, 24));
    };
    auto put = [&](QChar c) {
        r.text += c;
        r.colours += colour;
        inText = true;
    };
    qsizetype i = 0;
    while (i < rtf.size() && r.error.isEmpty()) {
        const char c = rtf[i];
        const bool space = c == ' ';
        if (r.closed) {
            if (c != '\n')
                fail("data after the document", i);
            ++i;
            continue;
        }
        if (uchar(c) >= 0x7F || (uchar(c) < 0x20 && c != '\n')) {
            fail("byte outside printable ASCII", i);
        } else if (c == '{' && depth == 0) {
            depth = 1;
            ++i;
        } else if (c == '{' && rtf.mid(i, 2) == "{}") {
            i += 2;
        } else if (c == '{' && !inText &&
                   (rtf.mid(i, 9) == "{\\fonttbl" || rtf.mid(i, 10) == "{\\colortbl")) {
            for (int level = 0; i < rtf.size(); ++i) {
                level += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
                if (level == 0)
                    break;
            }
            ++i;
        } else if (c == '{') {
            fail("group in the text", i);
        } else if (c == '}') {
            r.closed = --depth == 0;
            ++i;
        } else if (c == '\n') {
            ++i; // readers ignore line ends in the file
            continue;
        } else if (c == '\\') {
            const char next = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
            if (next == '\\' || next == '{' || next == '}') {
                put(QChar::fromLatin1(next));
                i += 2;
            } else if (next == '\'') {
                bool ok = false;
                const uint byte = rtf.mid(i + 2, 2).toUInt(&ok, 16);
                if (!ok)
                    fail("bad \\'hh", i);
                put(orv::ByteToChar(uchar(byte)));
                i += 4;
            } else if (std::isalpha(uchar(next))) {
                qsizetype end = i + 1;
                while (end < rtf.size() && std::isalpha(uchar(rtf[end])))
                    ++end;
                const QByteArray word = rtf.mid(i + 1, end - i - 1);
                const qsizetype numberAt = end;
                if (end < rtf.size() && rtf[end] == '-')
                    ++end;
                while (end < rtf.size() && std::isdigit(uchar(rtf[end])))
                    ++end;
                const QByteArray number = rtf.mid(numberAt, end - numberAt);
                if (end < rtf.size() && rtf[end] == ' ')
                    ++end; // the delimiter
                i = end;
                if (word == "par") {
                    put('\n');
                } else if (word == "tab") {
                    put('\t');
                } else if (word == "cf") {
                    colour = number.isEmpty() ? '?' : number[0];
                    inText = true;
                } else if (word == "u") {
                    put(QChar(ushort(short(number.toInt()))));
                    if (rtf.mid(i, 1) != "?")
                        fail("\\u without its fallback", i);
                    ++i;
                } else if (!inText) {
                    r.headerWords << QString::fromLatin1(word + number);
                } else {
                    fail("control word in the text", i);
                }
            } else {
                fail("unknown control symbol", i);
            }
        } else {
            if (space && afterSpace)
                fail("two spaces in a row", i);
            put(QChar::fromLatin1(c));
            ++i;
        }
        afterSpace = space;
    }
    if (r.error.isEmpty() && !r.closed)
        r.error = QStringLiteral("document not closed");
    return r;
}

QString sofficePath() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

void convert(const QString& soffice, const QString& profile, const QString& filter,
             const QStringList& files, const QString& dir)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, QStringList{QStringLiteral("-env:UserInstallation=") +
                                           QUrl::fromLocalFile(profile).toString(),
                                       "--headless", "--norestore", "--convert-to", filter,
                                       "--outdir", dir} +
                               files);
    QVERIFY2(process.waitForFinished(120000), "LibreOffice did not finish");
    QVERIFY2(process.exitCode() == 0, process.readAll().constData());
}

QString readUtf8(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing %1>").arg(path);
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QList<QPair<QString, QString>> colouredStretches(const QString& html)
{
    QList<QPair<QString, QString>> stretches;
    QStringList stack;
    static const QRegularExpression token(QStringLiteral("<(/?)(\\w+)([^>]*)>|([^<]+)"));
    static const QRegularExpression colourAttr(QStringLiteral("color=\"(#[0-9a-fA-F]{6})\""));
    const qsizetype body = html.indexOf(QStringLiteral("<body"));
    for (auto it = token.globalMatch(html.mid(body)); it.hasNext();) {
        const auto m = it.next();
        if (m.capturedLength(4) > 0) {
            QString colour;
            for (const QString& c : stack)
                if (!c.isEmpty())
                    colour = c;
            stretches.append({m.captured(4).simplified(), colour.toLower()});
        } else if (m.captured(2).compare("font", Qt::CaseInsensitive) == 0) {
            if (m.captured(1).isEmpty())
                stack.append(colourAttr.match(m.captured(3)).captured(1));
            else if (!stack.isEmpty())
                stack.removeLast();
        }
    }
    return stretches;
}
