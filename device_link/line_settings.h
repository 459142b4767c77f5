#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

namespace ringlatch {

// Line settings in the "baud,parity,data bits,stop bits" form, e.g. "2400,n,8,1".
struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // Parses the text form; nullopt when any field is out of range.
    static std::optional<LineSettings> parse(const QString &text);

    // Bits on the line for one character: start bit, data, parity, stop.
    double bitsPerCharacter() const;
};

// The settings the device speaks.
inline constexpr char kDeviceLineSettings[] = "2400,n,8,1";

} // namespace ringlatch
