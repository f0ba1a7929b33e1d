// DescribeComPort(number): what the system knows of the device behind "COM<number>", for a
// tooltip: its device path and, where known, the adapter's description and maker. Empty for a
// number that is not listed or not a number. Never throws.
#pragma once

#include <QString>

namespace orv {

QString DescribeComPort(const QString& number);

} // namespace orv
