// The port wrapper and the serial component under it, against virtual devices on
// pseudo-terminals: port list, open/close/send/read, the user's messages and the failures.
#include "ApdComPort.h"
#include "Convert.h"
#include "DialogRecorder.h"
#include "OrvComPorts.h"
#include "SerialPortRegistry.h"
#include "TestMain.h"
#include "VirtualDevice.h"

#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using orv::os::RegistryValue;
using Values = QList<QPair<QString, QString>>;

class TestSerialPort : public QObject {
    Q_OBJECT

    // One component and its wrapper per test, with COM7 and COM8 on virtual devices.
    struct Rig {
        VirtualDevice device7, device8;
        orv::TApdComPort component;
        TOrvComPort port{&component};
        QByteArray received;
        QList<int> counts;

        Rig()
        {
            orv::os::InstallSerialCommEntries({{device7.path().toStdString(), "COM7"},
                                               {device8.path().toStdString(), "COM8"},
                                               {"/dev/orvterm-no-such-device", "COM9"}});
            QObject::connect(&component, &orv::TApdComPort::TriggerAvail,
                             [this](orv::TApdComPort*, quint16 count) {
                                 counts.append(count);
                                 QByteArray text;
                                 port.ReadChars(count, text);
                                 received += text;
                             });
        }
        ~Rig() { orv::os::ClearSerialCommEntries(); }
        void openAt(quint16 number, qint32 baud = 115200)
        {
            port.SetComNumber(number);
            port.SetBaud(baud);
            QVERIFY(port.Open());
        }
    };

private slots:
    void portList_data()
    {
        QTest::addColumn<Values>("registry");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("numeric order") << Values{{"\\Device\\Serial2", "COM10"},
                                                 {"\\Device\\Serial1", "COM2"},
                                                 {"\\Device\\Serial0", "COM1"}}
                                       << QStringList{"1", "2", "10"};
        QTest::newRow("only upper-case COM names")
            << Values{{"a", "com3"}, {"b", "COM4"}, {"c", "CO"}, {"d", "LPT1"}, {"e", "COM12"}}
            << QStringList{"4", "12"};
        QTest::newRow("absent key") << Values{} << QStringList{};
        QTest::newRow("one malformed entry is never compared")
            << Values{{"a", "COMx"}} << QStringList{"x"};
    }
    void portList()
    {
        QFETCH(Values, registry);
        QFETCH(QStringList, list);
        std::vector<RegistryValue> values;
        for (const auto& [name, data] : registry)
            values.push_back({name.toStdString(), data.toStdString()});
        orv::os::InstallSerialCommEntries(values);
        orv::TApdComPort component;
        TOrvComPort port(&component);
        QCOMPARE(port.GetComPortList(), list);
        orv::os::ClearSerialCommEntries();
    }

    void malformedEntryFailsTheOrdering()
    {
        orv::os::InstallSerialCommEntries({{"a", "COM3"}, {"b", "COM1x"}});
        orv::TApdComPort component;
        TOrvComPort port(&component);
        QVERIFY_THROWS_EXCEPTION(orv::EConvertError, port.GetComPortList());
        orv::os::ClearSerialCommEntries();
    }

    void linuxListNumbersDevicesOnce()
    {
        orv::os::ClearSerialCommEntries();
        const auto first = orv::os::ReadSerialCommKey();
        QCOMPARE(orv::os::ReadSerialCommKey().size(), first.size());
        for (size_t i = 0; i < first.size(); ++i) {
            QCOMPARE(first[i].data, "COM" + std::to_string(i + 1));
            QVERIFY(first[i].name.rfind("/dev/tty", 0) == 0);
            QCOMPARE(orv::os::DevicePathForComNumber(unsigned(i + 1)), first[i].name);
        }
    }

    void sendAndReceiveBytes()
    {
        DialogRecorder dialogs;
        Rig rig;
        rig.openAt(7);
        rig.port.SendString("ATZ\r");
        QCOMPARE(rig.device7.receive(4), QByteArray("ATZ\r"));
        rig.device7.send(QByteArray("A\0B", 3));
        QTRY_COMPARE(rig.received, QByteArray("AB"));
        QCOMPARE(rig.device8.receiveAll(std::chrono::milliseconds(20)), QByteArray());
        QVERIFY(dialogs.messages.isEmpty());
    }

    void everyByteValuePassesUnchanged()
    {
        Rig rig;
        rig.openAt(7);
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        rig.port.SendString(all);
        QCOMPARE(rig.device7.receive(256), all);
        rig.device7.send(all);
        QTRY_COMPARE(rig.received, all.mid(1)); // NUL is left out
    }

    void openWithoutNumberShowsMessage()
    {
        DialogRecorder dialogs;
        Rig rig;
        QVERIFY(!rig.port.Open());
        QCOMPARE(dialogs.messages, QStringList{"COM port is not selected."});
        QVERIFY(!rig.port.IsOpen());
    }

    void openMissingPortShowsMessage_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("number not listed") << 3;
        QTest::newRow("listed device gone") << 9;
    }
    void openMissingPortShowsMessage()
    {
        QFETCH(int, number);
        DialogRecorder dialogs;
        Rig rig;
        rig.port.SetComNumber(quint16(number));
        QVERIFY(!rig.port.Open());
        QVERIFY(!rig.port.Open());
        QCOMPARE(dialogs.messages,
                 QStringList(2, "Unable to open. Specified COM port does not exist"));
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(dialogs.failures.isEmpty());
    }

    void closeShowsNothing()
    {
        DialogRecorder dialogs;
        Rig rig;
        rig.port.Close();
        rig.openAt(7);
        rig.port.Close();
        QVERIFY(!rig.port.IsOpen());
        rig.port.Close();
        QVERIFY(dialogs.messages.isEmpty());
    }

    void sendOpensClosedPortFirst()
    {
        DialogRecorder dialogs;
        Rig rig;
        rig.port.SetComNumber(7);
        rig.port.SendString("ATI\r");
        QVERIFY(rig.port.IsOpen());
        QCOMPARE(rig.device7.receive(4), QByteArray("ATI\r"));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void sendToPortThatCannotOpenShowsPortClosed()
    {
        DialogRecorder dialogs;
        Rig rig;
        rig.port.SetComNumber(3);
        rig.port.SendString("ATI\r");
        QCOMPARE(dialogs.messages, QStringList{"COM Port Closed"});
        QVERIFY(!rig.port.IsOpen());
    }

    void busyPortEndsInFailureReport()
    {
        DialogRecorder dialogs;
        Rig rig;
        QSerialPort other(rig.device7.path());
        QVERIFY(other.open(QIODevice::ReadWrite));
        rig.port.SetComNumber(7);
        QVERIFY_THROWS_EXCEPTION(orv::EAlreadyOpen, rig.port.Open());
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(dialogs.messages.isEmpty());

        // Through the event loop, as from a handler: a failure report naming the port.
        QMetaObject::invokeMethod(
            this, [&rig] { rig.port.Open(); }, Qt::QueuedConnection);
        QTRY_COMPARE(dialogs.failures.size(), 1);
        QVERIFY2(dialogs.failures[0].contains("COM7") &&
                     dialogs.failures[0].contains(rig.device7.path()) &&
                     dialogs.failures[0].contains("in use"),
                 qPrintable(dialogs.failures[0]));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void refusedPermissionSaysWhatToDo()
    {
        Rig rig;
        rig.port.SetComNumber(7);
        // The system refuses a user the device; root is never refused, so a child that has
        // become an ordinary user tries it.
        QString failure;
        if (::geteuid() != 0) {
            QVERIFY(::chmod(rig.device7.path().toLocal8Bit(), 0) == 0);
            try {
                rig.port.Open();
            } catch (const orv::EAccessDenied& e) {
                failure = QString::fromUtf8(e.what());
            }
        } else {
            int pipe[2];
            QVERIFY(::pipe(pipe) == 0);
            const pid_t child = ::fork();
            if (child == 0) {
                std::string text = "opened";
                if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0) {
                    try {
                        rig.port.Open();
                    } catch (const orv::EAccessDenied& e) {
                        text = e.what();
                    } catch (const std::exception& e) {
                        text = std::string("other failure: ") + e.what();
                    }
                } else {
                    text = "could not become an ordinary user";
                }
                (void)!::write(pipe[1], text.data(), text.size());
                ::_exit(0);
            }
            ::close(pipe[1]);
            QByteArray got;
            char buffer[512];
            for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
                got.append(buffer, n);
            ::close(pipe[0]);
            ::waitpid(child, nullptr, 0);
            failure = QString::fromUtf8(got);
        }
        QVERIFY2(failure.contains("COM7") && failure.contains(rig.device7.path()) &&
                     failure.contains("dialout"),
                 qPrintable(failure));
    }

    void rateChangesWhileOpen()
    {
        Rig rig;
        rig.openAt(7, 9600);
        QCOMPARE(rig.device7.lineSpeed(), 9600);
        for (qint32 baud : {38400, 115200, 128000, 500000, 1000000, 2000000}) {
            rig.port.SetBaud(baud);
            QVERIFY(rig.port.IsOpen());
            QCOMPARE(rig.device7.lineSpeed(), baud);
        }
        rig.port.SendString("X");
        QCOMPARE(rig.device7.receive(1), QByteArray("X"));
    }

    void numberChangeWhileOpenReopensOnNewPort()
    {
        Rig rig;
        int numberChanges = 0, baudChanges = 0;
        rig.port.OnComNumberChange = [&](TOrvComPort* sender) {
            QCOMPARE(sender, &rig.port);
            ++numberChanges;
        };
        rig.port.OnBaudChange = [&](TOrvComPort*) { ++baudChanges; };
        rig.openAt(7);
        rig.port.SetComNumber(8);
        QVERIFY(rig.port.IsOpen());
        rig.port.SendString("ATDP\r");
        QCOMPARE(rig.device8.receive(5), QByteArray("ATDP\r"));
        QCOMPARE(rig.device7.receiveAll(std::chrono::milliseconds(20)), QByteArray());
        rig.device8.send("OK");
        QTRY_COMPARE(rig.received, QByteArray("OK"));
        QCOMPARE(numberChanges, 2);
        QCOMPARE(baudChanges, 1);
    }

    void moreThanOneNotificationHoldsIsAllRead()
    {
        Rig rig;
        rig.openAt(7);
        // Let 100000 bytes pile up before anyone takes them, then take them by notification.
        QObject::disconnect(&rig.component, &orv::TApdComPort::TriggerAvail, nullptr, nullptr);
        QByteArray flood;
        for (int i = 0; i < 100000; ++i)
            flood.append(char('A' + i % 26));
        rig.device7.send(flood);
        QTRY_COMPARE(rig.component.InBuffUsed(), 100000);
        QObject::connect(&rig.component, &orv::TApdComPort::TriggerAvail,
                         [&rig](orv::TApdComPort*, quint16 count) {
                             rig.counts.append(count);
                             QByteArray text;
                             rig.port.ReadChars(count, text);
                             rig.received += text;
                         });
        rig.device7.send("!");
        QTRY_COMPARE(rig.received.size(), 100001);
        QCOMPARE(rig.received, flood + "!");
        QCOMPARE(rig.counts.first(), 65535);
        QCOMPARE(rig.component.InBuffUsed(), 0);
    }

    void readingMoreThanWaitingFails()
    {
        Rig rig;
        QByteArray text;
        rig.port.ReadChars(0, text);
        QCOMPARE(text, QByteArray());
        QVERIFY_THROWS_EXCEPTION(orv::EBufferIsEmpty, rig.port.ReadChars(1, text));
    }

    void deviceVanishingClosesPortKeepsDataReportsOnce()
    {
        DialogRecorder dialogs;
        Rig rig;
        rig.openAt(7);
        rig.device7.send("41 00 BE 1F A8 13\r");
        QTRY_COMPARE(rig.received, QByteArray("41 00 BE 1F A8 13\r"));
        rig.device7.send("partial");
        QTRY_COMPARE(rig.received.size(), 25);
        rig.device7.vanish();
        QTRY_VERIFY(!rig.port.IsOpen());
        QTRY_COMPARE(dialogs.failures.size(), 1);
        QCOMPARE(rig.received, QByteArray("41 00 BE 1F A8 13\rpartial"));
        QVERIFY2(dialogs.failures[0].contains("COM7"), qPrintable(dialogs.failures[0]));
        QTest::qWait(200); // no second report while the device stays gone
        QCOMPARE(dialogs.failures.size(), 1);
        QVERIFY(dialogs.messages.isEmpty());

        // The next attempt finds the device gone and says so plainly.
        QVERIFY(!rig.port.Open());
        QCOMPARE(dialogs.messages,
                 QStringList{"Unable to open. Specified COM port does not exist"});
    }
};

ORV_TEST_MAIN(TestSerialPort)
#include "tst_serialport.moc"
