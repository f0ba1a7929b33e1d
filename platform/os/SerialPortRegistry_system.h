// What each platform's backend supplies to SerialPortRegistry.cpp (not for other callers).
#pragma once

#include "SerialPortRegistry.h"

namespace orv::os::detail {

// The system's list, as ReadSerialCommKey describes it for each platform.
std::vector<RegistryValue> SystemSerialCommKey();
// The name to open the system's port listed as `value` under COM<comNumber>.
std::string SystemDevicePath(const RegistryValue& value, unsigned comNumber);

} // namespace orv::os::detail
