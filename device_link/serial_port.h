#pragma once

#include "device_link/line_settings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

namespace ringlatch {

// Outcome of a port operation: success, or the reason it failed.
struct PortStatus {
    QString error; // null on success

    bool ok() const { return error.isNull(); }
    static PortStatus success() { return {}; }
    static PortStatus failure(const QString &reason)
    {
        return {reason.isEmpty() ? QStringLiteral("?") : reason};
    }
};

// What a take returned.
struct Taken {
    QByteArray bytes;
    QString error; // null on success

    bool ok() const { return error.isNull(); }
};

// The program's one serial port. It offers the operations the window needs:
// apply line settings, select the port by number, open, close, transmit and
// take what was received. Received bytes wait in the port's buffer, in order,
// until a take removes them; nothing else reads them.
//
// Port number 1 is the device given to the constructor; no other number
// exists. Line settings are applied anew on every open, because a serial
// device keeps whatever the last program left in it.
class SerialPort : public QObject {
    Q_OBJECT
public:
    explicit SerialPort(QString com1Device, QObject *parent = nullptr);
    ~SerialPort() override;

    PortStatus setSettings(const QString &settings);
    const LineSettings &settings() const { return settings_; }

    // Selects the port by number; only allowed while the port is closed.
    PortStatus setCommPort(int number);
    int commPort() const { return commPort_; }

    PortStatus open();
    void close();
    bool isOpen() const;

    // How many bytes a take returns at most; 0 means everything received.
    void setInputLen(int length) { inputLen_ = length; }
    int inputLen() const { return inputLen_; }

    // Hands bytes over for sending; allWritten() follows once the system has them.
    PortStatus transmit(const QByteArray &bytes);
    qint64 bytesToWrite() const;

    // Returns at once with what was received since the previous take.
    Taken take();

    // Time the line needs to carry this many characters at the current settings.
    double lineTimeMs(qsizetype characters) const;

    // Lock file directories consulted before opening (tests point these elsewhere).
    void setLockDirectories(const QStringList &directories) { lockDirectories_ = directories; }

signals:
    void readyRead();
    void allWritten();
    // The open port failed (for example, the device was unplugged). The port
    // has been closed already; this is emitted once per failure.
    void failed(const QString &reason);

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onBytesWritten();
    PortStatus applySettings();

    QString com1Device_;
    QSerialPort port_;
    LineSettings settings_;
    int commPort_ = 0;
    int inputLen_ = 0;
    bool closing_ = false;
    QByteArray kept_;     // received before a close, not taken yet
    bool inCall_ = false; // an operation that reports its own errors is running
    QStringList lockDirectories_;
};

// Applies the device's line settings, selects COM1 and opens it: how the
// window and the command line alike open the port.
PortStatus openCom1(SerialPort &port);

} // namespace ringlatch
