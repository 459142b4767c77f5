#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

namespace ringlatch {

class SerialPort;

// How long a store request waits for the device's acknowledgement. The wait
// starts once the request has left the line.
//
// The device answers within a few hundred milliseconds; a second is generous
// without making a dead device feel like a hang.
inline constexpr std::chrono::milliseconds kAckFirstByteTimeout{1000};
// Once the answer has started, the line counts as done when it has been quiet
// this long: six character times at 2400 baud (4.17 ms each).
inline constexpr std::chrono::milliseconds kAckQuietGap{25};
// Upper bound on the whole wait, however much the device keeps sending.
inline constexpr std::chrono::milliseconds kAckTotalTimeout{2000};

// The request letter and the acknowledgement.
inline constexpr char kStoreRequestLetter = 'd';
inline constexpr char kAcknowledgement[] = "o";

// Characters become bytes one for one (Latin-1), both ways, so that text
// read out and sent back is unchanged.
QByteArray toLine(const QString &text);
QString fromLine(const QByteArray &bytes);

// The store request for a telephone number: "d" followed by the number.
QByteArray storeRequest(const QString &number);

struct StoreResult {
    enum class Outcome { Acknowledged, NotAcknowledged, PortFailed };
    Outcome outcome = Outcome::NotAcknowledged;
    QByteArray taken; // everything the check took from the port
    QString error;    // the port's reason, for PortFailed

    bool acknowledged() const { return outcome == Outcome::Acknowledged; }
};

struct ReadOutResult {
    QString text;
    QString error; // null on success

    bool ok() const { return error.isNull(); }
};

// The conversation with the device: storing a number and reading out what the
// device sent. A store request is sent once; its answer is waited for without
// blocking the caller, and finished() reports the outcome.
class Exchange : public QObject {
    Q_OBJECT
public:
    explicit Exchange(SerialPort &port, QObject *parent = nullptr);

    // Sends "d" + number and starts waiting for the acknowledgement. Anything
    // received earlier and not yet taken is part of what the check compares.
    void storeNumber(const QString &number);
    bool busy() const { return phase_ != Phase::Idle; }

    // Everything received since the previous take, unchanged.
    ReadOutResult readOut();

signals:
    void stored(const ringlatch::StoreResult &result);

private:
    enum class Phase { Idle, Writing, Waiting };

    void onAllWritten();
    void onReadyRead();
    void onPortFailed(const QString &reason);
    void finish();
    void fail(const QString &reason);
    void stopWaiting();

    SerialPort &port_;
    Phase phase_ = Phase::Idle;
    QByteArray taken_;
    bool answerStarted_ = false;
    std::chrono::milliseconds onLine_{0}; // line time of the request
    QTimer writeGuard_;
    QTimer firstByte_;
    QTimer quietGap_;
    QTimer total_;
};

} // namespace ringlatch
