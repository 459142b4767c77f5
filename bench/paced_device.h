#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <time.h>

// A relay device on the far end of a pseudo-terminal that keeps real line
// timing. A pseudo-terminal hands bytes over at once; a 2400-baud line needs
// a character time (10 bits, 4.167 ms) for every byte. So a byte the program
// writes counts as received one character time after the previous one has
// arrived (or after it was written, if the line was idle), and the answer goes
// out one byte per character time. The device runs on its own thread with
// absolute-deadline sleeps, so a busy GUI thread does not stretch its timing.
class PacedDevice {
public:
    static constexpr long kCharacterNs = 10L * 1'000'000'000L / 2400; // 4.167 ms

    // With a link path, a symlink there points to this device's slave side.
    explicit PacedDevice(const QString &linkPath = {});
    ~PacedDevice();
    PacedDevice(const PacedDevice &) = delete;
    PacedDevice &operator=(const PacedDevice &) = delete;

    QString slavePath() const { return slavePath_; }

    // The next request is this many bytes long; once its last byte has
    // arrived, the device waits delayNs and then sends the answer.
    void expect(int requestBytes, long delayNs, const QByteArray &answer);

    // Monotonic time the last byte of the latest request arrived (0 if none yet).
    long long lastRequestArrivalNs() const { return lastArrival_.load(); }
    // Monotonic time the last byte of the latest answer was handed to the line.
    long long lastAnswerSentNs() const { return lastAnswer_.load(); }
    QByteArray takeReceived();

private:
    void run();
    void sendPaced(const QByteArray &answer, timespec start);

    int master_ = -1;
    int slave_ = -1; // held so the line does not hang up between the program's opens
    int wake_[2] = {-1, -1};
    QString slavePath_;
    QString linkPath_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long long> lastArrival_{0};
    std::atomic<long long> lastAnswer_{0};

    std::mutex mutex_;
    int requestBytes_ = 0;
    long delayNs_ = 0;
    QByteArray answer_;
    QByteArray received_;
};

long long monotonicNs();

// The least a store of a number with this many digits can take, in ms: the
// request ("d" and the digits) and the "o" at the device's line timing, the
// acknowledgement's quiet gap, and the device's delay.
double storeFloorMs(int digits, int delayMs);

// The number stored in a row with this many digits: "1234567890…".
QString benchNumber(int digits);
