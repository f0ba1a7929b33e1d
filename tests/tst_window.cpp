// The main window driven as a user drives it, talking to a virtual device.
#include "Convert.h"
#include "TestMain.h"
#include "WindowRig.h"

#include <QAbstractItemView>
#include <QMessageBox>
#include <QScrollBar>
#include <QtTest>

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void startsWithCaptionPortsAndDefaults()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        QCOMPARE(w.windowTitle(), "Orv Term 1.3.1.0");
        QCOMPARE(w.cmbComPortNumber->count(), 2);
        QCOMPARE(w.cmbComPortNumber->itemText(0), "3");
        QCOMPARE(w.cmbComPortNumber->itemText(1), "4");
        QCOMPARE(w.cmbComPortNumber->currentIndex(), -1);
        QCOMPARE(w.cmbComPortNumber->itemData(0, Qt::ToolTipRole).toString(), rig.device.path());
        QStringList rates;
        for (int i = 0; i < w.cmbBaudRate->count(); ++i)
            rates << w.cmbBaudRate->itemText(i);
        QCOMPARE(rates, QStringList(
                            {"9600", "38400", "115200", "128000", "500000", "1000000", "2000000"}));
        QCOMPARE(w.cmbBaudRate->currentText(), "115200");
        QVERIFY(w.reCommLog->isReadOnly());
        QCOMPARE(rig.logText(), "");
        QVERIFY(!SerialPort->IsOpen());
        QVERIFY(rig.dialogs.messages.isEmpty() && rig.dialogs.failures.isEmpty());
    }

    void controlsSitWhereTheLayoutSays()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        QCOMPARE(w.size(), QSize(348, 568));
        QCOMPARE(w.font().family(), "MS Sans Serif");
        QCOMPARE(w.font().pixelSize(), 11);
        struct Place {
            QWidget* control;
            QRect geometry;
            QString text;
            QString hint;
        };
        const QList<Place> places{
            {w.lblComPortNumber, {16, 24, 89, 13}, "COM Port Number:", ""},
            {w.lblBaudRate, {48, 48, 54, 13}, "Baud Rate:", ""},
            {w.cmbComPortNumber, {112, 16, 145, 21}, "", ""},
            {w.cmbBaudRate, {112, 48, 145, 21}, "115200", ""},
            {w.reCommLog, {24, 80, 298, 305}, "", ""},
            {w.edTxString, {24, 396, 153, 21}, "", "Enter custom command here"},
            {w.btnSendCmd, {184, 396, 73, 25}, "Send", ""},
            {w.btnSendAtz, {24, 428, 75, 25}, "ATZ", "Perform complete reset"},
            {w.btnSendAti, {104, 428, 75, 25}, "ATI", "Display version information"},
            {w.btnSendAtAt1, {184, 428, 75, 25}, "AT@1", "Display manufacturer"},
            {w.btnSendAtspa0, {24, 460, 75, 25}, "ATSP 00", "Set protocol to automatic"},
            {w.btnSendAtdp, {104, 460, 75, 25}, "ATDP", "Display selected protocol"},
            {w.btnSend0100, {184, 460, 75, 25}, "0100", "Request supported parameter IDs"},
            {w.Label1, {0, 532, 353, 13}, "", ""},
        };
        for (const Place& p : places) {
            if (qobject_cast<QLabel*>(p.control) && p.control != w.Label1) {
                // Labels fit their text: the same place, whatever width the font needs.
                QCOMPARE(p.control->pos(), p.geometry.topLeft());
                QVERIFY(p.control->width() >= p.control->sizeHint().width());
                QVERIFY(p.control->geometry().right() < w.cmbComPortNumber->x());
            } else {
                QCOMPARE(p.control->geometry(), p.geometry);
            }
            QCOMPARE(p.control->toolTip(), p.hint);
            if (auto* button = qobject_cast<QPushButton*>(p.control))
                QCOMPARE(button->text(), p.text);
            else if (auto* label = qobject_cast<QLabel*>(p.control); label && !p.text.isEmpty())
                QCOMPARE(label->text(), p.text);
        }
        QVERIFY(!w.Label1->text().isEmpty());
        QCOMPARE(w.Label1->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }

    void tabOrderFollowsTheLayout()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        const QList<QWidget*> order{w.cmbComPortNumber, w.cmbBaudRate,  w.reCommLog,
                                    w.edTxString,       w.btnSendCmd,   w.btnSendAtz,
                                    w.btnSendAti,       w.btnSendAtAt1, w.btnSendAtspa0,
                                    w.btnSendAtdp,      w.btnSend0100,  w.cmbComPortNumber};
        w.activateWindow();
        order[0]->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), order[i]->objectName());
        }
    }

    void resizingKeepsAnchoredDistances()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        w.resize(348 + 200, 568 + 100);
        QTRY_COMPARE(w.reCommLog->geometry(), QRect(24, 80, 298 + 200, 305 + 100));
        QCOMPARE(w.edTxString->geometry(), QRect(24, 396 + 100, 153, 21));
        QCOMPARE(w.btnSendCmd->geometry(), QRect(184, 396 + 100, 73, 25));
        QCOMPARE(w.btnSend0100->geometry(), QRect(184, 460 + 100, 75, 25));
        QCOMPARE(w.cmbComPortNumber->geometry(), QRect(112, 16, 145, 21));
        QCOMPARE(w.lblBaudRate->pos(), QPoint(48, 48));
        QCOMPARE(w.Label1->geometry(), QRect(0, 532 + 100, 353 + 200, 13));
    }

    void clickingAtzOpensChosenPortAndLogsTheConversation()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        w.cmbComPortNumber->setCurrentIndex(0); // chosen, not yet open
        w.cmbBaudRate->setCurrentIndex(0);      // 9600
        QTest::mouseClick(w.btnSendAtz, Qt::LeftButton);
        QVERIFY(SerialPort->IsOpen());
        QCOMPARE(rig.device.lineSpeed(), 9600);
        QCOMPARE(rig.device.receive(4), QByteArray("ATZ\r"));
        QCOMPARE(rig.colouredLog(), "[S]ATZ\n");

        rig.device.send("\x4F\x4B\x0D\x0D\x3E");
        QTRY_COMPARE(rig.colouredLog(), "[S]ATZ\n[R]OK\n\n>");
        rig.device.send(QByteArray("\0 4", 3));
        QTRY_COMPARE(rig.colouredLog(), "[S]ATZ\n[R]OK\n\n> 4");
        QVERIFY(rig.dialogs.messages.isEmpty() && rig.dialogs.failures.isEmpty());
    }

    void everyButtonSendsItsCommand()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "3");
        const QList<QPair<QPushButton*, QByteArray>> buttons{
            {w.btnSendAtz, "ATZ"},        {w.btnSendAti, "ATI"},   {w.btnSendAtAt1, "AT@1"},
            {w.btnSendAtspa0, "ATSP 00"}, {w.btnSendAtdp, "ATDP"}, {w.btnSend0100, "0100"}};
        QByteArray expected;
        for (const auto& [button, command] : buttons) {
            QTest::mouseClick(button, Qt::LeftButton);
            expected += command + '\r';
        }
        QCOMPARE(rig.device.receive(expected.size()), expected);
        QCOMPARE(rig.logText(), QString::fromLatin1(expected).replace('\r', '\n'));
    }

    void typedCommandsGoOutAsTyped()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "3");
        w.edTxString->setFocus();
        QTest::keyClicks(w.edTxString, "at sh 7e0 ");
        w.edTxString->insert(QString::fromUtf8("\u00e9\u20ac\u0416"));
        QTest::mouseClick(w.btnSendCmd, Qt::LeftButton);
        // Lower case, blanks and code page 1252 kept; a character it lacks goes out as "?".
        QCOMPARE(rig.device.receive(14), QByteArray("at sh 7e0 \xe9\x80?\r"));
        QCOMPARE(rig.logText(), QString::fromUtf8("at sh 7e0 \u00e9\u20ac?\n"));
        QCOMPARE(w.edTxString->text(), QString::fromUtf8("at sh 7e0 \u00e9\u20ac\u0416"));
    }

    void enterSendsOnceOnRelease()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "3");
        w.edTxString->setFocus();

        QTest::keyClick(w.edTxString, Qt::Key_Return); // empty edit: a lone carriage return
        QCOMPARE(rig.device.receive(1), QByteArray("\r"));
        QCOMPARE(rig.colouredLog(), "[S]\n"); // an empty red line

        QTest::keyClicks(w.edTxString, "ATI");
        // Held down: auto-repeated presses and releases, then the real release.
        QTest::keyPress(w.edTxString, Qt::Key_Return);
        for (int i = 0; i < 5; ++i) {
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", true);
            QApplication::sendEvent(w.edTxString, &release);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
            QApplication::sendEvent(w.edTxString, &press);
        }
        QTest::keyRelease(w.edTxString, Qt::Key_Return);
        QCOMPARE(rig.device.receiveAll(), QByteArray("ATI\r"));

        // The text stays, so Enter sends it again; keypad Enter with a modifier counts too.
        QTest::keyClick(w.edTxString, Qt::Key_Enter, Qt::ShiftModifier);
        QCOMPARE(rig.device.receive(4), QByteArray("ATI\r"));
        QTest::keyClick(w.edTxString, Qt::Key_A);
        QCOMPARE(rig.device.receiveAll(), QByteArray());
        QCOMPARE(rig.logText(), "\nATI\nATI\n");
    }

    void noPortChosenSaysSelectFirst()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        QTest::mouseClick(w.btnSendAti, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages, QStringList{"Select COM port first."});
        WindowRig::choose(w.cmbBaudRate, "500000");
        QCOMPARE(rig.dialogs.messages, QStringList(2, "Select COM port first."));
        QCOMPARE(w.cmbBaudRate->currentText(), "500000");
        QCOMPARE(rig.logText(), "");
        QVERIFY(!SerialPort->IsOpen());

        // The next open uses the rate chosen meanwhile.
        WindowRig::choose(w.cmbComPortNumber, "3");
        QVERIFY(SerialPort->IsOpen());
        QCOMPARE(rig.device.lineSpeed(), 500000);
        QCOMPARE(rig.device.receiveAll(std::chrono::milliseconds(20)), QByteArray());
    }

    void missingPortSaysSoOnEveryTry()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "4");
        QTest::mouseClick(w.btnSendAtz, Qt::LeftButton);
        QTest::mouseClick(w.btnSendAtz, Qt::LeftButton);
        QCOMPARE(rig.dialogs.messages,
                 QStringList(3, "Unable to open. Specified COM port does not exist"));
        QCOMPARE(w.cmbComPortNumber->currentText(), "4");
        QCOMPARE(rig.logText(), "");
        QVERIFY(rig.dialogs.failures.isEmpty());
    }

    void busyPortEndsInFailureReportAndSendsNothing()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        QSerialPort other(rig.device.path());
        QVERIFY(other.open(QIODevice::ReadWrite));
        w.cmbComPortNumber->setCurrentIndex(0);
        QTest::mouseClick(w.btnSendAtz, Qt::LeftButton);
        QTRY_COMPARE(rig.dialogs.failures.size(), 1);
        QVERIFY2(rig.dialogs.failures[0].contains("COM3"), qPrintable(rig.dialogs.failures[0]));
        QVERIFY(rig.dialogs.failures[0].endsWith('.'));
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(rig.logText(), "");
        QVERIFY(!SerialPort->IsOpen());
    }

    void rateChangeReopensAtNewRate()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "3");
        QCOMPARE(rig.device.lineSpeed(), 115200);
        WindowRig::choose(w.cmbBaudRate, "128000");
        QVERIFY(SerialPort->IsOpen());
        QCOMPARE(rig.device.lineSpeed(), 128000);
        QTest::mouseClick(w.btnSendAtdp, Qt::LeftButton);
        QCOMPARE(rig.device.receive(5), QByteArray("ATDP\r"));
    }

    void receivedTextLeavesUserSelectionAlone()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "3");
        QTest::mouseClick(w.btnSendAti, Qt::LeftButton);
        rig.device.send("ELM v1.5\r\r>");
        QTRY_COMPARE(rig.logText(), "ATI\nELM v1.5\n\n>");

        QTextCursor selection(w.reCommLog->document());
        selection.setPosition(4);
        selection.setPosition(7, QTextCursor::KeepAnchor);
        w.reCommLog->setTextCursor(selection);
        rig.device.send("41 00\r");
        QTRY_COMPARE(rig.logText(), "ATI\nELM v1.5\n\n>41 00\n");
        QCOMPARE(w.reCommLog->SelectedText(), "ELM");
        QCOMPARE(w.reCommLog->textCursor().selectionStart(), 4);

        w.reCommLog->selectAll();
        rig.device.send("OK");
        QTRY_COMPARE(rig.logText(), "ATI\nELM v1.5\n\n>41 00\nOK");
    }

    void viewFollowsNewTextOnlyAtTheEnd()
    {
        WindowRig rig;
        TfrmMain& w = rig.w();
        WindowRig::choose(w.cmbComPortNumber, "3");
        QScrollBar* bar = w.reCommLog->verticalScrollBar();
        for (int i = 0; i < 100; ++i)
            rig.device.send(QByteArray::number(i) + " 41 00 BE 1F A8 13\r");
        QTRY_VERIFY(rig.logText().endsWith("99 41 00 BE 1F A8 13\n"));
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(10); // the user scrolls up to read
        rig.device.send("more\r");
        QTRY_VERIFY(rig.logText().endsWith("more\n"));
        QCOMPARE(bar->value(), 10);
    }

    void malformedPortListFailsStartUpButWindowOpens()
    {
        WindowRig rig(std::vector<orv::os::RegistryValue>{{"/dev/orvterm-odd", "COM1x"}});
        QCOMPARE(rig.w().windowTitle(), "OrvTerm v1.0.0");
        QCOMPARE(rig.dialogs.failures, QStringList{"'1x' is not a valid integer value."});
        QVERIFY(rig.w().isVisible());
    }

    void choosingANonNumberEntryFails()
    {
        orv::os::InstallSerialCommEntries({{"/dev/orvterm-odd", "COMx"}});
        DialogRecorder dialogs;
        TfrmMain w;
        QCOMPARE(w.cmbComPortNumber->itemText(0), "x");
        WindowRig::choose(w.cmbComPortNumber, "x");
        QTRY_COMPARE(dialogs.failures, QStringList{"'x' is not a valid integer value."});
        QVERIFY(!SerialPort->IsOpen());
        orv::os::ClearSerialCommEntries();
    }

    void noPortsMeansEmptyListAndNoMessage()
    {
        orv::os::InstallSerialCommEntries({});
        DialogRecorder dialogs;
        TfrmMain w;
        QCOMPARE(w.cmbComPortNumber->count(), 0);
        QVERIFY(dialogs.messages.isEmpty() && dialogs.failures.isEmpty());
        orv::os::ClearSerialCommEntries();
    }

    void dialogsAreModalAndTitled()
    {
        orv::os::InstallSerialCommEntries({});
        TfrmMain w;
        w.show();

        // What the next modal box shows; it is dismissed with Enter, as a user would.
        struct Seen {
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::Warning;
            qsizetype buttons = -1;
        } seen;
        const auto readNextBox = [&seen] {
            QTimer::singleShot(50, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                seen = {box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
                QTest::keyClick(box, Qt::Key_Enter);
            });
        };

        readNextBox();
        QTest::mouseClick(w.btnSendAtz, Qt::LeftButton);
        QCOMPARE(seen.title, "OrvTerm");
        QCOMPARE(seen.text, "Select COM port first.");
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QCOMPARE(seen.buttons, 1);

        // A failure that escapes a handler: the same box with an error icon, and the program
        // carries on.
        readNextBox();
        QMetaObject::invokeMethod(
            &w, [] { throw orv::EConvertError("'x' is not a valid integer value"); },
            Qt::QueuedConnection);
        QTRY_COMPARE(seen.text, "'x' is not a valid integer value.");
        QCOMPARE(seen.title, "OrvTerm");
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, 1);
        QVERIFY(w.isVisible());
        orv::os::ClearSerialCommEntries();
    }
};

ORV_TEST_MAIN(TestWindow)
#include "tst_window.moc"
