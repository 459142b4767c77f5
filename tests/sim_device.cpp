#include "sim_device.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <unistd.h>

SimDevice::SimDevice(QString linkPath, QObject *parent)
    : QObject(parent), linkPath_(std::move(linkPath))
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0)
        throw std::runtime_error("cannot open the pseudo-terminal's slave");
    // Raw from the start, so nothing sent before the program opens the port
    // is echoed or held back as a line.
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);

    // Opens and closes of the node are seen by inotify, from outside the program.
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0)
        ::inotify_add_watch(inotify_, ::ptsname(master_), IN_OPEN | IN_CLOSE);

    if (!linkPath_.isEmpty()) {
        QFile::remove(linkPath_);
        QFile::link(slavePath_, linkPath_);
    }
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SimDevice::onReadable);
}

SimDevice::~SimDevice()
{
    vanish();
}

void SimDevice::setAnswer(const QByteArray &answer, int delayMs)
{
    answer_ = answer;
    answerDelayMs_ = delayMs;
}

void SimDevice::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            sent_.append(bytes.constData() + done, n);
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            // The program reads as it runs its event loop; let it.
            QTest::qWait(1);
        } else {
            break;
        }
    }
}

QByteArray SimDevice::takeReceived()
{
    return std::exchange(received_, {});
}

bool SimDevice::waitForReceived(qsizetype n, int timeoutMs)
{
    return QTest::qWaitFor([&] { return received_.size() >= n; }, timeoutMs);
}

termios SimDevice::lineSettings() const
{
    termios t{};
    ::tcgetattr(slave_, &t);
    return t;
}

QString SimDevice::nodeEvents()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = inotify_ < 0 ? -1 : ::read(inotify_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            const char *word = (event->mask & IN_OPEN)    ? "open"
                               : (event->mask & IN_CLOSE) ? "close"
                                                          : nullptr;
            if (word)
                nodeEvents_ +=
                    (nodeEvents_.isEmpty() ? QString() : QStringLiteral(" ")) + QLatin1String(word);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return nodeEvents_;
}

void SimDevice::vanish()
{
    if (inotify_ >= 0) {
        ::close(inotify_);
        inotify_ = -1;
    }
    if (master_ < 0)
        return;
    delete notifier_;
    notifier_ = nullptr;
    ::close(slave_);
    ::close(master_);
    slave_ = master_ = -1;
    if (!linkPath_.isEmpty())
        QFile::remove(linkPath_);
}

void SimDevice::onReadable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        // A request begins with its letter; each one is answered once.
        const bool newRequest = buffer[0] == 'd';
        received_.append(buffer, n);
        emit bytesReceived(QByteArray(buffer, n));
        if (newRequest) {
            ++requests_;
            if (!answer_.isEmpty()) {
                const QByteArray answer = answer_;
                QTimer::singleShot(answerDelayMs_, Qt::PreciseTimer, this,
                                   [this, answer] { send(answer); });
            }
        }
    }
}
