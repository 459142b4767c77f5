#include "command_line/headless.h"

#include "command_line/console.h"
#include "device_link/exchange.h"
#include "device_link/messages.h"
#include "device_link/number_rule.h"
#include "device_link/serial_port.h"

#include <QEventLoop>
#include <QSerialPortInfo>
#include <QTimer>

namespace ringlatch {

namespace {

void reportPortError(const QString &reason)
{
    printErrorLine(QString::fromLatin1(kPortErrorMessage));
    printErrorLine(reason);
}

// The name to give --port: the device path on Unix, "COM4" (not "\\.\COM4")
// on Windows.
QString deviceName(const QSerialPortInfo &info)
{
    const QString location = info.systemLocation();
    return location.startsWith(u'/') ? location : info.portName();
}

QString orDash(const QString &text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("-") : text.trimmed();
}

} // namespace

int listPorts()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty())
        printLine(QStringLiteral("Nema serijskih portova"));
    for (const QSerialPortInfo &info : ports) {
        QString line = deviceName(info) + u'\t' + orDash(info.description()) + u'\t' +
                       orDash(info.manufacturer());
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            line += QStringLiteral("\t%1:%2")
                        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        printLine(line);
    }
    return kExitOk;
}

int storeNumber(const QString &device, const QString &number)
{
    // Refused before the port is touched: nothing reaches the device.
    if (const auto problem = numberProblem(number)) {
        printErrorLine(*problem);
        return kExitUsage;
    }

    SerialPort port(device);
    if (const PortStatus opened = openCom1(port); !opened.ok()) {
        reportPortError(opened.error);
        printLine(QString::fromLatin1(kNotStoredMessage));
        return kExitPortError;
    }
    port.setInputLen(0);

    Exchange exchange(port);
    StoreResult result;
    bool done = false;
    QEventLoop loop;
    QObject::connect(&exchange, &Exchange::stored, &loop, [&](const StoreResult &outcome) {
        result = outcome;
        done = true;
        loop.quit();
    });
    exchange.storeNumber(number);
    if (!done)
        loop.exec();

    switch (result.outcome) {
    case StoreResult::Outcome::Acknowledged:
        printLine(QString::fromLatin1(kStoredMessage));
        return kExitOk;
    case StoreResult::Outcome::NotAcknowledged:
        printLine(QString::fromLatin1(kNotStoredMessage));
        return kExitFailed;
    case StoreResult::Outcome::PortFailed:
        break;
    }
    // As the window does: the port's error, then that the store failed.
    reportPortError(result.error);
    printLine(QString::fromLatin1(kNotStoredMessage));
    return kExitPortError;
}

int readOut(const QString &device, int listenMs)
{
    SerialPort port(device);
    if (const PortStatus opened = openCom1(port); !opened.ok()) {
        reportPortError(opened.error);
        return kExitPortError;
    }
    port.setInputLen(0);

    QByteArray collected;
    QString failure;
    QEventLoop loop;
    const auto takeAll = [&] {
        const Taken taken = port.take();
        if (taken.ok())
            collected += taken.bytes;
    };
    QObject::connect(&port, &SerialPort::readyRead, &loop, takeAll);
    QObject::connect(&port, &SerialPort::failed, &loop, [&](const QString &reason) {
        failure = reason;
        loop.quit();
    });
    QTimer::singleShot(listenMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    if (failure.isNull())
        takeAll();

    // What arrived before a failure is not lost: it goes out first.
    const bool written = writeBinaryOut(collected);
    if (!failure.isNull()) {
        reportPortError(failure);
        return kExitPortError;
    }
    return written ? kExitOk : kExitFailed;
}

int runCommandLine(const Invocation &invocation, const Options &options)
{
    using Mode = Invocation::Mode;
    switch (invocation.mode) {
    case Mode::Help: {
        QString help = options.helpText();
        if (help.endsWith(u'\n'))
            help.chop(1);
        printLine(help);
        return kExitOk;
    }
    case Mode::Version:
        printLine(QString::fromLatin1(kVersionLine));
        return kExitOk;
    case Mode::ListPorts:
        return listPorts();
    case Mode::Store:
        return storeNumber(invocation.device, invocation.number);
    case Mode::ReadOut:
        return readOut(invocation.device, invocation.listenMs);
    case Mode::UsageError:
        printErrorLine(invocation.problem);
        printErrorLine(QStringLiteral("Pomoc: --help"));
        return kExitUsage;
    case Mode::Window:
        break;
    }
    return kExitUsage;
}

} // namespace ringlatch
