// Text and bytes: one character is one byte on the line, mapped through Windows-1252 both ways.
//
//   BytesToText(bytes) -> text; every byte has a character, so every byte round-trips
//   TextToBytes(text)  -> bytes; a character the code page lacks becomes '?'
//
// The five bytes Windows-1252 leaves undefined (81 8D 8F 90 9D) map to the control characters
// of the same number. Pure functions.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace orv {

QChar ByteToChar(unsigned char byte);
QString BytesToText(const QByteArray& bytes);
QByteArray TextToBytes(QStringView text);

} // namespace orv
