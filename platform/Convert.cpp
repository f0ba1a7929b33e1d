#include "Convert.h"

namespace orv {

int StrToInt(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    // toInt also takes surrounding blanks; the lists never carry them, so neither do we.
    if (!ok || text.trimmed() != text)
        throw EConvertError(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return value;
}

} // namespace orv
