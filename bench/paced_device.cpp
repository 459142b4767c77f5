#include "paced_device.h"

#include "device_link/exchange.h"

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {

timespec toTimespec(long long ns)
{
    return {static_cast<time_t>(ns / 1'000'000'000LL), static_cast<long>(ns % 1'000'000'000LL)};
}

void sleepUntil(long long ns)
{
    const timespec deadline = toTimespec(ns);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

} // namespace

long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

double storeFloorMs(int digits, int delayMs)
{
    return (digits + 2) * PacedDevice::kCharacterNs / 1e6 +
           double(ringlatch::kAckQuietGap.count()) + delayMs;
}

QString benchNumber(int digits)
{
    QString number;
    for (int i = 0; i < digits; ++i)
        number += QChar(u'0' + (i + 1) % 10);
    return number;
}

PacedDevice::PacedDevice(const QString &linkPath) : linkPath_(linkPath)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0)
        throw std::runtime_error("cannot open the pseudo-terminal's slave");
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("no pipe");
    if (!linkPath_.isEmpty()) {
        QFile::remove(linkPath_);
        if (!QFile::link(slavePath_, linkPath_))
            throw std::runtime_error("cannot link the device path");
    }
    thread_ = std::thread([this] { run(); });
}

PacedDevice::~PacedDevice()
{
    stop_ = true;
    [[maybe_unused]] const ssize_t w = ::write(wake_[1], "x", 1);
    thread_.join();
    for (int fd : {master_, slave_, wake_[0], wake_[1]})
        ::close(fd);
    if (!linkPath_.isEmpty())
        QFile::remove(linkPath_);
}

void PacedDevice::expect(int requestBytes, long delayNs, const QByteArray &answer)
{
    std::lock_guard lock(mutex_);
    requestBytes_ = requestBytes;
    delayNs_ = delayNs;
    answer_ = answer;
}

QByteArray PacedDevice::takeReceived()
{
    std::lock_guard lock(mutex_);
    return std::exchange(received_, {});
}

void PacedDevice::run()
{
    // A real line has no scheduler. Where allowed (root), the device thread
    // runs at real-time priority so that a busy machine delays its wake-ups
    // less; otherwise it runs as it is.
    sched_param priority{};
    priority.sched_priority = 10;
    ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &priority);
    long long lineFreeAt = 0; // when the previous byte finished arriving
    int counted = 0;          // bytes of the current request so far
    while (!stop_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (stop_)
            return;
        if (!(fds[0].revents & POLLIN)) {
            // The slave side is held open, so a hang-up only lasts while no one
            // has it open; do not spin on it.
            if (fds[0].revents & (POLLHUP | POLLERR))
                sleepUntil(monotonicNs() + 1'000'000);
            continue;
        }
        char buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        const long long writtenAt = monotonicNs();
        for (ssize_t i = 0; i < n; ++i) {
            // A byte arrives one character time after the line was free for it.
            const long long arrival = std::max(lineFreeAt, writtenAt) + kCharacterNs;
            lineFreeAt = arrival;
            sleepUntil(arrival);
            QByteArray answer;
            long delay = 0;
            {
                std::lock_guard lock(mutex_);
                received_.append(buffer[i]);
                if (++counted >= requestBytes_ && requestBytes_ > 0) {
                    counted = 0;
                    answer = answer_;
                    delay = delayNs_;
                }
            }
            if (counted == 0 && !answer.isNull()) {
                lastArrival_ = arrival;
                sendPaced(answer, toTimespec(arrival + delay));
            }
        }
    }
}

void PacedDevice::sendPaced(const QByteArray &answer, timespec start)
{
    long long at = start.tv_sec * 1'000'000'000LL + start.tv_nsec;
    for (char byte : answer) {
        // The byte reaches the program once its whole character has crossed the line.
        at += kCharacterNs;
        sleepUntil(at);
        while (::write(master_, &byte, 1) < 0 && errno == EAGAIN)
            sleepUntil(monotonicNs() + 100'000);
    }
    lastAnswer_ = monotonicNs();
}
