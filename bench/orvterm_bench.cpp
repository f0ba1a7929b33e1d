// Log throughput, latency, memory and save time, through the real window and serial stack.
//
//   orvterm-bench            the full run: 100 MB per case (minutes; for people)
//   orvterm-bench --smoke    2 MB per case (seconds; CI), same figures on a smaller log
//   orvterm-bench --size N   N megabytes per case (1 MB = 1,000,000 bytes)
//
// Each case runs in a child process of its own, so memory figures do not mix. A virtual
// device on a pseudo-terminal floods the window from another thread, as fast as the window
// takes the bytes; the figures compare that with the 2,000,000-baud line rate (200,000 B/s).
// The benchmark checks that the log holds exactly what was sent, and exits non-zero if not;
// it never fails on a timing figure.
#include "Application.h"
#include "SerialPortRegistry.h"
#include "VirtualDevice.h"
#include "Win1252.h"
#include "main.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr double kLineRate = 200000.0; // bytes per second at 2,000,000 baud, 8N1
constexpr double kMB = 1e6;

struct Figures {
    QString name;
    double firstRate = 0, lastRate = 0; // bytes per second
    double windowMB = 0;                // size of the first/last measuring window
    double worstStallMs = 0;
    double bytesPerByte = 0;
    double saveSeconds = 0;
    double startupMs = 0;
    qint64 logged = 0;
    bool contentOk = false;
};

// Milliseconds since this process was started (the kernel counts in clock ticks).
double msSinceProcessStart()
{
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f)
        return -1;
    char buffer[1024] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    // Field 22 (starttime) counts from after the command name's closing bracket, field 2.
    const char* p = std::strrchr(buffer, ')');
    if (!p || n == 0)
        return -1;
    unsigned long long start = 0;
    int field = 2;
    for (const char* token = std::strtok(const_cast<char*>(p + 1), " "); token;
         token = std::strtok(nullptr, " ")) {
        if (++field == 22) {
            start = std::strtoull(token, nullptr, 10);
            break;
        }
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (now.tv_sec + now.tv_nsec / 1e9 - double(start) / sysconf(_SC_CLK_TCK)) * 1000.0;
}

qint64 residentBytes()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

// Device-like data, made the same way every run.
QByteArray makeStream(const QString& kind, qint64 size)
{
    QByteArray data;
    data.reserve(size);
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    static const char hex[] = "0123456789ABCDEF";
    while (data.size() < size) {
        if (kind == "bytes") {
            data.append(char(next() >> 24));
            continue;
        }
        // "7E8 10 14 49 02 01 31 47 31 4A": a reply of about 40 characters.
        QByteArray line = "7E8";
        for (int i = 0; i < 12; ++i) {
            const quint32 v = next() >> 24;
            line += ' ';
            line += hex[v >> 4];
            line += hex[v & 15];
        }
        line += kind == "unbroken" ? " " : "\r";
        data += line;
    }
    data.truncate(size);
    return data;
}

// What the log shows for received bytes: NUL left out, CR / LF / CR LF one break.
QString shownText(const QByteArray& received)
{
    QByteArray noNul = received;
    noNul.replace('\0', QByteArray());
    bool afterCR = false;
    return orv::FoldLineBreaks(orv::BytesToText(noNul), afterCR);
}

// Plays the device: writes the stream in pieces, and takes whatever the program sends.
void playDevice(int fd, const QByteArray& stream, qsizetype piece, std::atomic<qint64>* sentBack,
                std::atomic<bool>* stop, std::atomic<bool>* written)
{
    // A real device does not share the computer's processors: the lowest priority keeps this
    // stand-in from taking them from the program's own threads (its painting helpers).
    ::setpriority(PRIO_PROCESS, ::gettid(), 19);
    qsizetype done = 0;
    char sink[4096];
    while (!stop->load()) {
        pollfd p{fd, short(POLLIN | (done < stream.size() ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        if (p.revents & POLLIN) {
            const ssize_t r = ::read(fd, sink, sizeof sink);
            if (r > 0)
                *sentBack += r;
        }
        if ((p.revents & POLLOUT) && done < stream.size()) {
            const ssize_t w = ::write(fd, stream.constData() + done,
                                      size_t(std::min(piece, stream.size() - done)));
            if (w > 0)
                done += w;
            if (done == stream.size())
                *written = true;
        }
        if (p.revents & (POLLERR | POLLHUP))
            break;
    }
}

Figures runCase(const QString& kind, qint64 size, QElapsedTimer& sinceStart)
{
    Figures f;
    f.name = kind;
    VirtualDevice device;
    orv::os::InstallSerialCommEntries({{device.path().toStdString(), "COM1"}});
    orv::SetDialogObserver([](orv::DialogKind, const QString& text) {
        std::fprintf(stderr, "dialog: %s\n", qPrintable(text));
    });

    TfrmMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "window not exposed\n");
    f.startupMs = std::max(msSinceProcessStart(), sinceStart.nsecsElapsed() / 1e6);

    window.cmbBaudRate->setCurrentIndex(window.cmbBaudRate->findText("2000000"));
    window.cmbComPortNumber->setCurrentIndex(0);
    emit window.cmbComPortNumber->activated(0);
    if (!SerialPort->IsOpen())
        qFatal("the port did not open");

    const QByteArray stream = makeStream(kind, size);
    const QString expected = shownText(stream);
    const qint64 received = expected.size();
    const bool mixed = kind == "mixed";
    const QByteArray command = "010C"; // the user's command in the mixed case: 5 characters
    f.windowMB = std::min<double>(10.0, size / kMB / 2.0);
    const qint64 window1 = qint64(f.windowMB * kMB);

    const qint64 rssBefore = residentBytes();
    std::atomic<qint64> sentBack{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> written{false};
    QElapsedTimer clock;
    clock.start();
    std::thread deviceThread(playDevice, device.masterFd(), std::cref(stream), mixed ? 24 : 4096,
                             &sentBack, &stop, &written);

    // A 10 ms tick measures how late the window answers, and watches the log grow.
    qint64 lastTick = clock.nsecsElapsed(), sends = 0;
    qint64 firstDone = -1, lastStart = -1, allDone = -1;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    const auto progress = [&] { // the log's growth, seen at every refresh
        const qint64 now = clock.nsecsElapsed();
        const qint64 logged = window.reCommLog->LoggedChars();
        const qint64 total = received + sends * (command.size() + 1);
        if (firstDone < 0 && logged >= window1)
            firstDone = now;
        if (lastStart < 0 && logged >= total - window1)
            lastStart = now;
        if (allDone < 0 && written && logged >= total && sentBack >= sends * 5) {
            allDone = now;
            loop.quit();
        }
    };
    QObject::connect(window.reCommLog->document(), &QTextDocument::contentsChange, progress);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        f.worstStallMs = std::max(f.worstStallMs, (now - lastTick) / 1e6 - 10.0);
        lastTick = now;
        progress();
        if (now > 600e9)
            loop.quit();
    });
    tick.start(10);
    QTimer sender; // the mixed case: the user sends a command every 2 ms while replies flood in
    QObject::connect(&sender, &QTimer::timeout, [&] {
        if (!written) {
            window.edTxString->setText(QString::fromLatin1(command));
            window.btnSendCmdClick();
            ++sends;
        }
    });
    if (mixed)
        sender.start(2);
    loop.exec();
    tick.stop();
    sender.stop();
    stop = true;
    deviceThread.join();

    const qint64 total = received + sends * (command.size() + 1);
    f.logged = window.reCommLog->LoggedChars();
    if (allDone > 0) {
        f.firstRate = window1 / (std::max<qint64>(firstDone, 1) / 1e9);
        f.lastRate = window1 / (std::max<qint64>(allDone - lastStart, 1) / 1e9);
    }
    f.bytesPerByte = double(residentBytes() - rssBefore) / std::max<qint64>(f.logged, 1);

    // The log holds exactly what came, in order: check the received part exactly where it is
    // not interleaved with commands, and the total everywhere.
    const QString text = window.reCommLog->Text();
    if (mixed) {
        f.contentOk = text.size() == total && text.count(QLatin1String("010C\n")) >= sends;
    } else {
        f.contentOk = text == expected;
    }

    QTemporaryDir dir;
    QElapsedTimer saving;
    saving.start();
    window.reCommLog->SaveToRtf(dir.filePath("log.rtf"));
    f.saveSeconds = saving.nsecsElapsed() / 1e9;
    orv::os::ClearSerialCommEntries();
    return f;
}

QString figureLine(const Figures& f)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(f.name)
        .arg(f.firstRate, 0, 'f', 0)
        .arg(f.lastRate, 0, 'f', 0)
        .arg(f.worstStallMs, 0, 'f', 1)
        .arg(f.bytesPerByte, 0, 'f', 2)
        .arg(f.saveSeconds, 0, 'f', 2)
        .arg(f.startupMs, 0, 'f', 0)
        .arg(f.logged)
        .arg(f.contentOk ? 1 : 0);
}

Figures parseFigures(const QString& line, double windowMB)
{
    const QStringList p = line.split(' ');
    Figures f;
    if (p.size() != 9)
        return f;
    f.name = p[0];
    f.firstRate = p[1].toDouble();
    f.lastRate = p[2].toDouble();
    f.worstStallMs = p[3].toDouble();
    f.bytesPerByte = p[4].toDouble();
    f.saveSeconds = p[5].toDouble();
    f.startupMs = p[6].toDouble();
    f.logged = p[7].toLongLong();
    f.contentOk = p[8] == "1";
    f.windowMB = windowMB;
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (args.value(0) == "--case") { // the child: one case, its figures on one line
        orv::TApplication app(argc, argv);
        const Figures f = runCase(args.value(1), args.value(2).toLongLong(), sinceStart);
        std::printf("FIGURES %s\n", qPrintable(figureLine(f)));
        return 0;
    }

    double sizeMB = 100;
    if (args.contains("--smoke"))
        sizeMB = 2;
    if (const qsizetype at = args.indexOf("--size"); at >= 0)
        sizeMB = args.value(at + 1).toDouble();
    if (sizeMB < 0.1) {
        std::fprintf(stderr, "usage: orvterm-bench [--smoke | --size MB]\n");
        return 2;
    }
    const qint64 size = qint64(sizeMB * kMB);
    const double windowMB = std::min(10.0, sizeMB / 2.0);

    std::printf("OrvTerm log benchmark: %.1f MB per case; line rate 2,000,000 baud = 200,000 B/s\n"
                "(1 MB = 1,000,000 bytes; first/last = the first and the last %.1f MB logged)\n\n",
                sizeMB, windowMB);
    std::printf("%-9s %15s %15s %10s %10s %9s %10s %8s\n", "case", "first MB/s (xL)",
                "last MB/s (xL)", "last/first", "stall ms", "RSS B/B", "save s", "start ms");
    QList<Figures> all;
    bool ok = true;
    for (const QString kind : {"lines", "unbroken", "mixed", "bytes"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(argv[0]), {"--case", kind, QString::number(size)});
        child.waitForFinished(-1);
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        const qsizetype at = out.indexOf("FIGURES ");
        const Figures f =
            at < 0 ? Figures{kind} : parseFigures(out.mid(at + 8).trimmed(), windowMB);
        all << f;
        ok = ok && f.contentOk && child.exitCode() == 0;
        std::printf("%-9s %7.2f (%5.1fx) %7.2f (%5.1fx) %10.2f %10.1f %9.2f %10.2f %8.0f%s\n",
                    qPrintable(kind), f.firstRate / kMB, f.firstRate / kLineRate, f.lastRate / kMB,
                    f.lastRate / kLineRate, f.firstRate > 0 ? f.lastRate / f.firstRate : 0.0,
                    f.worstStallMs, f.bytesPerByte, f.saveSeconds, f.startupMs,
                    f.contentOk ? "" : "  LOG CONTENT WRONG");
    }
    std::printf("\n");
    for (const Figures& f : all) {
        const bool rate = f.firstRate >= 10 * kLineRate && f.lastRate >= 10 * kLineRate;
        const bool flat = f.firstRate > 0 && f.lastRate >= 0.8 * f.firstRate;
        const bool answers = f.worstStallMs <= 100;
        const bool memory = f.bytesPerByte <= 8;
        const bool save = f.saveSeconds < 10 * sizeMB / 100;
        std::printf("summary %s: %.1fx line rate first, %.1fx last (%s%s), window answered within "
                    "%.0f ms (%s), %.2f B memory per logged byte (%s), save %.2f s (%s), "
                    "start-up %.0f ms\n",
                    qPrintable(f.name), f.firstRate / kLineRate, f.lastRate / kLineRate,
                    rate ? "target met" : "BELOW 10x", flat ? "" : ", SLOWS DOWN", f.worstStallMs,
                    answers ? "target met" : "OVER 100 ms", f.bytesPerByte,
                    memory ? "target met" : "OVER 8", f.saveSeconds,
                    save ? "target met" : "TOO SLOW", f.startupMs);
    }
    return ok ? 0 : 1;
}
