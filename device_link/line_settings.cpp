#include "device_link/line_settings.h"

#include <QStringList>

namespace ringlatch {

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings s;
    bool ok = false;
    s.baudRate = fields[0].trimmed().toInt(&ok);
    if (!ok || s.baudRate <= 0)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toLower();
    if (parity == u"n")
        s.parity = QSerialPort::NoParity;
    else if (parity == u"e")
        s.parity = QSerialPort::EvenParity;
    else if (parity == u"o")
        s.parity = QSerialPort::OddParity;
    else if (parity == u"m")
        s.parity = QSerialPort::MarkParity;
    else if (parity == u"s")
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int data = fields[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return std::nullopt;
    s.dataBits = static_cast<QSerialPort::DataBits>(data);

    const QString stop = fields[3].trimmed();
    if (stop == u"1")
        s.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

double LineSettings::bitsPerCharacter() const
{
    double stop = 1.0;
    if (stopBits == QSerialPort::OneAndHalfStop)
        stop = 1.5;
    else if (stopBits == QSerialPort::TwoStop)
        stop = 2.0;
    const double parityBit = parity == QSerialPort::NoParity ? 0.0 : 1.0;
    return 1.0 + static_cast<int>(dataBits) + parityBit + stop;
}

} // namespace ringlatch
