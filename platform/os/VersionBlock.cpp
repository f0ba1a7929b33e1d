#include "VersionBlock.h"

#include <cstring>
#include <stdexcept>

namespace orv::os {

namespace {

constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;

void put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, uint16_t(v & 0xFFFF));
    put16(out, uint16_t(v >> 16));
}

void putWide(std::vector<uint8_t>& out, const std::string& ascii)
{
    for (unsigned char c : ascii)
        put16(out, c);
    put16(out, 0);
}

void pad32(std::vector<uint8_t>& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// Every node: wLength, wValueLength, wType, key, padding, value, padding, children.
template <typename Children>
void putNode(std::vector<uint8_t>& out, const std::string& key, uint16_t type,
             const std::vector<uint8_t>& value, uint16_t valueLength, Children&& children)
{
    pad32(out);
    const size_t start = out.size();
    put16(out, 0);
    put16(out, valueLength);
    put16(out, type);
    putWide(out, key);
    pad32(out);
    out.insert(out.end(), value.begin(), value.end());
    children(out);
    const size_t length = out.size() - start;
    out[start] = uint8_t(length & 0xFF);
    out[start + 1] = uint8_t(length >> 8);
}

void noChildren(std::vector<uint8_t>&) {}

std::vector<uint8_t> fixedFileInfo(const VersionResource& r)
{
    std::vector<uint8_t> v;
    const auto ms = [](VersionNumbers n) { return uint32_t(n.major) << 16 | n.minor; };
    const auto ls = [](VersionNumbers n) { return uint32_t(n.release) << 16 | n.build; };
    put32(v, 0xFEEF04BD); // signature
    put32(v, 0x00010000); // structure version
    put32(v, ms(r.fileVersion));
    put32(v, ls(r.fileVersion));
    put32(v, ms(r.productVersion));
    put32(v, ls(r.productVersion));
    put32(v, 0x3F);    // flags mask
    put32(v, 0);       // flags
    put32(v, 0x40004); // VOS_NT_WINDOWS32
    put32(v, 1);       // VFT_APP
    put32(v, 0);       // subtype
    put32(v, 0);       // date
    put32(v, 0);
    return v;
}

bool keyEquals(const uint8_t* wide, const uint8_t* end, const std::string& ascii, size_t* keyBytes)
{
    size_t i = 0;
    for (;; ++i) {
        if (wide + 2 * i + 2 > end)
            return false;
        const uint16_t c = get16(wide + 2 * i);
        if (c == 0)
            break;
        if (i >= ascii.size())
            return false;
        auto lower = [](uint16_t x) { return (x >= 'A' && x <= 'Z') ? uint16_t(x + 32) : x; };
        if (lower(c) != lower(uint8_t(ascii[i])))
            return false;
    }
    *keyBytes = 2 * (i + 1);
    return i == ascii.size();
}

size_t align4(size_t offset) { return (offset + 3) & ~size_t(3); }

} // namespace

VersionNumbers ParseVersionNumbers(const std::string& text)
{
    VersionNumbers n;
    uint16_t* parts[] = {&n.major, &n.minor, &n.release, &n.build};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        size_t digits = 0;
        unsigned long value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 6) {
            value = value * 10 + unsigned(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 0xFFFF)
            throw std::invalid_argument("not a version number: " + text);
        *parts[i] = uint16_t(value);
        if (i < 3) {
            if (pos >= text.size() || text[pos] != '.')
                throw std::invalid_argument("not a version number: " + text);
            ++pos;
        }
    }
    if (pos != text.size())
        throw std::invalid_argument("not a version number: " + text);
    return n;
}

std::vector<uint8_t> BuildVersionBlock(const VersionResource& r)
{
    std::vector<uint8_t> out;
    const auto fixed = fixedFileInfo(r);
    putNode(out, "VS_VERSION_INFO", kBinary, fixed, uint16_t(fixed.size()), [&](auto& o) {
        putNode(o, "StringFileInfo", kText, {}, 0, [&](auto& o2) {
            putNode(o2, r.stringBlock, kText, {}, 0, [&](auto& o3) {
                for (const auto& [name, text] : r.strings) {
                    std::vector<uint8_t> value;
                    putWide(value, text);
                    putNode(o3, name, kText, value, uint16_t(text.size() + 1), noChildren);
                }
            });
        });
        putNode(o, "VarFileInfo", kText, {}, 0, [&](auto& o2) {
            std::vector<uint8_t> translation;
            put16(translation, r.language);
            put16(translation, r.codePage);
            putNode(o2, "Translation", kBinary, translation, 4, noChildren);
        });
    });
    return out;
}

bool QueryVersionBlock(const void* block, size_t blockSize, const char* subBlock,
                       const void** value, unsigned* length, bool* isText)
{
    const auto* base = static_cast<const uint8_t*>(block);
    if (!block || blockSize < 6)
        return false;
    size_t nodeStart = 0;
    size_t nodeEnd = get16(base);
    if (nodeEnd > blockSize || nodeEnd < 6)
        return false;

    // Each path component names a child of the current node; the root is VS_VERSION_INFO.
    const std::string path = subBlock ? subBlock : "";
    size_t pos = 0;
    for (;;) {
        while (pos < path.size() && path[pos] == '\\')
            ++pos;
        const auto header = [&](size_t at, size_t* keyStart, size_t* valueStart) {
            *keyStart = at + 6;
            size_t k = *keyStart;
            while (k + 2 <= blockSize && get16(base + k) != 0)
                k += 2;
            *valueStart = align4(k + 2);
        };
        size_t keyStart = 0, valueStart = 0;
        header(nodeStart, &keyStart, &valueStart);
        const uint16_t valueLength = get16(base + nodeStart + 2);
        const bool text = get16(base + nodeStart + 4) == kText;
        const size_t valueBytes = text ? size_t(valueLength) * 2 : valueLength;
        if (pos >= path.size()) {
            if (valueStart + valueBytes > nodeEnd)
                return false;
            *value = base + valueStart;
            *length = valueLength;
            if (isText)
                *isText = text;
            return true;
        }
        const size_t slash = path.find('\\', pos);
        const std::string component =
            path.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        pos = slash == std::string::npos ? path.size() : slash;

        bool found = false;
        for (size_t child = align4(valueStart + valueBytes); child + 6 <= nodeEnd;) {
            const size_t childLength = get16(base + child);
            if (childLength < 6 || child + childLength > nodeEnd)
                return false;
            size_t keyBytes = 0;
            if (keyEquals(base + child + 6, base + child + childLength, component, &keyBytes)) {
                nodeStart = child;
                nodeEnd = child + childLength;
                found = true;
                break;
            }
            child = align4(child + childLength);
        }
        if (!found)
            return false;
    }
}

} // namespace orv::os
