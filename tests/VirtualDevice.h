// VirtualDevice: a serial device played by the test over a pseudo-terminal pair.
// The slave side is what the program opens (installed as a COM port); the test reads what the
// program wrote and writes the device's replies on the master side. While waiting, the Qt event
// loop keeps running, since the program writes and reads from it.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

class VirtualDevice {
public:
    VirtualDevice();
    ~VirtualDevice();
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    QString path() const { return m_path; }
    // The device's end of the line (non-blocking), for a device played from another thread.
    int masterFd() const { return m_master; }

    // Writes all of data to the program, running the event loop while the line is full.
    void send(const QByteArray& data);
    // Waits until n bytes came from the program (or the timeout), and returns what came.
    QByteArray receive(qsizetype n, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Everything that arrives within the given quiet time.
    QByteArray receiveAll(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
    // The line rate the program has set on the port (bits per second).
    qint64 lineSpeed() const;
    // The device goes away as an unplugged adapter does.
    void vanish();

private:
    int m_master = -1;
    int m_slaveKeeper = -1; // keeps the slave alive between the program's opens
    QString m_path;
};
