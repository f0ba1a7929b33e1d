#include "RtfWriter.h"

#include "Win1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace orv {

namespace {

constexpr qsizetype kFlushSize = 1 << 20;
// Text is escaped in slices of this many code units, so the buffer stays near kFlushSize.
constexpr qsizetype kSlice = 1 << 16;
// The longest escape of one code unit: \u-32768?
constexpr qsizetype kMaxEscape = 9;

// The escape of one code unit below 0x100, padded so it is copied with one fixed-size memcpy.
struct Escape {
    char text[8];
    std::uint8_t length;
};

struct Tables {
    std::array<Escape, 256> low{};
    // Code page 1252 byte of each character at or above 0x100; 0 where the code page has none.
    std::array<std::uint8_t, 0x10000> high{};
};

char* putUnicode(char16_t u, char* out)
{
    // RTF takes \uN as a signed 16-bit number; "?" is the one fallback character \uc1 announces.
    int n = static_cast<std::int16_t>(u);
    *out++ = '\\';
    *out++ = 'u';
    if (n < 0) {
        *out++ = '-';
        n = -n;
    }
    char digits[5];
    int count = 0;
    do {
        digits[count++] = char('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (count > 0)
        *out++ = digits[--count];
    *out++ = '?';
    return out;
}

char* putHex(unsigned byte, char* out)
{
    static constexpr char kHex[] = "0123456789abcdef";
    *out++ = '\\';
    *out++ = '\'';
    *out++ = kHex[byte >> 4];
    *out++ = kHex[byte & 0xF];
    return out;
}

Escape makeEscape(const char* text, qsizetype length)
{
    Escape e{};
    std::memcpy(e.text, text, size_t(length));
    e.length = std::uint8_t(length);
    return e;
}

Tables makeTables()
{
    Tables t;
    // The image of code page 1252: every byte but the five it leaves undefined, which map to
    // C1 controls of their own number and are not read back as themselves from \'hh.
    std::array<std::uint8_t, 256> lowByte{};
    for (int b = 0x20; b < 0x100; ++b) {
        const char16_t c = ByteToChar(static_cast<unsigned char>(b)).unicode();
        const bool undefined = b >= 0x80 && b < 0xA0 && c == b;
        if (undefined)
            continue;
        if (c < 0x100)
            lowByte[c] = std::uint8_t(b);
        else
            t.high[c] = std::uint8_t(b);
    }
    for (int u = 0; u < 0x100; ++u) {
        char buf[kMaxEscape];
        char* end = buf;
        if (u == '\\' || u == '{' || u == '}') {
            buf[0] = '\\';
            buf[1] = char(u);
            end = buf + 2;
        } else if (u == '\t') {
            end = buf + 5;
            std::memcpy(buf, "\\tab ", 5);
        } else if (u == '\n') {
            // The newline after \par closes the word and keeps the file readable line by line.
            end = buf + 5;
            std::memcpy(buf, "\\par\n", 5);
        } else if (u >= 0x20 && u < 0x7F) {
            buf[0] = char(u);
            end = buf + 1;
        } else if (u < 0x20 || u == 0x7F) {
            // Not \'hh: some readers take \'0d for a paragraph break, and a received byte must
            // not change the document's structure.
            end = putUnicode(char16_t(u), buf);
        } else if (lowByte[u] != 0) {
            end = putHex(lowByte[u], buf);
        } else {
            end = putUnicode(char16_t(u), buf);
        }
        t.low[u] = makeEscape(buf, end - buf);
    }
    return t;
}

const Tables& tables()
{
    static const Tables t = makeTables();
    return t;
}

// Writes the escape of [in, end) at out, which must have room for kMaxEscape bytes per unit plus
// 8 (the fixed-size copies). previous is the byte written just before out.
char* escapeInto(const char16_t* in, const char16_t* end, char* out, char previous)
{
    const Tables& t = tables();
    char* const begin = out;
    for (; in != end; ++in) {
        const char16_t u = *in;
        if (u == ' ' && (out != begin ? out[-1] : previous) == ' ') {
            // LibreOffice reads each space of a run inside one stretch of text as U+2006 plus a
            // space; an empty group between them keeps every run one space long.
            std::memcpy(out, "{} ", 4);
            out += 3;
        } else if (u < 0x100) {
            const Escape& e = t.low[u];
            std::memcpy(out, e.text, sizeof e.text);
            out += e.length;
        } else if (const std::uint8_t b = t.high[u]; b != 0) {
            out = putHex(b, out);
        } else {
            // Includes each half of a surrogate pair, which RTF spells as two \u words.
            out = putUnicode(u, out);
        }
    }
    return out;
}

// Appends the escape of text to buffer, growing it by at most one slice's worth at a time.
void appendEscaped(QByteArray& buffer, QStringView text)
{
    const char16_t* in = text.utf16();
    for (qsizetype done = 0; done < text.size(); done += kSlice) {
        const qsizetype length = qMin(kSlice, text.size() - done);
        const qsizetype old = buffer.size();
        const char previous = old > 0 ? buffer.at(old - 1) : '\0';
        // Room for the fixed 8-byte copy of the last unit too.
        buffer.resize(old + length * kMaxEscape + 8);
        char* end = escapeInto(in + done, in + done + length, buffer.data() + old, previous);
        buffer.resize(end - buffer.constData());
    }
}

constexpr char kHeader[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
                           "{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}\n"
                           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}\n"
                           "\\pard\\plain\\f0\\fs16 ";

const char* colourWord(LogColour colour)
{
    switch (colour) {
    case LogColour::Sent:
        return "\\cf1 ";
    case LogColour::Received:
        return "\\cf2 ";
    case LogColour::Default:
        break;
    }
    return "\\cf0 ";
}

} // namespace

QByteArray RtfEscape(QStringView text)
{
    QByteArray out;
    appendEscaped(out, text);
    out.squeeze();
    return out;
}

RtfWriter::RtfWriter(QIODevice& device)
    : m_device(device)
{
    m_buffer.reserve(kFlushSize + kSlice * kMaxEscape + 64);
    m_buffer.append(kHeader);
}

RtfWriter::~RtfWriter()
{
    if (!m_finished)
        finish();
}

void RtfWriter::writeText(LogColour colour, QStringView text)
{
    if (m_finished || text.isEmpty())
        return;
    if (colour != m_colour) {
        m_buffer.append(colourWord(colour));
        m_colour = colour;
    }
    // In slices, so the buffer is flushed before it grows far past kFlushSize.
    for (qsizetype done = 0; done < text.size(); done += kSlice) {
        appendEscaped(m_buffer, text.mid(done, qMin(kSlice, text.size() - done)));
        flushIfFull();
    }
}

void RtfWriter::writeLineBreak()
{
    if (m_finished)
        return;
    m_buffer.append("\\par\n");
    flushIfFull();
}

void RtfWriter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_buffer.append("}\n");
    put(m_buffer.constData(), m_buffer.size());
    m_buffer = QByteArray();
}

// A device may take less than it is given (a full disk, a file size limit) without calling
// it an error; that is a failed write all the same.
void RtfWriter::put(const char* data, qsizetype size)
{
    if (!m_failed && m_device.write(data, size) != size)
        m_failed = true;
}

void RtfWriter::flushIfFull()
{
    if (m_buffer.size() < kFlushSize)
        return;
    // The last byte stays: the next escape looks at it (see escapeInto).
    const qsizetype keep = 1;
    put(m_buffer.constData(), m_buffer.size() - keep);
    m_buffer[0] = m_buffer.back();
    // Keeps the capacity for the next chunk.
    m_buffer.resize(keep);
}

} // namespace orv
