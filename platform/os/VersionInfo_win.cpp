#include "VersionInfo.h"

#include <windows.h>
#include <winver.h>

// The system's own functions; only the integer types of the portable interface differ.

namespace orv::os {

uint32_t GetFileVersionInfoSizeA(const char* fileName, uint32_t* handle)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName, &ignored);
    if (handle)
        *handle = ignored;
    return size;
}

bool GetFileVersionInfoA(const char* fileName, uint32_t handle, uint32_t size, void* data)
{
    return ::GetFileVersionInfoA(fileName, handle, size, data) != FALSE;
}

bool VerQueryValueA(const void* block, const char* subBlock, void** buffer, unsigned* length)
{
    UINT valueLength = 0;
    const BOOL found = ::VerQueryValueA(block, subBlock, buffer, &valueLength);
    if (length)
        *length = valueLength;
    return found != FALSE;
}

} // namespace orv::os
