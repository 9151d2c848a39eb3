#!/usr/bin/python3
# What a screen reader meets in the program's windows, read through AT-SPI (pyatspi).
#   a11y_tree.py tree TITLE [ROLE]  prints the program's showing window TITLE (of the role ROLE),
#                              once it is there (up to $A11Y_WAIT, 30 s), one control a line ("role | name",
#                              then "| focusable", "| focused"); exit 1 when a control the keyboard
#                              reaches has no role or no name, 2 when the window did not show
#   a11y_tree.py checked SECS  prints "listening", then each checked-state change it hears within
#                              SECS seconds as "NAME checked=0|1"; exit 1 when none came
import os
import sys
import time

import pyatspi
from gi.repository import GLib


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Nudgelark":
            return app
    return None


def window(title, role):
    app = program()
    for w in app or []:
        if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
            if role is None or w.getRoleName() == role:
                return w
    return None


def walk(node, depth, out):
    for child in node:
        if child is None:
            continue
        states = child.getState()
        if states.contains(pyatspi.STATE_SHOWING):
            out.append((depth, child, states.contains(pyatspi.STATE_FOCUSABLE)))
            walk(child, depth + 1, out)


def tree(title, role=None):
    deadline = time.monotonic() + float(os.environ.get("A11Y_WAIT", "30"))
    w = window(title, role)
    while w is None and time.monotonic() < deadline:
        time.sleep(0.1)
        w = window(title, role)
    if w is None:
        print("no showing window %r" % title)
        return 2
    print("%s | %s" % (w.getRoleName(), w.name))
    controls = []
    walk(w, 1, controls)
    bad = 0
    for depth, c, focusable in controls:
        role = c.getRoleName()
        line = "%s%s | %s%s" % ("  " * depth, role, c.name, " | focusable" if focusable else "")
        if c.getState().contains(pyatspi.STATE_FOCUSED):
            line += " | focused"
        if focusable and (not c.name.strip() or role in ("unknown", "filler", "invalid")):
            line += "   <-- no role or name"
            bad += 1
        print(line)
    return 1 if bad else 0


def checked(seconds):
    heard = []

    def on_event(event):
        heard.append(event.source.name)
        print("%s checked=%d" % (event.source.name, event.detail1), flush=True)

    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:checked")
    print("listening", flush=True)
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    return 0 if heard else 1


if __name__ == "__main__":
    if sys.argv[1] == "tree":
        sys.exit(tree(*sys.argv[2:4]))
    sys.exit(checked(float(sys.argv[2])))
