#include "device_link/serial_port.h"

#include "device_link/com1.h"
#include "device_link/port_lock.h"

#include <utility>

namespace ringlatch {

namespace {

QString notOpenReason()
{
    return QStringLiteral("Port nije otvoren");
}

// COM1 may be any device (a USB adapter given for one run), so every reason
// the user sees names the device it is about.
QString onDevice(const QString &device, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(device, reason.isEmpty() ? QStringLiteral("?") : reason);
}

} // namespace

SerialPort::SerialPort(QString com1Device, QObject *parent)
    : QObject(parent), com1Device_(std::move(com1Device)),
      lockDirectories_(defaultLockDirectories())
{
    connect(&port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&port_, &QSerialPort::bytesWritten, this, &SerialPort::onBytesWritten);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialPort::onErrorOccurred);
}

SerialPort::~SerialPort()
{
    closing_ = true;
    port_.close();
}

PortStatus SerialPort::setSettings(const QString &settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (!parsed)
        return PortStatus::failure(
            QStringLiteral("Neispravna podesavanja porta: %1").arg(settings));
    settings_ = *parsed;
    if (isOpen())
        return applySettings();
    return PortStatus::success();
}

PortStatus SerialPort::setCommPort(int number)
{
    if (isOpen())
        return PortStatus::failure(QStringLiteral("Port je vec otvoren"));
    if (number != 1)
        return PortStatus::failure(QStringLiteral("Nepostoji COM%1").arg(number));
    commPort_ = number;
    port_.setPortName(com1Device_);
    return PortStatus::success();
}

PortStatus SerialPort::open()
{
    if (isOpen())
        return PortStatus::failure(QStringLiteral("Port je vec otvoren"));
    if (commPort_ == 0)
        return PortStatus::failure(QStringLiteral("Port nije izabran"));
    if (com1Device_.isEmpty())
        return PortStatus::failure(QStringLiteral("Nije zadat uredjaj za COM1"));
    if (const auto holder = foreignLockHolder(com1Device_, lockDirectories_))
        return PortStatus::failure(onDevice(com1Device_, *holder));

    port_.clearError();
    inCall_ = true;
    const bool opened = port_.open(QIODevice::ReadWrite);
    inCall_ = false;
    if (!opened)
        return PortStatus::failure(onDevice(com1Device_, port_.errorString()));
    if (PortStatus applied = applySettings(); !applied.ok()) {
        close();
        return applied;
    }
    return PortStatus::success();
}

PortStatus SerialPort::applySettings()
{
    inCall_ = true;
    const bool ok = port_.setBaudRate(settings_.baudRate) &&
                    port_.setDataBits(settings_.dataBits) && port_.setParity(settings_.parity) &&
                    port_.setStopBits(settings_.stopBits) &&
                    port_.setFlowControl(QSerialPort::NoFlowControl);
    inCall_ = false;
    return ok ? PortStatus::success()
              : PortStatus::failure(onDevice(com1Device_, port_.errorString()));
}

void SerialPort::close()
{
    if (!port_.isOpen())
        return;
    // Closing a device that has gone away reports errors of its own; they
    // belong to this close, not to a new failure.
    closing_ = true;
    // Closing drops what the port has received but nobody has taken yet; keep
    // it for the next take once the port is open again.
    kept_ += port_.readAll();
    port_.close();
    port_.clearError();
    closing_ = false;
}

bool SerialPort::isOpen() const
{
    return port_.isOpen();
}

PortStatus SerialPort::transmit(const QByteArray &bytes)
{
    if (!isOpen())
        return PortStatus::failure(onDevice(com1Device_, notOpenReason()));
    if (bytes.isEmpty())
        return PortStatus::success();
    port_.clearError();
    inCall_ = true;
    // QSerialPort only queues the bytes and writes them from the event loop,
    // after whatever else is pending there; hand them to the system now.
    bool written = port_.write(bytes) == bytes.size();
    port_.flush();
    written = written && port_.error() == QSerialPort::NoError;
    inCall_ = false;
    if (!written) {
        const QString reason = onDevice(com1Device_, port_.errorString());
        close();
        return PortStatus::failure(reason);
    }
    return PortStatus::success();
}

qint64 SerialPort::bytesToWrite() const
{
    return port_.bytesToWrite();
}

Taken SerialPort::take()
{
    if (!isOpen())
        return {{}, onDevice(com1Device_, notOpenReason())};
    QByteArray bytes = std::exchange(kept_, {}) + port_.readAll();
    if (inputLen_ > 0 && bytes.size() > inputLen_) {
        kept_ = bytes.mid(inputLen_);
        bytes.truncate(inputLen_);
    }
    return {bytes, {}};
}

PortStatus openCom1(SerialPort &port)
{
    PortStatus status = port.setSettings(QString::fromLatin1(kDeviceLineSettings));
    if (status.ok())
        status = port.setCommPort(kCom1);
    if (status.ok())
        status = port.open();
    return status;
}

double SerialPort::lineTimeMs(qsizetype characters) const
{
    return static_cast<double>(characters) * settings_.bitsPerCharacter() * 1000.0 /
           settings_.baudRate;
}

void SerialPort::onBytesWritten()
{
    if (port_.bytesToWrite() == 0)
        emit allWritten();
}

void SerialPort::onErrorOccurred(QSerialPort::SerialPortError error)
{
    // Errors of the operation in progress are returned by it; only a port
    // that was working can fail here. A device that has gone away keeps signalling
    // errors for as long as it stays open, so close it at once and report once.
    if (error == QSerialPort::NoError || closing_ || inCall_ || !port_.isOpen())
        return;
    const QString reason = onDevice(com1Device_, port_.errorString());
    close();
    emit failed(reason);
}

} // namespace ringlatch
