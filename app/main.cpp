#include "app/window_face.h"
#include "command_line/console.h"
#include "command_line/headless.h"
#include "command_line/options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <iterator>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Ringlatch_1"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
}

// The folder of the running program, found before any application object
// exists (the window's QApplication is made inside the window module).
QString programFolder()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    return QFileInfo(QString::fromWCharArray(path, int(length))).absolutePath();
#else
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
#endif
}

// Loads the window module and runs the window; the module is never unloaded.
int runWindow(int &argc, char **argv, const QString &com1Device)
{
    QLibrary module(QDir(programFolder()).filePath(QStringLiteral(RINGLATCH_WINDOW_MODULE)));
    auto *const windowMain =
        reinterpret_cast<RinglatchWindowMain>(module.resolve(kWindowMainSymbol));
    if (windowMain == nullptr) {
        const QString text =
            QStringLiteral("Ringlatch_1 ne moze da otvori prozor: %1").arg(module.errorString());
#ifdef Q_OS_WIN
        // A GUI program with no console: the user sees only a box.
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(text.utf16()), L"Ringlatch_1",
                    MB_OK | MB_ICONERROR);
#else
        ringlatch::printErrorLine(text);
#endif
        return 1;
    }
    return windowMain(argc, argv, com1Device);
}

} // namespace

// Without options (or with --port alone) the program is the window; every
// other option runs the command line, which needs no display and loads no
// GUI library at all: it has a QCoreApplication, and the window with Qt
// Widgets, Gui and Svg is a module that only the window loads.
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

    // Set before the window's QApplication exists, which keeps them.
    nameTheProgram();
    return runWindow(argc, argv, invocation.device);
}
