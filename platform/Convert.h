// Decimal text to integer, as the program's lists need it.
//   StrToInt(text) -> the value; EConvertError ("'x' is not a valid integer value") otherwise.
// Accepts an optional sign and decimal digits within the 32-bit signed range; nothing else.
#pragma once

#include <QString>

#include <stdexcept>

namespace orv {

class EConvertError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

int StrToInt(const QString& text);

} // namespace orv
