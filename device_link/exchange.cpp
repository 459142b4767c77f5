#include "device_link/exchange.h"

#include "device_link/serial_port.h"

#include <cmath>
#include <utility>

namespace ringlatch {

QByteArray toLine(const QString &text)
{
    return text.toLatin1();
}

QString fromLine(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray storeRequest(const QString &number)
{
    return kStoreRequestLetter + toLine(number);
}

Exchange::Exchange(SerialPort &port, QObject *parent) : QObject(parent), port_(port)
{
    for (QTimer *timer : {&writeGuard_, &firstByte_, &quietGap_, &total_}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&writeGuard_, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("Isteklo vreme za slanje")); });
    connect(&firstByte_, &QTimer::timeout, this, &Exchange::finish);
    connect(&quietGap_, &QTimer::timeout, this, &Exchange::finish);
    connect(&total_, &QTimer::timeout, this, &Exchange::finish);

    connect(&port_, &SerialPort::allWritten, this, &Exchange::onAllWritten);
    connect(&port_, &SerialPort::readyRead, this, &Exchange::onReadyRead);
    connect(&port_, &SerialPort::failed, this, &Exchange::onPortFailed);
}

void Exchange::storeNumber(const QString &number)
{
    if (busy())
        return;

    // Bytes that arrived before the request belong to this check too.
    const Taken before = port_.take();
    if (!before.ok()) {
        emit stored({StoreResult::Outcome::PortFailed, {}, before.error});
        return;
    }
    taken_ = before.bytes;
    answerStarted_ = false;

    const QByteArray request = storeRequest(number);
    onLine_ = std::chrono::milliseconds(
        static_cast<long long>(std::ceil(port_.lineTimeMs(request.size()))));
    phase_ = Phase::Writing;
    const PortStatus sent = port_.transmit(request);
    if (!sent.ok()) {
        fail(sent.error);
        return;
    }
    if (port_.bytesToWrite() == 0)
        onAllWritten();
    else
        writeGuard_.start(onLine_ + kAckTotalTimeout);
}

void Exchange::onAllWritten()
{
    if (phase_ != Phase::Writing)
        return;
    writeGuard_.stop();
    phase_ = Phase::Waiting;
    // The system has the whole request now, but the line still needs its
    // character times to carry it to the device, which answers only after that.
    total_.start(onLine_ + kAckTotalTimeout);
    if (answerStarted_)
        quietGap_.start(kAckQuietGap);
    else
        firstByte_.start(onLine_ + kAckFirstByteTimeout);
}

void Exchange::onReadyRead()
{
    if (phase_ == Phase::Idle)
        return; // waits in the port's buffer for the next take
    const Taken more = port_.take();
    if (!more.ok()) {
        fail(more.error);
        return;
    }
    if (more.bytes.isEmpty())
        return;
    taken_ += more.bytes;
    answerStarted_ = true;
    firstByte_.stop();
    if (phase_ == Phase::Waiting)
        quietGap_.start(kAckQuietGap);
}

void Exchange::onPortFailed(const QString &reason)
{
    if (phase_ != Phase::Idle)
        fail(reason);
}

void Exchange::finish()
{
    if (phase_ == Phase::Idle)
        return;
    stopWaiting();
    const bool ack = taken_ == kAcknowledgement;
    StoreResult result{ack ? StoreResult::Outcome::Acknowledged
                           : StoreResult::Outcome::NotAcknowledged,
                       std::exchange(taken_, {}),
                       {}};
    emit stored(result);
}

void Exchange::fail(const QString &reason)
{
    stopWaiting();
    emit stored({StoreResult::Outcome::PortFailed, std::exchange(taken_, {}), reason});
}

void Exchange::stopWaiting()
{
    for (QTimer *timer : {&writeGuard_, &firstByte_, &quietGap_, &total_})
        timer->stop();
    phase_ = Phase::Idle;
}

ReadOutResult Exchange::readOut()
{
    const Taken taken = port_.take();
    if (!taken.ok())
        return {{}, taken.error};
    return {fromLine(taken.bytes), {}};
}

} // namespace ringlatch
