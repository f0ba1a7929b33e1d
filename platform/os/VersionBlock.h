// Windows version-information blocks (VS_VERSIONINFO), built and queried in portable code.
//
//   BuildVersionBlock(info)          -> the bytes of a VS_VERSIONINFO resource, as Windows stores
//   it QueryVersionBlock(block, size, subBlock, &value, &length)
//                                    -> finds "\StringFileInfo\<block>\<name>" or
//                                       "\VarFileInfo\Translation" the way VerQueryValue does
//
// The Linux build embeds a block made by BuildVersionBlock in the executable; the version
// functions of VersionInfo.h read it back with QueryVersionBlock. No Qt here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orv::os {

struct VersionNumbers {
    uint16_t major = 0, minor = 0, release = 0, build = 0;
};

// Parses "1.3.1.0"; throws std::invalid_argument on anything else.
VersionNumbers ParseVersionNumbers(const std::string& text);

struct VersionResource {
    VersionNumbers fileVersion;
    VersionNumbers productVersion;
    uint16_t language = 0x0409;
    uint16_t codePage = 0x04E4;
    // The string table's block name; normally language and code page as eight hex digits.
    std::string stringBlock = "040904E4";
    std::vector<std::pair<std::string, std::string>> strings; // name, value (ASCII)
};

std::vector<uint8_t> BuildVersionBlock(const VersionResource& resource);

// On success points *value at the node's value inside block and sets *length: characters
// (including the terminating NUL) for a text value, bytes for a binary one.
bool QueryVersionBlock(const void* block, size_t blockSize, const char* subBlock,
                       const void** value, unsigned* length, bool* isText);

} // namespace orv::os
