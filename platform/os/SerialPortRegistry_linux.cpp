#include "SerialPortRegistry_system.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

namespace orv::os {

namespace {

// Number n from a name "<prefix><n>", or nothing.
std::optional<unsigned long> deviceIndex(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
        name.size() - prefix.size() > 6)
        return std::nullopt;
    unsigned long n = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + unsigned(c - '0');
    }
    return n;
}

// The kernel makes ttyS0..ttyS31 whether or not a UART is fitted; type 0 means none is.
bool hasUart(const std::string& name)
{
    std::ifstream type("/sys/class/tty/" + name + "/type");
    std::string value;
    if (!(type >> value))
        return true; // no sysfs entry (a link placed in /dev): let opening decide
    return value != "0";
}

std::vector<RegistryValue> scanDevices()
{
    struct Found {
        int family;
        unsigned long index;
        std::string name;
    };
    static constexpr std::string_view kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};
    std::vector<Found> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        for (int family = 0; family < 3; ++family) {
            const auto index = deviceIndex(name, kFamilies[family]);
            if (index && (family != 0 || hasUart(name)))
                found.push_back({family, *index, name});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.family != b.family ? a.family < b.family : a.index < b.index;
    });
    std::vector<RegistryValue> values;
    for (size_t i = 0; i < found.size(); ++i)
        values.push_back({"/dev/" + found[i].name, "COM" + std::to_string(i + 1)});
    return values;
}

} // namespace

namespace detail {

// Scanned once: the numbering stays fixed for the life of the process.
std::vector<RegistryValue> SystemSerialCommKey()
{
    static const std::vector<RegistryValue> entries = scanDevices();
    return entries;
}

std::string SystemDevicePath(const RegistryValue& value, unsigned) { return value.name; }

} // namespace detail

} // namespace orv::os
