// The yardstick for start-up and memory: the least a Qt window with a serial
// port can be. It opens the port given on the command line at the device's
// settings and shows an empty window of Ringlatch's size; with --text it also
// shows a button with a caption, so that fonts are loaded as in any window
// that shows text.
#include <QApplication>
#include <QPushButton>
#include <QSerialPort>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QSerialPort port(QApplication::arguments().value(1));
    if (port.open(QIODevice::ReadWrite))
        port.setBaudRate(2400);
    QWidget window;
    window.setFixedSize(329, 224);
    if (QApplication::arguments().contains(QStringLiteral("--text")))
        (new QPushButton(QStringLiteral("Posalji"), &window))->move(16, 184);
    window.show();
    return QApplication::exec();
}
