// ReadFileVersion: the FileVersion string of a file's version resource, as the caption shows it.
// Uses only the functions of VersionInfo.h, so it behaves alike on Windows and Linux. No Qt.
#pragma once

#include <string>

namespace orv::os {

// The string table is always looked up under the fixed block "040904E4" (US English, code page
// 1252); the resource's translation table is not consulted. Empty when there is none.
std::string ReadFileVersion(const std::string& fileName);

} // namespace orv::os
