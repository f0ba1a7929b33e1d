// The Windows backends over the real system, run under Wine by CTest (see CMakeLists.txt here).
//
//   orv_wintest version          this program's own resource, string block 040904E4
//   orv_wintest other-block      built with string block 040904B0: FileVersion reads empty
//   orv_wintest serialcomm DIR   the registry's port list, against reg.exe's listing in DIR
//   orv_wintest write DIR        a write to each port registered for the run reaches its pty
//   orv_wintest absent           the SERIALCOMM key deleted: an empty list
//
// DIR is the fixture's run directory (a Unix path): ports.txt ("COM5 /dev/pts/3" lines),
// serialcomm.txt (reg.exe's listing) and received-COM<n> (what each pty's master received).
#include "FileVersion.h"
#include "SerialPortRegistry.h"
#include "VersionInfo.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int passed = 0;
int failed = 0;

bool check(bool ok, const char* what, int line, const std::string& detail = {})
{
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL line %d: %s%s%s\n", line, what, detail.empty() ? "" : ": ",
                    detail.c_str());
    }
    return ok;
}

bool checkEqual(const std::string& actual, const std::string& expected, const char* what, int line)
{
    return check(actual == expected, what, line,
                 "got \"" + actual + "\", expected \"" + expected + "\"");
}

#define CHECK(cond) check((cond), #cond, __LINE__)
#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual, __LINE__)

std::string ownPath()
{
    char path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, DWORD(sizeof path));
    return std::string(path, n);
}

// Wine maps the Unix root to drive Z:.
std::string windowsPath(std::string unixPath)
{
    for (char& c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath;
}

std::string readFile(const std::string& unixPath)
{
    std::ifstream in(windowsPath(unixPath), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string describe(const std::vector<orv::os::RegistryValue>& values)
{
    std::string text;
    for (const auto& v : values)
        text += "[" + v.name + " = " + v.data + "] ";
    return text;
}

// ports.txt: the ports registered in HKLM\Software\Wine\Ports for this run.
std::vector<std::string> registeredPorts(const std::string& dir)
{
    std::vector<std::string> names;
    std::istringstream lines(readFile(dir + "/ports.txt"));
    for (std::string name, device; lines >> name >> device;)
        names.push_back(name);
    return names;
}

unsigned comNumber(const std::string& port) { return unsigned(std::stoul(port.substr(3))); }

// reg.exe prints "    <name>    REG_SZ    <data>" per value, in the key's enumeration order.
std::vector<orv::os::RegistryValue> regExeListing(const std::string& dir)
{
    std::vector<orv::os::RegistryValue> values;
    std::istringstream lines(readFile(dir + "/serialcomm.txt"));
    const std::string separator = "    REG_SZ    ";
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto at = line.find(separator);
        if (line.rfind("    ", 0) == 0 && at != std::string::npos)
            values.push_back({line.substr(4, at - 4), line.substr(at + separator.size())});
    }
    return values;
}

std::vector<char> versionBlock(const std::string& file)
{
    uint32_t handle = 0;
    const uint32_t size = orv::os::GetFileVersionInfoSizeA(file.c_str(), &handle);
    std::vector<char> block(size);
    if (size == 0 || !orv::os::GetFileVersionInfoA(file.c_str(), handle, size, block.data()))
        block.clear();
    return block;
}

std::string queryString(std::vector<char>& block, const char* subBlock)
{
    void* value = nullptr;
    unsigned length = 0;
    if (!orv::os::VerQueryValueA(block.data(), subBlock, &value, &length) || !value)
        return "<none>";
    return static_cast<const char*>(value);
}

void testVersion()
{
    const std::string self = ownPath();
    CHECK_EQ(orv::os::ReadFileVersion(self), "1.3.1.0");
    CHECK_EQ(orv::os::ReadFileVersion(self + ".missing"), "");

    std::vector<char> block = versionBlock(self);
    if (!CHECK(!block.empty()))
        return;
    // Both spellings of a path reach the same value in the system's parser.
    CHECK_EQ(queryString(block, "\\StringFileInfo\\040904E4\\ProductVersion"), "1.0.0.0");
    CHECK_EQ(queryString(block, "StringFileInfo\\040904E4\\FileVersion"), "1.3.1.0");
    CHECK_EQ(queryString(block, "\\StringFileInfo\\040904B0\\FileVersion"), "<none>");

    void* value = nullptr;
    unsigned length = 0;
    if (CHECK(
            orv::os::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length)) &&
        CHECK(length == 4)) {
        const auto* translation = static_cast<const WORD*>(value);
        CHECK(translation[0] == 0x0409 && translation[1] == 0x04E4);
    }
    if (CHECK(orv::os::VerQueryValueA(block.data(), "\\", &value, &length)) &&
        CHECK(length == sizeof(VS_FIXEDFILEINFO))) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        CHECK(fixed->dwSignature == 0xFEEF04BD);
        CHECK(fixed->dwFileVersionMS == 0x00010003 && fixed->dwFileVersionLS == 0x00010000);
        CHECK(fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0);
    }
}

void testOtherBlock()
{
    const std::string self = ownPath();
    CHECK_EQ(orv::os::ReadFileVersion(self), "");
    // The resource is there, only under another block: the empty result is for that reason.
    std::vector<char> block = versionBlock(self);
    if (CHECK(!block.empty()))
        CHECK_EQ(queryString(block, "\\StringFileInfo\\040904B0\\FileVersion"), "1.3.1.0");
}

void testSerialComm(const std::string& dir)
{
    const auto listed = orv::os::ReadSerialCommKey();
    const auto expected = regExeListing(dir);
    CHECK(!expected.empty());
    const bool same = listed.size() == expected.size() &&
                      std::equal(listed.begin(), listed.end(), expected.begin(),
                                 [](const auto& a, const auto& b) {
                                     return a.name == b.name && a.data == b.data;
                                 });
    check(same, "the list equals reg.exe's, in its order", __LINE__,
          "got " + describe(listed) + "expected " + describe(expected));

    const auto ports = registeredPorts(dir);
    if (!CHECK(ports.size() == 3))
        return;
    for (const std::string& port : ports) {
        const bool present = std::any_of(listed.begin(), listed.end(),
                                         [&](const auto& v) { return v.data == port; });
        check(present, "a port registered for the run is listed", __LINE__, port);
        CHECK_EQ(orv::os::DevicePathForComNumber(comNumber(port)), port);
    }
    CHECK_EQ(orv::os::DevicePathForComNumber(250), "");

    // Installed entries replace the system's list until cleared.
    orv::os::InstallSerialCommEntries({{"\\\\.\\CNCA0", "COM7"}, {"odd", "LPT1"}});
    CHECK(orv::os::ReadSerialCommKey().size() == 2);
    CHECK_EQ(orv::os::DevicePathForComNumber(7), "\\\\.\\CNCA0");
    CHECK_EQ(orv::os::DevicePathForComNumber(comNumber(ports.at(0))), "");
    orv::os::ClearSerialCommEntries();
    CHECK(orv::os::ReadSerialCommKey().size() == listed.size());
}

void testWrite(const std::string& dir)
{
    const auto ports = registeredPorts(dir);
    CHECK(ports.size() == 3);
    for (const std::string& port : ports) {
        const std::string device = orv::os::DevicePathForComNumber(comNumber(port));
        if (!check(!device.empty(), "a registered port is listed", __LINE__, port))
            continue;
        // COM10 and above open only through the device namespace; the prefix suits all.
        const HANDLE handle =
            CreateFileA(("\\\\.\\" + device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_EXISTING, 0, nullptr);
        if (!check(handle != INVALID_HANDLE_VALUE, "the port opens", __LINE__,
                   device + ": error " + std::to_string(GetLastError())))
            continue;
        // Bytes of its own per port, one above 0x7F: a mix-up or a 7-bit path would show.
        const std::string payload = port + "\xA5";
        DWORD written = 0;
        CHECK(WriteFile(handle, payload.data(), DWORD(payload.size()), &written, nullptr) &&
              written == payload.size());
        CloseHandle(handle);
        std::string received;
        for (int i = 0; i < 150 && received.size() < payload.size(); ++i) {
            Sleep(20);
            received = readFile(dir + "/received-" + port);
        }
        CHECK_EQ(received, payload);
    }
}

void testAbsent()
{
    HKEY key = nullptr;
    const LONG status =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS)
        RegCloseKey(key);
    if (!check(status == ERROR_FILE_NOT_FOUND, "the fixture has deleted the key", __LINE__,
               "RegOpenKeyExA gave " + std::to_string(status)))
        return;
    CHECK(orv::os::ReadSerialCommKey().empty());
    CHECK_EQ(orv::os::DevicePathForComNumber(1), "");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string dir = argc > 2 ? argv[2] : "";
    if (mode == "version")
        testVersion();
    else if (mode == "other-block")
        testOtherBlock();
    else if (mode == "serialcomm" && !dir.empty())
        testSerialComm(dir);
    else if (mode == "write" && !dir.empty())
        testWrite(dir);
    else if (mode == "absent")
        testAbsent();
    else {
        std::printf("usage: orv_wintest version|other-block|serialcomm DIR|write DIR|absent\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
