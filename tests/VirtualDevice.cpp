#include "VirtualDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

long long
readLineSpeed(int fd); // LineSpeed.cpp: kept apart, its kernel header clashes with termios.h

namespace {

void pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }

} // namespace

VirtualDevice::VirtualDevice()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    m_path = QString::fromLocal8Bit(::ptsname(m_master));
    m_slaveKeeper = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    ::tcgetattr(m_slaveKeeper, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slaveKeeper, TCSANOW, &raw);
}

VirtualDevice::~VirtualDevice()
{
    if (m_slaveKeeper >= 0)
        ::close(m_slaveKeeper);
    if (m_master >= 0)
        ::close(m_master);
}

void VirtualDevice::send(const QByteArray& data)
{
    qsizetype done = 0;
    QElapsedTimer timer;
    timer.start();
    while (done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::runtime_error("virtual device: write failed");
        } else {
            if (timer.elapsed() > 20000)
                throw std::runtime_error("virtual device: the program does not read");
            pump();
        }
    }
}

QByteArray VirtualDevice::receive(qsizetype n, std::chrono::milliseconds timeout)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    char buffer[4096];
    while (got.size() < n && timer.elapsed() < timeout.count()) {
        const ssize_t r = ::read(m_master, buffer, sizeof buffer);
        if (r > 0)
            got.append(buffer, r);
        else
            pump();
    }
    return got;
}

QByteArray VirtualDevice::receiveAll(std::chrono::milliseconds quiet)
{
    QByteArray got;
    QElapsedTimer sinceLast;
    sinceLast.start();
    char buffer[4096];
    while (sinceLast.elapsed() < quiet.count()) {
        const ssize_t r = ::read(m_master, buffer, sizeof buffer);
        if (r > 0) {
            got.append(buffer, r);
            sinceLast.restart();
        } else {
            pump();
        }
    }
    return got;
}

qint64 VirtualDevice::lineSpeed() const { return readLineSpeed(m_slaveKeeper); }

void VirtualDevice::vanish()
{
    ::close(m_slaveKeeper);
    m_slaveKeeper = -1;
    ::close(m_master);
    m_master = -1;
}
