#!/usr/bin/python3
"""Reads the running program as a screen reader does, over AT-SPI.

Starts the program with Qt's accessibility bridge on, finds it on the
accessibility bus, prints the tree it offers and checks the names and roles a
screen-reader user hears: the window, every widget of it, and the boxes that
"?" opens; given the commands of the simulated device that COM1 is, also the
boxes of COM2 and of an unplugged port. Run inside a session bus
(dbus-run-session) on an X display.

usage: atspi_client.py PROGRAM [--device FIFO]
Exit 0 when everything reads as expected, 1 when not, 77 (skipped) when the
accessibility bus cannot be reached.
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77

WINDOW_TITLE = "Ringlatch v1 :: Korvane ::"
INSTRUCTION = "Ukucajte broj telefona sa koga ce te paliti relej. Max 20 cifara."
ABOUT_TEXT = "Program za ubacivanje podataka u eprom uredjaja\r\n\r\nkontakt@ringlatch.example"
PORT_ERROR = "Greska na portu COM1"

# (role, name, description) of every element of the window, in any order.
EXPECTED_WINDOW = [
    ("image", "Ringlatch", ""),
    ("label", "Broj ", ""),
    ("text", "Broj", INSTRUCTION),
    ("label", INSTRUCTION, ""),
    ("panel", "Port", ""),
    ("radio button", "COM1", ""),
    ("radio button", "COM2", ""),
    ("push button", "Posalji ", ""),
    ("push button", "Iscitaj", ""),
    ("push button", "O programu", ""),
]


def skip(reason):
    print(f"SKIPPED: {reason}")
    sys.exit(SKIP)


try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Gio, GLib
    import pyatspi
except (ImportError, ValueError) as error:
    skip(f"python3-pyatspi is not usable: {error}")


class Failed(Exception):
    pass


def wait_for(what, seconds, probe):
    """Polls probe until it returns something true; fails after the limit."""
    deadline = time.monotonic() + seconds
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failed(f"{what}: nothing after {seconds} s")
        time.sleep(0.1)


def check_bus():
    """Skips unless the session bus hands out the accessibility bus; returns
    its address."""
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        skip("no session bus (DBUS_SESSION_BUS_ADDRESS is not set)")
    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                              None, GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 10000, None)
    except GLib.Error as error:
        skip(f"the accessibility bus did not start (at-spi2-core): {error.message}")
    if not reply.unpack()[0]:
        skip("the accessibility bus did not start: it has no address")
    return reply.unpack()[0]


def children(node):
    result = []
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            result.append(child)
    return result


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def is_focusable(node):
    return node.getState().contains(pyatspi.STATE_FOCUSABLE)


def describe(node):
    line = f"{node.getRoleName()} {node.name!r}"
    if node.description:
        line += f" description {node.description!r}"
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels = [relation.getTarget(i).name for i in range(relation.getNTargets())]
            line += " labelled by " + ", ".join(repr(label) for label in labels)
    if is_focusable(node):
        line += " [focusable]"
    return line


def print_tree(node, depth=0):
    print("  " * depth + describe(node))
    for child in children(node):
        print_tree(child, depth + 1)


class Program:
    def __init__(self, path):
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.log = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen([path], env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            try:
                if app.get_process_id() == self.process.pid:
                    app.clear_cache()
                    return app
            except GLib.Error:
                continue
        return None

    def top_levels(self):
        app = self.application()
        return children(app) if app is not None else []

    def output(self):
        self.log.seek(0)
        return self.log.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)


def boxes(program):
    """The boxes up now. A box that has just closed may still be listed but no
    longer answers; it counts as gone."""
    found = []
    for top in program.top_levels():
        try:
            if top.getRoleName() in ("alert", "dialog"):
                found.append(top)
        except GLib.Error:
            continue
    return found


def find_box(program, title):
    matching = [box for box in boxes(program) if box.name == title]
    return matching[0] if matching else None


def any_box(program):
    found = boxes(program)
    return found[0] if found else None


def press(node, action_name, bus=None):
    """Runs the action. Qt toggles a radio button inside the call, so a Toggle
    whose handler opens a modal box would be answered only once the box has
    closed: given the accessibility bus, the request is sent without waiting
    for an answer."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if action_name not in names:
        raise Failed(f"{describe(node)} offers {names}, not {action_name}")
    index = names.index(action_name)
    if bus is None:
        action.doAction(index)
        return
    message = Gio.DBusMessage.new_method_call(node.app.bus_name, node.path,
                                              "org.a11y.atspi.Action", "DoAction")
    message.set_body(GLib.Variant("(i)", (index,)))
    message.set_flags(Gio.DBusMessageFlags.NO_REPLY_EXPECTED)
    bus.send_message(message, Gio.DBusSendMessageFlags.NONE)
    bus.flush_sync(None)


def read_box(program, box, text_starts):
    """Checks a box reads as an alert with its text and OK; closes it with OK."""
    print("-- box, as read:")
    print_tree(box, 1)
    problems = []
    if box.getRoleName() != "alert":
        problems.append(f"box {box.name!r} is read as {box.getRoleName()}, not an alert")
    labels = [node.name for node in descendants(box) if node.getRoleName() == "label"]
    if not any(label.startswith(text_starts) for label in labels):
        problems.append(f"box {box.name!r} does not read {text_starts!r}: {labels}")
    buttons = [node for node in descendants(box) if node.getRoleName() == "push button"]
    if [button.name for button in buttons] != ["OK"]:
        problems.append(f"box {box.name!r} has buttons {[b.name for b in buttons]}")
    if buttons:
        press(buttons[0], "Press")
        title = box.name
        wait_for(f"box {title!r} to close", 10, lambda: find_box(program, title) is None)
    return problems


def check_window(window):
    problems = []
    if window.getRoleName() != "frame":
        problems.append(f"the window is read as {window.getRoleName()}, not as a frame (window)")
    if window.name != WINDOW_TITLE:
        problems.append(f"the window is called {window.name!r}")
    found = [(node.getRoleName(), node.name, node.description or "")
             for node in descendants(window)]
    for expected in EXPECTED_WINDOW:
        if expected not in found:
            problems.append("missing: %s %r (description %r)" % expected)
    for extra in found:
        if extra not in EXPECTED_WINDOW:
            problems.append("not expected: %s %r (description %r)" % extra)
    for node in descendants(window):
        if not node.name.strip():
            kind = "focusable element" if is_focusable(node) else "element"
            problems.append(f"unnamed {kind}: {describe(node)}")
    field = [node for node in descendants(window) if node.getRoleName() == "text"]
    if field and "labelled by 'Broj '" not in describe(field[0]):
        problems.append(f"the field is not labelled by its label: {describe(field[0])}")
    return problems


def run(program, device, bus):
    problems = []
    def shown_window():
        if program.process.poll() is not None:
            raise Failed(f"the program ended with {program.process.returncode} before its "
                         "window could be read")
        return [top for top in program.top_levels() if top.name == WINDOW_TITLE]

    windows = wait_for("the window on the accessibility bus", 20, shown_window)
    window = windows[0]

    # A COM1 that fails to open is reported in a box as the window comes up.
    box = None
    deadline = time.monotonic() + 1.5
    while box is None and time.monotonic() < deadline:
        box = any_box(program)
        time.sleep(0.1)
    if box is not None:
        print("-- a box came up at start")
        if device:
            problems.append(f"a box came up at start on a working port: {box.name!r}")
        problems += read_box(program, box, PORT_ERROR)

    print("-- the window, as read:")
    print_tree(window, 1)
    problems += check_window(window)

    nodes = {(node.getRoleName(), node.name): node for node in descendants(window)}
    # Found by its caption too, so that a program whose button is not named yet
    # still shows its box here.
    about = nodes.get(("push button", "O programu")) or nodes.get(("push button", "?"))
    if about is None:
        problems.append("no button opens the About box")
    else:
        press(about, "Press")
        box = wait_for("the About box", 10, lambda: find_box(program, "O programu"))
        problems += read_box(program, box, ABOUT_TEXT)

    if device:
        press(nodes[("radio button", "COM2")], "Toggle", bus)
        box = wait_for("the COM2 box", 10, lambda: find_box(program, "Ringlatch_1"))
        problems += read_box(program, box, "Nepostoji COM2")
        time.sleep(0.5)
        late = any_box(program)
        if late is not None:
            problems.append(f"a box after COM2: {late.name!r}")
            problems += read_box(program, late, "")

        with open(device, "w") as commands:
            commands.write("vanish\n")
        box = wait_for("the box of the unplugged port", 10,
                       lambda: find_box(program, "Ringlatch_1"))
        problems += read_box(program, box, PORT_ERROR + "\r\n")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--device", metavar="FIFO",
                        help="commands of the simulated device that COM1 is: no box is "
                             "expected at start, and COM2 and an unplug are tried")
    args = parser.parse_args()

    address = check_bus()
    try:
        bus = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
            Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
    except GLib.Error as error:
        skip(f"the accessibility bus cannot be reached: {error.message}")
    program = Program(args.program)
    try:
        problems = run(program, args.device, bus)
        if program.process.poll() is not None:
            problems.append(f"the program ended with {program.process.returncode}")
    except Failed as failure:
        problems = [str(failure)]
    except GLib.Error as error:
        problems = [f"AT-SPI: {error.message}"]
    finally:
        program.stop()

    output = program.output()
    for marker in ("AddressSanitizer", "runtime error:", "LeakSanitizer"):
        if marker in output:
            problems.append(f"the program reported {marker}")
    if problems:
        print("-- program output:\n" + output, file=sys.stderr)
        for problem in problems:
            print(f"FAIL: {problem}")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
