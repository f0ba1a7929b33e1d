#include "SerialPortRegistry_system.h"

#include <windows.h>

#include <algorithm>

namespace orv::os {

namespace {

// REG_SZ data need not end in NUL (any writer may omit it), and may carry several.
std::string stringData(const std::vector<char>& data, DWORD size)
{
    std::string text(data.data(), size);
    const auto end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

// Read on every call: ports come and go (USB adapters), and the key says so at once.
std::vector<RegistryValue> readKey()
{
    std::vector<RegistryValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return values;
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return values;
    }
    std::vector<char> name(maxName + 1);
    std::vector<char> data(maxData + 1);
    for (DWORD index = 0, retries = 0;;) {
        DWORD nameSize = DWORD(name.size());
        DWORD dataSize = DWORD(data.size());
        DWORD type = 0;
        const LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (status == ERROR_MORE_DATA && ++retries < 8) {
            // A value grew since the sizes were taken: make room and read the same index again.
            name.resize(name.size() * 2);
            data.resize(std::max<size_t>(data.size() * 2, dataSize + 1));
            continue;
        }
        if (status == ERROR_MORE_DATA) {
            ++index; // still growing: leave this one out rather than the rest of the list
            retries = 0;
            continue;
        }
        if (status != ERROR_SUCCESS)
            break; // ERROR_NO_MORE_ITEMS, or the key went away while being read
        if (type == REG_SZ)
            values.push_back({std::string(name.data(), nameSize), stringData(data, dataSize)});
        ++index;
        retries = 0;
    }
    RegCloseKey(key);
    return values;
}

} // namespace

namespace detail {

std::vector<RegistryValue> SystemSerialCommKey() { return readKey(); }

// The system's ports open by their own name.
std::string SystemDevicePath(const RegistryValue&, unsigned comNumber)
{
    return "COM" + std::to_string(comNumber);
}

} // namespace detail

} // namespace orv::os
