// A simulated relay device as a program of its own, for the end-to-end test
// and for trying Ringlatch without the hardware. It makes a pseudo-terminal,
// puts a symlink to it at the path given (if any), answers every store
// request, and reports on standard output what it received and at which line
// settings. Commands on standard input, one a line:
//   send TEXT       send TEXT (\r \n \0 \\ and \xHH escapes allowed)
//   answer TEXT MS  answer each request with TEXT (empty: stay silent) after MS
//   vanish          close the pseudo-terminal as an unplugged adapter would
//   status          report the line settings and the opens and closes of the
//                   device node so far: "status 2400 8N1 nodes open close open"
//   quit            end
#include "sim_device.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {

QByteArray unescape(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == '0')
            out += '\0';
        else if (c == 'x' && i + 2 < text.size()) {
            out += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

QByteArray escape(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x21 && u <= 0x7E && c != '\\')
            out += c;
        else
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out;
}

// The line settings as "2400 8N1".
QByteArray describe(const termios &t)
{
    const speed_t speed = cfgetospeed(&t);
    const QByteArray baud = speed == B2400   ? "2400"
                            : speed == B9600 ? "9600"
                                             : "speed#" + QByteArray::number(uint(speed));
    const tcflag_t size = t.c_cflag & CSIZE;
    const char bits = size == CS8 ? '8' : size == CS7 ? '7' : size == CS6 ? '6' : '5';
    const char parity = !(t.c_cflag & PARENB) ? 'N' : (t.c_cflag & PARODD) ? 'O' : 'E';
    const char stop = (t.c_cflag & CSTOPB) ? '2' : '1';
    return baud + ' ' + bits + parity + stop;
}

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated Ringlatch relay device"));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Put a symlink to the device at <path>."),
                                  QStringLiteral("path"));
    const QCommandLineOption answer(QStringLiteral("answer"),
                                    QStringLiteral("Answer to each request (default o)."),
                                    QStringLiteral("text"), QStringLiteral("o"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Answer delay in ms (default 200)."),
                                   QStringLiteral("ms"), QStringLiteral("200"));
    parser.addOptions({link, answer, delay});
    parser.process(app);

    SimDevice device(parser.value(link));
    device.setAnswer(unescape(parser.value(answer).toLatin1()), parser.value(delay).toInt());
    QObject::connect(&device, &SimDevice::bytesReceived, [&](const QByteArray &bytes) {
        say("received " + escape(bytes) + ' ' + describe(device.lineSettings()));
    });

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // no more commands; keep serving the device
            return;
        }
        pending.append(buffer, n);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            const qsizetype blank = line.indexOf(' ');
            const QByteArray command = blank < 0 ? line : line.left(blank);
            const QByteArray rest = blank < 0 ? QByteArray() : line.mid(blank + 1);
            if (command == "send") {
                device.send(unescape(rest));
                say("sent " + escape(unescape(rest)));
            } else if (command == "answer") {
                const qsizetype last = rest.lastIndexOf(' ');
                device.setAnswer(unescape(rest.left(last < 0 ? 0 : last)),
                                 rest.mid(last + 1).toInt());
                say("answer set");
            } else if (command == "status") {
                say("status " + describe(device.lineSettings()) + " nodes " +
                    device.nodeEvents().toLatin1());
            } else if (command == "vanish") {
                device.vanish();
                say("vanished");
            } else if (command == "quit") {
                QCoreApplication::quit();
            }
        }
    });

    say("ready " + device.portPath().toLocal8Bit() + ' ' + device.slavePath().toLocal8Bit());
    return QCoreApplication::exec();
}
