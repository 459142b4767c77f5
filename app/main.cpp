#include "command_line/console.h"
#include "command_line/headless.h"
#include "command_line/options.h"
#include "main_window/form1.h"

#include <QApplication>
#include <QCoreApplication>

namespace {

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Ringlatch_1"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
}

} // namespace

// Without options (or with --port alone) the program is the window; every
// other option runs the command line, which needs no display and loads no
// GUI platform plugin: it has a QCoreApplication, not a QApplication.
int main(int argc, char *argv[])
{
    ringlatch::Options options;
    const ringlatch::Invocation invocation = options.parse(ringlatch::programArguments(argc, argv));

    if (invocation.mode != ringlatch::Invocation::Mode::Window) {
        ringlatch::useParentConsole();
        const QCoreApplication app(argc, argv);
        nameTheProgram();
        return ringlatch::runCommandLine(invocation, options);
    }

    QApplication app(argc, argv);
    nameTheProgram();
    QGuiApplication::setDesktopFileName(QStringLiteral("ringlatch"));

    ringlatch::Form1 window(invocation.device);
    window.show();
    return QApplication::exec();
}
