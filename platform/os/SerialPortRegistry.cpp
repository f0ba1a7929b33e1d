// The platform-independent part: entries installed by tests, and finding a port by number.
#include "SerialPortRegistry.h"

#include "SerialPortRegistry_system.h"

#include <optional>

namespace orv::os {

namespace {

std::optional<std::vector<RegistryValue>>& installedEntries()
{
    static std::optional<std::vector<RegistryValue>> entries;
    return entries;
}

} // namespace

std::vector<RegistryValue> ReadSerialCommKey()
{
    const auto& installed = installedEntries();
    return installed ? *installed : detail::SystemSerialCommKey();
}

std::string DevicePathForComNumber(unsigned comNumber)
{
    const std::string wanted = "COM" + std::to_string(comNumber);
    const bool installed = installedEntries().has_value();
    for (const RegistryValue& value : ReadSerialCommKey())
        if (value.data == wanted)
            // Installed entries open the device they name; the system's, as the platform opens
            // them.
            return installed ? value.name : detail::SystemDevicePath(value, comNumber);
    return {};
}

void InstallSerialCommEntries(std::vector<RegistryValue> entries)
{
    installedEntries() = std::move(entries);
}

void ClearSerialCommEntries() { installedEntries().reset(); }

} // namespace orv::os
