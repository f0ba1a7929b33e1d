// TApdComPort: the serial port component the program is written against, over QSerialPort.
//
//   ComNumber / SetComNumber  port N is the system's COMN (see SerialPortRegistry.h); 0 = none.
//                             Changing it while open closes the port and reopens it on N.
//   Baud / SetBaud            bits per second; while open the line is reprogrammed at once
//   Open / SetOpen            opens or closes; throws EBadId for a port the system does not
//                             have, EAlreadyOpen when another program holds it, EAccessDenied
//                             when the user may not open it; a failed open leaves it closed
//   PutString(bytes)          writes; a closed port is opened first (AutoOpen), and if that does
//                             not open it, ECommNotOpen
//   GetChar()                 the next received byte; EBufferIsEmpty when none is waiting
//   InBuffUsed()              received bytes waiting
//   TriggerAvail(CP, Count)   data-available notification, on the main thread, queued (never
//                             from inside QSerialPort), with Count = bytes waiting (at most
//                             65535); fires again while bytes remain and the handler takes some
//
// Line: 8 data bits, no parity, 1 stop bit, no flow control, DTR and RTS raised on open.
// A device that vanishes while open (adapter unplugged) closes the port, keeps every byte read
// before, and raises one ELineFailure naming the port from a queued call, so it ends in the
// application's failure report; the next write reopens the port.
// Main thread only. Every failure is an EApdError carrying a message for the user.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

#include <stdexcept>

namespace orv {

class EApdError : public std::runtime_error {
public:
    explicit EApdError(const QString& message);
};
class EBadId : public EApdError {
    using EApdError::EApdError;
};
class ECommNotOpen : public EApdError {
    using EApdError::EApdError;
};
class EAlreadyOpen : public EApdError {
    using EApdError::EApdError;
};
class EAccessDenied : public EApdError {
    using EApdError::EApdError;
};
class EBufferIsEmpty : public EApdError {
    using EApdError::EApdError;
};
class ELineFailure : public EApdError {
    using EApdError::EApdError;
};

class TApdComPort : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 kDefaultBaud = 19200;
    static constexpr int kMaxTriggerCount = 65535;

    explicit TApdComPort(QObject* parent = nullptr);
    ~TApdComPort() override;

    quint16 ComNumber() const { return FComNumber; }
    void SetComNumber(quint16 value);
    qint32 Baud() const { return FBaud; }
    void SetBaud(qint32 value);
    bool Open() const { return FSerial.isOpen(); }
    void SetOpen(bool value);
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool value) { FAutoOpen = value; }

    void PutString(const QByteArray& text);
    char GetChar();
    qsizetype InBuffUsed() const { return FInBuffer.size() - FInPos; }

    // "COM3 (/dev/ttyUSB0)": how failures name the port.
    QString PortLabel() const;

signals:
    void TriggerAvail(orv::TApdComPort* CP, quint16 Count);

private:
    void openLine();
    void takeReceived();
    void onError(QSerialPort::SerialPortError error);
    void queueTrigger();
    void dispatchTrigger();
    void raiseLineFailure(const QString& message);

    QSerialPort FSerial;
    QString FDevicePath;
    quint16 FComNumber = 0;
    qint32 FBaud = kDefaultBaud;
    bool FAutoOpen = true;
    QByteArray FInBuffer;
    qsizetype FInPos = 0;
    bool FTriggerQueued = false;
};

} // namespace orv
