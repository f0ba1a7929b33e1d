// Build-time tool: turns res/version.txt into the VS_VERSIONINFO block that the Linux build
// embeds in its executables.  Usage: mkversionblock version.txt out.bin [string-block]
#include "VersionBlock.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s version.txt out.bin [string-block]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1]);
    std::map<std::string, std::string> keys;
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (!line.empty() && line[0] != '#' && eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    try {
        orv::os::VersionResource r;
        r.fileVersion = orv::os::ParseVersionNumbers(keys.at("FILE_VERSION"));
        r.productVersion = orv::os::ParseVersionNumbers(keys.at("PRODUCT_VERSION"));
        r.language = uint16_t(std::stoul(keys.at("LANGUAGE"), nullptr, 16));
        r.codePage = uint16_t(std::stoul(keys.at("CODEPAGE"), nullptr, 16));
        r.stringBlock = argc > 3 ? argv[3] : keys.at("LANGUAGE") + keys.at("CODEPAGE");
        r.strings = {{"FileVersion", keys.at("FILE_VERSION")},
                     {"ProductVersion", keys.at("PRODUCT_VERSION")}};
        const auto block = orv::os::BuildVersionBlock(r);
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size()));
        if (!out)
            throw std::runtime_error(std::string("cannot write ") + argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkversionblock: %s\n", e.what());
        return 1;
    }
    return 0;
}
