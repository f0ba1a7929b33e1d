// RtfWriter: writes the communication log as a Rich Text Format document.
//
//   RtfWriter w(device);  w.writeText(LogColour::Sent, text); w.writeLineBreak(); ... w.finish();
//   RtfEscape(text)       -> the RTF of one run of text (pure; used by writeText)
//
// The document is 7-bit ASCII under \ansicpg1252: "\", "{" and "}" escaped; characters of bytes
// 0x80-0xFF as \'hh; the five bytes code page 1252 leaves undefined (81 8D 8F 90 9D) and any
// other character as \uN?; tabs as \tab; line breaks as \par; every control word closed, so no
// text can change the document's structure. Colour table: red (sent), green (received); one
// font; 8 pt. Output is streamed to the device in chunks, so a log of any size can be written.
// failed() tells whether the device refused any part of the document, including a short write.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QStringView>

namespace orv {

enum class LogColour { Default, Sent, Received };

QByteArray RtfEscape(QStringView text);

class RtfWriter {
public:
    explicit RtfWriter(QIODevice& device); // writes the document's header
    ~RtfWriter();                          // finishes the document if finish() was not called
    RtfWriter(const RtfWriter&) = delete;
    RtfWriter& operator=(const RtfWriter&) = delete;

    // A run of text in one colour; a '\n' in it is a line break.
    void writeText(LogColour colour, QStringView text);
    void writeLineBreak();
    // Closes the document and hands everything to the device.
    void finish();
    bool failed() const { return m_failed; }

private:
    void put(const char* data, qsizetype size);
    void flushIfFull();

    QIODevice& m_device;
    QByteArray m_buffer;
    LogColour m_colour = LogColour::Default;
    bool m_finished = false;
    bool m_failed = false;
};

} // namespace orv
