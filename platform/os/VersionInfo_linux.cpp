#include "VersionInfo.h"

#include "VersionBlock.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace orv::os {

namespace {

struct Section {
    uint64_t offset = 0;
    uint64_t size = 0;
};

template <typename Ehdr, typename Shdr>
std::optional<Section> findSection(std::ifstream& file, const char* wanted)
{
    Ehdr header{};
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(&header), sizeof header))
        return std::nullopt;
    if (header.e_shentsize != sizeof(Shdr) || header.e_shnum == 0 ||
        header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    std::vector<Shdr> sections(header.e_shnum);
    file.seekg(std::streamoff(header.e_shoff));
    if (!file.read(reinterpret_cast<char*>(sections.data()),
                   std::streamsize(sections.size() * sizeof(Shdr))))
        return std::nullopt;
    const Shdr& names = sections[header.e_shstrndx];
    std::vector<char> nameTable(names.sh_size + 1, '\0');
    file.seekg(std::streamoff(names.sh_offset));
    if (!file.read(nameTable.data(), std::streamsize(names.sh_size)))
        return std::nullopt;
    for (const Shdr& s : sections) {
        if (s.sh_name < names.sh_size && s.sh_type == SHT_PROGBITS &&
            std::strcmp(nameTable.data() + s.sh_name, wanted) == 0)
            return Section{s.sh_offset, s.sh_size};
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> readVersionSection(const char* fileName)
{
    if (!fileName)
        return std::nullopt;
    std::ifstream file(fileName, std::ios::binary);
    unsigned char ident[EI_NIDENT] = {};
    if (!file || !file.read(reinterpret_cast<char*>(ident), EI_NIDENT) ||
        std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return std::nullopt;
    const std::optional<Section> section =
        ident[EI_CLASS] == ELFCLASS64
            ? findSection<Elf64_Ehdr, Elf64_Shdr>(file, kVersionSectionName)
        : ident[EI_CLASS] == ELFCLASS32
            ? findSection<Elf32_Ehdr, Elf32_Shdr>(file, kVersionSectionName)
            : std::nullopt;
    if (!section || section->size < 6 || section->size > 0xFFFF)
        return std::nullopt;
    std::vector<uint8_t> bytes(section->size);
    file.clear();
    file.seekg(std::streamoff(section->offset));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size())))
        return std::nullopt;
    return bytes;
}

} // namespace

// As on Windows, the size asked for is twice the block: the second half is where the 8-bit
// copies of queried strings go.
uint32_t GetFileVersionInfoSizeA(const char* fileName, uint32_t* handle)
{
    if (handle)
        *handle = 0;
    const auto bytes = readVersionSection(fileName);
    return bytes ? uint32_t(bytes->size() * 2) : 0;
}

bool GetFileVersionInfoA(const char* fileName, uint32_t, uint32_t size, void* data)
{
    const auto bytes = readVersionSection(fileName);
    if (!bytes || !data || size < bytes->size())
        return false;
    std::memset(data, 0, size);
    std::memcpy(data, bytes->data(), bytes->size());
    return true;
}

bool VerQueryValueA(const void* block, const char* subBlock, void** buffer, unsigned* length)
{
    if (!block || !buffer || !length)
        return false;
    const auto* base = static_cast<const uint8_t*>(block);
    const size_t blockSize = size_t(base[0] | (base[1] << 8));
    const void* value = nullptr;
    unsigned valueLength = 0;
    bool isText = false;
    if (!QueryVersionBlock(block, blockSize, subBlock, &value, &valueLength, &isText))
        return false;
    if (!isText) {
        *buffer = const_cast<void*>(value);
        *length = valueLength;
        return true;
    }
    // Strings are stored as UTF-16; hand out an 8-bit copy placed in the block's second half,
    // at the same offset as the original, so every queried string has its own room.
    const auto* wide = static_cast<const uint8_t*>(value);
    const size_t offset = size_t(wide - base);
    auto* narrow = const_cast<char*>(reinterpret_cast<const char*>(base)) + blockSize + offset / 2;
    unsigned n = 0;
    for (; n < valueLength; ++n) {
        const uint16_t c = uint16_t(wide[2 * n] | (wide[2 * n + 1] << 8));
        if (c == 0)
            break;
        narrow[n] = c < 0x100 ? char(c) : '?';
    }
    narrow[n] = '\0';
    *buffer = narrow;
    *length = valueLength;
    return true;
}

} // namespace orv::os
