// The version information functions the program expects from its system.
//
//   GetFileVersionInfoSizeA(file, &handle) -> bytes needed for the file's version block, 0 if none
//   GetFileVersionInfoA(file, handle, size, data) -> copies the block; false on failure
//   VerQueryValueA(block, subBlock, &buffer, &length) -> a value in the block, strings as 8-bit
//   text
//
// Windows: the system's own functions over the executable's version resource.
// Linux: the same contract over a VS_VERSIONINFO block that the build embeds in the ELF
// executable's section kVersionSectionName; a file without that section has no version
// information. No Qt here; safe to call from any thread.
#pragma once

#include <cstdint>

namespace orv::os {

inline constexpr const char* kVersionSectionName = ".orvterm.version";

uint32_t GetFileVersionInfoSizeA(const char* fileName, uint32_t* handle);
bool GetFileVersionInfoA(const char* fileName, uint32_t handle, uint32_t size, void* data);
bool VerQueryValueA(const void* block, const char* subBlock, void** buffer, unsigned* length);

} // namespace orv::os
