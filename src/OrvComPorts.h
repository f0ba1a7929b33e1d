// TOrvComPort: the program's only road to the serial line. Wraps the window's serial component
// (not owned) and turns the failures a user can provoke (no such port, port not open) into
// message boxes; every other failure of the component passes through unchanged.
#pragma once

#include "ApdComPort.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

class TOrvComPort {
public:
    using TNotifyEvent = std::function<void(TOrvComPort* Sender)>;

    explicit TOrvComPort(orv::TApdComPort* ComPort);
    virtual ~TOrvComPort() = default;

    // The numbers of the system's COM ports as decimal text, smallest first.
    QStringList GetComPortList();
    void SetComNumber(quint16 Value);
    void SetBaud(qint32 Value);
    bool Open();
    void Close();
    bool IsOpen() const;
    void SendString(const QByteArray& Text);
    char ReadChar();
    void ReadChars(quint16 Count, QByteArray& Text);

    TNotifyEvent OnBaudChange;
    TNotifyEvent OnComNumberChange;

protected:
    virtual void DoBaudChange();
    virtual void DoComNumberChange();

private:
    orv::TApdComPort* FComPort;
};

// The one instance, created by the main window at start-up.
extern TOrvComPort* SerialPort;
