#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ringlatch {

#ifdef Q_OS_WIN

// Windows opens a serial port exclusively and gives the system's reason when
// another program holds it; there are no lock files to consult.
inline QStringList defaultLockDirectories()
{
    return {};
}
inline std::optional<QString> foreignLockHolder(const QString &, const QStringList &)
{
    return std::nullopt;
}

#else

// Terminal programs mark a serial device as theirs with a lock file named
// LCK..<device> holding their PID. Qt's own locking treats such a PID-only
// file as stale even while its process lives, so the port checks it first.

// Where lock files are looked for, in the order Qt's serial port uses them.
QStringList defaultLockDirectories();

// The lock file name for a device path, as Qt and terminal programs form it:
// "/dev/ttyS0" -> "LCK..ttyS0", "/dev/pts/3" -> "LCK..pts_3".
QString lockFileName(const QString &devicePath);

// The PID in a lock file's contents: ASCII (possibly blank-padded, possibly
// followed by further lines) or the old 4-byte binary form. 0 when unreadable.
qint64 lockFilePid(const QByteArray &contents);

// When a live process other than this one holds a lock on the device, a
// reason for the user naming the process and the file; otherwise nullopt.
std::optional<QString> foreignLockHolder(const QString &devicePath,
                                         const QStringList &lockDirectories);

#endif

} // namespace ringlatch
