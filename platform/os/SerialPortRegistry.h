// The system's list of serial ports, as the registry key HKLM\HARDWARE\DEVICEMAP\SERIALCOMM
// holds it: pairs of (value name, string data), data normally "COM<n>".
//
//   ReadSerialCommKey()         -> the key's values in the registry's order; empty without the key
//   DevicePathForComNumber(n)   -> the device that "COM<n>" stands for; empty if none is listed
//   InstallSerialCommEntries(v) -> tests: serve v instead of the system's list until cleared
//   ClearSerialCommEntries()
//
// Windows: the real registry key, read-only; COM<n> is opened by its own name.
// Linux: the serial devices present when the list is first read, numbered COM1, COM2, ... in
// this order: /dev/ttyS<n> with a UART behind them, /dev/ttyUSB<n>, /dev/ttyACM<n>, each family
// by ascending n; value name = device path. The numbering is fixed for the life of the process
// so that a number always opens the device it was listed for.
// No Qt here. Call from one thread (the program's main thread).
#pragma once

#include <string>
#include <vector>

namespace orv::os {

struct RegistryValue {
    std::string name;
    std::string data;
};

std::vector<RegistryValue> ReadSerialCommKey();
std::string DevicePathForComNumber(unsigned comNumber);

void InstallSerialCommEntries(std::vector<RegistryValue> entries);
void ClearSerialCommEntries();

} // namespace orv::os
