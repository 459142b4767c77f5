#include "device_link/port_lock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/types.h>

namespace ringlatch {

QStringList defaultLockDirectories()
{
    return {QStringLiteral("/var/lock"),
            QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp"),
            QStringLiteral("/var/lock/lockdev"),
            QStringLiteral("/run/lock")};
}

QString lockFileName(const QString &devicePath)
{
    QString name = devicePath;
    if (name.startsWith(u"/dev/"))
        name.remove(0, 5);
    name.replace(u'/', u'_');
    return QStringLiteral("LCK..") + name;
}

qint64 lockFilePid(const QByteArray &contents)
{
    if (contents.size() == 4 && !contents.contains('\n')) {
        bool allDigits = true;
        for (char c : contents)
            allDigits = allDigits && ((c >= '0' && c <= '9') || c == ' ');
        if (!allDigits) {
            qint32 binary = 0;
            std::memcpy(&binary, contents.constData(), sizeof binary);
            return binary > 0 ? binary : 0;
        }
    }
    const qsizetype end = contents.indexOf('\n');
    const QByteArray firstLine = (end < 0 ? contents : contents.left(end)).trimmed();
    bool ok = false;
    const qint64 pid = firstLine.toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

namespace {

bool processIsAlive(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

std::optional<QString> foreignLockHolder(const QString &devicePath,
                                         const QStringList &lockDirectories)
{
    const QString name = lockFileName(devicePath);
    for (const QString &dir : lockDirectories) {
        QFile file(QDir(dir).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const qint64 pid = lockFilePid(file.read(64));
        if (pid == 0 || pid == QCoreApplication::applicationPid() || !processIsAlive(pid))
            continue;
        return QStringLiteral("Port je zauzet: drzi ga proces %1 (%2)")
            .arg(pid)
            .arg(file.fileName());
    }
    return std::nullopt;
}

} // namespace ringlatch
