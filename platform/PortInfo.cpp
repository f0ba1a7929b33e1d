#include "PortInfo.h"

#include "SerialPortRegistry.h"

#include <QSerialPortInfo>

namespace orv {

QString DescribeComPort(const QString& number)
{
    bool ok = false;
    const uint n = number.toUInt(&ok);
    if (!ok)
        return {};
    const QString path = QString::fromStdString(orv::os::DevicePathForComNumber(n));
    if (path.isEmpty())
        return {};
    const QSerialPortInfo info(path);
    QStringList parts{path};
    if (!info.description().isEmpty())
        parts << info.description();
    if (!info.manufacturer().isEmpty() && !info.description().contains(info.manufacturer()))
        parts << info.manufacturer();
    return parts.join(QStringLiteral(" \u2013 "));
}

} // namespace orv
