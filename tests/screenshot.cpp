// Renders the window, offscreen, after a short conversation with a virtual device, into the
// PNG file named on the command line (the README's picture).
#include "Application.h"
#include "SerialPortRegistry.h"
#include "VirtualDevice.h"
#include "main.h"

#include <QTest>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    orv::TApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvterm-screenshot out.png\n");
        return 2;
    }
    VirtualDevice device;
    orv::os::InstallSerialCommEntries({{device.path().toStdString(), "COM3"}});
    TfrmMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.cmbComPortNumber->setCurrentIndex(0);
    emit window.cmbComPortNumber->activated(0);

    const QList<QPair<QPushButton*, QByteArray>> exchange{
        {window.btnSendAtz, "\r\rELM327 v1.5\r\r>"},
        {window.btnSendAtspa0, "OK\r\r>"},
        {window.btnSend0100, "SEARCHING...\r41 00 BE 1F A8 13 \r\r>"},
    };
    for (const auto& [button, reply] : exchange) {
        QTest::mouseClick(button, Qt::LeftButton);
        device.receiveAll(std::chrono::milliseconds(30));
        device.send(reply);
        QTest::qWait(60);
    }
    window.edTxString->setText("010C");
    QTest::qWait(60);
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
