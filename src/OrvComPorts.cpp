#include "OrvComPorts.h"

#include "Application.h"
#include "Convert.h"
#include "SerialPortRegistry.h"

#include <algorithm>

TOrvComPort* SerialPort = nullptr;

namespace {

int ComparePortNumbers(const QString& Item1, const QString& Item2)
{
    const int Number1 = orv::StrToInt(Item1);
    const int Number2 = orv::StrToInt(Item2);
    return Number1 < Number2 ? -1 : Number1 > Number2 ? 1 : 0;
}

} // namespace

TOrvComPort::TOrvComPort(orv::TApdComPort* ComPort)
    : FComPort(ComPort)
{
}

QStringList TOrvComPort::GetComPortList()
{
    QStringList Result;
    // An absent key reads as no values at all.
    for (const orv::os::RegistryValue& Value : orv::os::ReadSerialCommKey()) {
        const QString Data = QString::fromLocal8Bit(Value.data);
        if (Data.startsWith(QLatin1String("COM"), Qt::CaseSensitive))
            Result.append(Data.mid(3));
    }
    if (Result.size() >= 2)
        std::sort(Result.begin(), Result.end(),
                  [](const QString& A, const QString& B) { return ComparePortNumbers(A, B) < 0; });
    return Result;
}

void TOrvComPort::SetComNumber(quint16 Value)
{
    FComPort->SetComNumber(Value);
    DoComNumberChange();
}

void TOrvComPort::SetBaud(qint32 Value)
{
    FComPort->SetBaud(Value);
    DoBaudChange();
}

bool TOrvComPort::Open()
{
    if (FComPort->ComNumber() == 0) {
        orv::ShowMessage(QStringLiteral("COM port is not selected."));
        return false;
    }
    try {
        FComPort->SetOpen(true);
        return true;
    } catch (const orv::EBadId&) {
        orv::ShowMessage(QStringLiteral("Unable to open. Specified COM port does not exist"));
        return false;
    }
}

void TOrvComPort::Close()
{
    try {
        FComPort->SetOpen(false);
    } catch (const orv::EBadId&) {
        orv::ShowMessage(QStringLiteral("Unable to close. Specified COM port does not exist"));
    }
}

bool TOrvComPort::IsOpen() const { return FComPort->Open(); }

void TOrvComPort::SendString(const QByteArray& Text)
{
    try {
        FComPort->PutString(Text);
    } catch (const orv::ECommNotOpen&) {
        orv::ShowMessage(QStringLiteral("COM Port Closed"));
    }
}

char TOrvComPort::ReadChar() { return FComPort->GetChar(); }

void TOrvComPort::ReadChars(quint16 Count, QByteArray& Text)
{
    Text.clear();
    Text.reserve(Count);
    for (quint16 i = 0; i < Count; ++i) {
        const char C = ReadChar();
        if (C != '\0')
            Text.append(C);
    }
}

void TOrvComPort::DoBaudChange()
{
    if (OnBaudChange)
        OnBaudChange(this);
}

void TOrvComPort::DoComNumberChange()
{
    if (OnComNumberChange)
        OnComNumberChange(this);
}
