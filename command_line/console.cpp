#include "command_line/console.h"

#include <cstdio>

#ifdef Q_OS_WIN
// shellapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>
#endif

namespace ringlatch {

namespace {

bool writeAll(std::FILE *stream, const QByteArray &bytes)
{
    if (!bytes.isEmpty() && std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()),
                                        stream) != static_cast<size_t>(bytes.size()))
        return false;
    return std::fflush(stream) == 0;
}

#ifdef Q_OS_WIN
// A GUI program started from a console gets no standard handles, unless the
// caller redirected them to a file or a pipe.
bool isRedirected(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}
#endif

} // namespace

QStringList programArguments(int argc, char *argv[])
{
    QStringList arguments;
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    int count = 0;
    if (LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.append(QString::fromWCharArray(wide[i]));
        LocalFree(wide);
    }
#else
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
#endif
    return arguments;
}

void useParentConsole()
{
#ifdef Q_OS_WIN
    const bool outRedirected = isRedirected(STD_OUTPUT_HANDLE);
    const bool errRedirected = isRedirected(STD_ERROR_HANDLE);
    if (!(outRedirected && errRedirected) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!outRedirected)
            (void)std::freopen("CONOUT$", "w", stdout);
        if (!errRedirected)
            (void)std::freopen("CONOUT$", "w", stderr);
    }
#endif
}

bool writeBinaryOut(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    // No "\n" may become "\r\n" on the way out.
    std::fflush(stdout);
    (void)_setmode(_fileno(stdout), _O_BINARY);
#endif
    return writeAll(stdout, bytes);
}

void printLine(const QString &text)
{
    writeAll(stdout, (text + QStringLiteral("\n")).toLocal8Bit());
}

void printErrorLine(const QString &text)
{
    writeAll(stderr, (text + QStringLiteral("\n")).toLocal8Bit());
}

} // namespace ringlatch
