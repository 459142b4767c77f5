#include "cold_start.h"

#include "paced_device.h"

#include <QFile>
#include <QSet>
#include <csignal>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/damage.h>
#include <xcb/xcb.h>

extern char **environ;

namespace {

long statusKiB(pid_t pid, const char *field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

void endProcess(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

Launch launchAndWatch(const QString &program, const QStringList &arguments, int idleMs)
{
    Launch launch;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> conn(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(conn.get())) {
        launch.error = QStringLiteral("no X server (DISPLAY)");
        return launch;
    }
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(conn.get(), &xcb_damage_id);
    if (!damage || !damage->present) {
        launch.error = QStringLiteral("the X server has no DAMAGE extension");
        return launch;
    }
    free(xcb_damage_query_version_reply(
        conn.get(), xcb_damage_query_version(conn.get(), XCB_DAMAGE_MAJOR_VERSION, 1), nullptr));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn.get())).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(conn.get(), root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(conn.get(), xcb_get_input_focus(conn.get()), nullptr));

    std::vector<QByteArray> args{QFile::encodeName(program)};
    for (const QString &a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const long long startNs = monotonicNs();
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        launch.error = QStringLiteral("cannot start %1").arg(program);
        return launch;
    }

    // Every new top-level window gets a damage watch at once: the program's
    // first drawing into its mapped window is when the user sees it.
    QSet<xcb_window_t> created;
    QSet<xcb_window_t> mapped;
    xcb_window_t shown = 0;
    const long long deadlineNs = startNs + 10'000'000'000LL;
    while (launch.paintedMs == 0) {
        xcb_generic_event_t *event = xcb_poll_for_event(conn.get());
        if (!event) {
            if (xcb_connection_has_error(conn.get()) || monotonicNs() > deadlineNs)
                break;
            pollfd fd{xcb_get_file_descriptor(conn.get()), POLLIN, 0};
            ::poll(&fd, 1, 100);
            continue;
        }
        const long long nowNs = monotonicNs();
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto *e = reinterpret_cast<xcb_create_notify_event_t *>(event);
            if (e->parent == root && !e->override_redirect) {
                created.insert(e->window);
                xcb_damage_create(conn.get(), xcb_generate_id(conn.get()), e->window,
                                  XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                xcb_flush(conn.get());
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto *e = reinterpret_cast<xcb_map_notify_event_t *>(event);
            if (created.contains(e->window) && !mapped.contains(e->window)) {
                mapped.insert(e->window);
                if (!shown) {
                    shown = e->window;
                    launch.mappedMs = (nowNs - startNs) / 1e6;
                }
            }
        } else if (type == damage->first_event + XCB_DAMAGE_NOTIFY) {
            const auto *e = reinterpret_cast<xcb_damage_notify_event_t *>(event);
            if (shown && e->drawable == shown)
                launch.paintedMs = (nowNs - startNs) / 1e6;
        }
        free(event);
    }
    if (launch.paintedMs == 0) {
        launch.error = QStringLiteral("%1 showed no window").arg(program);
        endProcess(pid);
        return launch;
    }
    ::usleep(static_cast<useconds_t>(idleMs) * 1000);
    launch.rssKiB = statusKiB(pid, "VmRSS");
    launch.peakKiB = statusKiB(pid, "VmHWM");
    endProcess(pid);
    launch.ok = launch.rssKiB > 0;
    return launch;
}
