#!/usr/bin/python3
"""What a Wayland client's protocol trace (WAYLAND_DEBUG=1, on its stderr) says about its windows.

    wayland_trace.py LOG fixed-size TITLE
        Prints WxH when the client's window titled TITLE asks the compositor for the same smallest
        and largest size, WxH; prints nothing otherwise.
    wayland_trace.py LOG has-keyboard TITLE
        Exits 0 when the window titled TITLE has the keyboard and the client has caught up with
        that: a round trip (wl_display.sync) has come back after the keyboard entered it. Qt makes
        a window active at the end of such a round trip, so keys sent from then on reach the
        widget that has the focus in it.
"""
import re
import sys

GET_XDG_SURFACE = re.compile(r"-> xdg_wm_base@\d+\.get_xdg_surface\(new id (xdg_surface@\d+), (wl_surface@\d+)\)")
GET_TOPLEVEL = re.compile(r"-> (xdg_surface@\d+)\.get_toplevel\(new id (xdg_toplevel@\d+)\)")
TOPLEVEL_REQUEST = re.compile(r"-> (xdg_toplevel@\d+)\.(set_title|set_min_size|set_max_size|destroy)\((.*)\)\s*$")
KEYBOARD_FOCUS = re.compile(r"\] wl_keyboard@\d+\.(enter|leave)\(\d+, (wl_surface@\d+|nil)")
SYNC = re.compile(r"-> wl_display@\d+\.sync\(new id (wl_callback@\d+)\)")
CALLBACK_MADE = re.compile(r"new id (wl_callback@\d+)")
CALLBACK_DONE = re.compile(r"\] (wl_callback@\d+)\.done\(")


def read(path):
    surfaces = {}  # xdg_surface -> wl_surface
    toplevels = {}  # xdg_toplevel -> {"surface", "title", "set_min_size", "set_max_size"}
    syncs = set()  # callbacks that are round trips, not frame callbacks
    keyboard = None  # the surface the keyboard is in
    caught_up = False
    with open(path, errors="replace") as log:
        for line in log:
            m = GET_XDG_SURFACE.search(line)
            if m:
                surfaces[m.group(1)] = m.group(2)
                continue
            m = GET_TOPLEVEL.search(line)
            if m:
                toplevels[m.group(2)] = {"surface": surfaces.get(m.group(1))}
                continue
            m = TOPLEVEL_REQUEST.search(line)
            if m:
                top, request, args = m.groups()
                if top not in toplevels:
                    continue
                if request == "destroy":
                    del toplevels[top]
                elif request == "set_title":
                    toplevels[top]["title"] = args.strip('"')
                else:
                    toplevels[top][request] = "x".join(a.strip() for a in args.split(","))
                continue
            m = KEYBOARD_FOCUS.search(line)
            if m:
                keyboard = m.group(2) if m.group(1) == "enter" else None
                caught_up = False
                continue
            m = SYNC.search(line)
            if m:
                syncs.add(m.group(1))
                continue
            m = CALLBACK_MADE.search(line)
            if m:
                syncs.discard(m.group(1))  # an id given anew to a frame callback
                continue
            m = CALLBACK_DONE.search(line)
            if m and m.group(1) in syncs:
                syncs.discard(m.group(1))
                caught_up = keyboard is not None
    return toplevels, keyboard, caught_up


def window(toplevels, title):
    for top in toplevels.values():
        if top.get("title") == title:
            return top
    return None


def main():
    path, what, title = sys.argv[1:4]
    toplevels, keyboard, caught_up = read(path)
    top = window(toplevels, title)
    if what == "fixed-size":
        if top and top.get("set_min_size") and top.get("set_min_size") == top.get("set_max_size"):
            print(top["set_min_size"])
        return 0
    if what == "has-keyboard":
        return 0 if top and keyboard and top["surface"] == keyboard and caught_up else 1
    print("unknown question: " + what, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
