#include "FileVersion.h"

#include "VersionInfo.h"

#include <vector>

namespace orv::os {

std::string ReadFileVersion(const std::string& fileName)
{
    std::string result;
    uint32_t handle = 0;
    const uint32_t size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0)
        return result;
    std::vector<char> block(size);
    if (GetFileVersionInfoA(fileName.c_str(), handle, size, block.data())) {
        void* value = nullptr;
        unsigned length = 0;
        if (VerQueryValueA(block.data(), "StringFileInfo\\040904E4\\FileVersion", &value,
                           &length) &&
            value)
            result = static_cast<const char*>(value);
    }
    return result;
}

} // namespace orv::os
