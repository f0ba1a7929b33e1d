#include "ApdComPort.h"

#include "SerialPortRegistry.h"

#include <QMetaObject>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace orv {

EApdError::EApdError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

TApdComPort::TApdComPort(QObject* parent)
    : QObject(parent)
{
    connect(&FSerial, &QSerialPort::readyRead, this, &TApdComPort::takeReceived);
    connect(&FSerial, &QSerialPort::errorOccurred, this, &TApdComPort::onError);
}

TApdComPort::~TApdComPort() { FSerial.close(); }

QString TApdComPort::PortLabel() const
{
    const QString name = QStringLiteral("COM%1").arg(FComNumber);
    if (FDevicePath.isEmpty() || FDevicePath == name)
        return name;
    return QStringLiteral("%1 (%2)").arg(name, FDevicePath);
}

void TApdComPort::SetComNumber(quint16 value)
{
    if (!Open()) {
        FComNumber = value;
        return;
    }
    SetOpen(false);
    FComNumber = value;
    SetOpen(true);
}

void TApdComPort::SetBaud(qint32 value)
{
    FBaud = value;
    if (Open() && !FSerial.setBaudRate(value))
        throw EApdError(QStringLiteral("Unable to set %1 to %2 baud: %3")
                            .arg(PortLabel())
                            .arg(value)
                            .arg(FSerial.errorString()));
}

void TApdComPort::SetOpen(bool value)
{
    if (value == Open())
        return;
    if (value)
        openLine();
    else
        FSerial.close();
}

void TApdComPort::openLine()
{
    FDevicePath = FComNumber == 0
                      ? QString()
                      : QString::fromStdString(orv::os::DevicePathForComNumber(FComNumber));
    if (FDevicePath.isEmpty())
        throw EBadId(QStringLiteral("COM%1 does not exist: the system lists no serial port "
                                    "under that number")
                         .arg(FComNumber));

    FSerial.setPortName(FDevicePath);
    FSerial.setBaudRate(FBaud);
    FSerial.setDataBits(QSerialPort::Data8);
    FSerial.setParity(QSerialPort::NoParity);
    FSerial.setStopBits(QSerialPort::OneStop);
    FSerial.setFlowControl(QSerialPort::NoFlowControl);
    if (!FSerial.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = FSerial.error();
        const QString reason = FSerial.errorString();
        FSerial.clearError();
        if (error == QSerialPort::DeviceNotFoundError)
            throw EBadId(QStringLiteral("%1 does not exist: the device is gone").arg(PortLabel()));
        if (error == QSerialPort::PermissionError) {
#ifndef Q_OS_WIN
            if (::access(FDevicePath.toLocal8Bit().constData(), R_OK | W_OK) != 0)
                throw EAccessDenied(
                    QStringLiteral("No permission to open %1. Add your user to the group that "
                                   "owns the device (usually dialout: sudo usermod -aG dialout "
                                   "$USER), then log in again")
                        .arg(PortLabel()));
#endif
            throw EAlreadyOpen(QStringLiteral("%1 is in use by another program. Close that "
                                              "program, then choose the port again")
                                   .arg(PortLabel()));
        }
        throw EApdError(QStringLiteral("Unable to open %1: %2").arg(PortLabel(), reason));
    }
    // Modem lines cannot be set on every device (a pseudo-terminal has none); that is no failure.
    FSerial.setDataTerminalReady(true);
    FSerial.setRequestToSend(true);
    FSerial.clearError();
}

void TApdComPort::PutString(const QByteArray& text)
{
    if (!Open() && FAutoOpen) {
        try {
            SetOpen(true);
        } catch (const EApdError& failure) {
            throw ECommNotOpen(QString::fromStdString(failure.what()));
        }
    }
    if (!Open())
        throw ECommNotOpen(QStringLiteral("COM%1 is not open").arg(FComNumber));
    if (FSerial.write(text) != text.size())
        throw ELineFailure(
            QStringLiteral("Unable to write to %1: %2").arg(PortLabel(), FSerial.errorString()));
}

char TApdComPort::GetChar()
{
    if (FInPos >= FInBuffer.size())
        throw EBufferIsEmpty(
            QStringLiteral("No received character is waiting on COM%1").arg(FComNumber));
    const char c = FInBuffer[FInPos++];
    if (FInPos == FInBuffer.size()) {
        FInBuffer.clear();
        FInPos = 0;
    }
    return c;
}

void TApdComPort::takeReceived()
{
    // Drop what has been read already before growing the buffer.
    if (FInPos > 0) {
        FInBuffer.remove(0, FInPos);
        FInPos = 0;
    }
    FInBuffer.append(FSerial.readAll());
    if (InBuffUsed() > 0)
        queueTrigger();
}

void TApdComPort::queueTrigger()
{
    if (FTriggerQueued)
        return;
    FTriggerQueued = true;
    QMetaObject::invokeMethod(this, &TApdComPort::dispatchTrigger, Qt::QueuedConnection);
}

void TApdComPort::dispatchTrigger()
{
    FTriggerQueued = false;
    const qsizetype waiting = InBuffUsed();
    if (waiting == 0)
        return;
    // Fire again while bytes remain, also when the handler fails, as long as it takes some.
    struct Again {
        TApdComPort* port;
        qsizetype before;
        ~Again()
        {
            const qsizetype left = port->InBuffUsed();
            if (left > 0 && left < before)
                port->queueTrigger();
        }
    } again{this, waiting};
    emit TriggerAvail(this, quint16(std::min<qsizetype>(waiting, kMaxTriggerCount)));
}

void TApdComPort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
        error != QSerialPort::WriteError)
        return;
    if (!FSerial.isOpen())
        return;
    const QString reason = FSerial.errorString();
    FInBuffer.append(FSerial.readAll());
    FSerial.close();
    FSerial.clearError();
    if (InBuffUsed() > 0)
        queueTrigger();
    const QString message =
        error == QSerialPort::WriteError
            ? QStringLiteral("Writing to %1 failed (%2); the port has been closed. Send the "
                             "command again to reopen it")
                  .arg(PortLabel(), reason)
            : QStringLiteral("%1 was disconnected (%2); the port has been closed. Reconnect the "
                             "adapter, then send a command to reopen it")
                  .arg(PortLabel(), reason);
    // Not thrown here: this runs inside QSerialPort, which must not be unwound.
    QMetaObject::invokeMethod(
        this, [this, message] { raiseLineFailure(message); }, Qt::QueuedConnection);
}

void TApdComPort::raiseLineFailure(const QString& message)
{
    // Bytes received before the failure are shown before it is reported.
    if (FTriggerQueued) {
        QMetaObject::invokeMethod(
            this, [this, message] { raiseLineFailure(message); }, Qt::QueuedConnection);
        return;
    }
    throw ELineFailure(message);
}

} // namespace orv
