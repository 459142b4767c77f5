#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <termios.h>

class QSocketNotifier;

// A simulated relay device on the far end of a kernel pseudo-terminal. The
// program under test opens slavePath() (or linkPath(), a symlink to it that
// survives a replug) as its serial port; the device reads what was sent,
// answers store requests after a chosen delay, sends text of its own, or
// vanishes as an unplugged adapter does.
class SimDevice : public QObject {
    Q_OBJECT
public:
    // With a link path, a symlink there points to this device's slave.
    explicit SimDevice(QString linkPath = {}, QObject *parent = nullptr);
    ~SimDevice() override;

    QString slavePath() const { return slavePath_; }
    QString portPath() const { return linkPath_.isEmpty() ? slavePath_ : linkPath_; }

    // Answer every store request ("d" …) with these bytes, this long after its
    // first byte arrived. An empty answer means the device stays silent.
    void setAnswer(const QByteArray &answer, int delayMs = 0);

    // Sends bytes now, unasked.
    void send(const QByteArray &bytes);
    // Everything the device has sent so far, answers included.
    QByteArray sent() const { return sent_; }

    // Everything the program has sent so far; takeReceived() also clears it.
    QByteArray received() const { return received_; }
    QByteArray takeReceived();
    // Waits (running the event loop) until at least n bytes have arrived.
    bool waitForReceived(qsizetype n, int timeoutMs = 2000);

    // The line settings the program left on the port.
    termios lineSettings() const;

    // Opens and closes of the device node by anyone but the device itself, in
    // order, as "open" and "close" words separated by blanks.
    QString nodeEvents();

    // How many store requests were seen.
    int requests() const { return requests_; }

    // Unplugged: both ends close and the device node disappears.
    void vanish();
    bool vanished() const { return master_ < 0; }

signals:
    // Bytes the program sent, as they arrived.
    void bytesReceived(const QByteArray &bytes);

private:
    void onReadable();

    int master_ = -1;
    int inotify_ = -1;
    QString nodeEvents_;
    int slave_ = -1; // held so the line does not hang up between the program's opens
    QString slavePath_;
    QString linkPath_;
    QSocketNotifier *notifier_ = nullptr;
    QByteArray received_;
    QByteArray sent_;
    QByteArray answer_;
    int answerDelayMs_ = 0;
    int requests_ = 0;
};
