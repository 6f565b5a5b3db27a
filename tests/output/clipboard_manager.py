#!/usr/bin/python3
"""A small clipboard manager for the tests, and a way to close a window as its close box does.

    clipboard_manager.py serve READY_FILE   owns CLIPBOARD_MANAGER; on a SAVE_TARGETS request
                                            copies the clipboard's image/png, takes the
                                            clipboard over and offers that copy (TARGETS and
                                            image/png) until it is ended; writes READY_FILE once
                                            it listens
    clipboard_manager.py close TITLE        sends WM_DELETE_WINDOW to the top-level window
                                            named TITLE
"""
import sys
import time

from Xlib import X, Xatom, display
from Xlib.protocol import event


def fetch(dpy, window, selection, target):
    """The selection converted to target, or None (no owner, refused, or no answer)."""
    prop = dpy.intern_atom("KARVIN_MANAGER_DATA")
    window.convert_selection(selection, target, prop, X.CurrentTime)
    dpy.flush()
    deadline = time.time() + 5
    while time.time() < deadline:
        while dpy.pending_events():
            ev = dpy.next_event()
            if ev.type == X.SelectionNotify and ev.requestor.id == window.id:
                if ev.property == X.NONE:
                    return None
                reply = window.get_full_property(prop, X.AnyPropertyType, sizehint=1 << 24)
                window.delete_property(prop)
                return None if reply is None else reply.value
        time.sleep(0.01)
    return None


def answer(dpy, request, prop):
    notify = event.SelectionNotify(time=request.time, requestor=request.requestor,
                                   selection=request.selection, target=request.target,
                                   property=prop)
    request.requestor.send_event(notify)
    dpy.flush()


def serve(ready_file):
    dpy = display.Display()
    window = dpy.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    manager = dpy.intern_atom("CLIPBOARD_MANAGER")
    clipboard = dpy.intern_atom("CLIPBOARD")
    save_targets = dpy.intern_atom("SAVE_TARGETS")
    targets = dpy.intern_atom("TARGETS")
    png = dpy.intern_atom("image/png")
    window.set_selection_owner(manager, X.CurrentTime)
    dpy.flush()
    with open(ready_file, "w") as ready:
        ready.write("listening\n")
    saved = None
    while True:
        ev = dpy.next_event()
        if ev.type != X.SelectionRequest:
            continue
        if ev.selection == manager and ev.target == save_targets:
            data = fetch(dpy, window, clipboard, png)
            if data is not None:
                saved = bytes(data)
                window.set_selection_owner(clipboard, X.CurrentTime)
            answer(dpy, ev, ev.property if data is not None else X.NONE)
        elif ev.selection == clipboard and saved is not None and ev.target == targets:
            ev.requestor.change_property(ev.property, Xatom.ATOM, 32, [targets, png])
            answer(dpy, ev, ev.property)
        elif ev.selection == clipboard and saved is not None and ev.target == png:
            ev.requestor.change_property(ev.property, png, 8, saved)
            answer(dpy, ev, ev.property)
        else:
            answer(dpy, ev, X.NONE)


def close(title):
    dpy = display.Display()
    protocols = dpy.intern_atom("WM_PROTOCOLS")
    delete = dpy.intern_atom("WM_DELETE_WINDOW")

    def find(window):
        try:
            if window.get_wm_name() == title and window.get_wm_protocols():
                return window
            children = window.query_tree().children
        except Exception:
            return None  # gone meanwhile
        for child in children:
            found = find(child)
            if found is not None:
                return found
        return None

    window = None
    deadline = time.time() + 10
    while window is None and time.time() < deadline:
        window = find(dpy.screen().root)
        if window is None:
            time.sleep(0.2)
    if window is None:
        print("clipboard_manager.py: no window named %r" % title, file=sys.stderr)
        return 1
    message = event.ClientMessage(window=window, client_type=protocols,
                                  data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(message)
    dpy.flush()
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "serve":
        serve(sys.argv[2])
    else:
        sys.exit(close(sys.argv[2]))
