#!/usr/bin/python3
"""What a screen reader sees of the running program, through AT-SPI (pyatspi).

  atspi_client.py calculate       finds the main window's fields by name, types into them,
                                  presses "+" through its action and reads the answer by name
  atspi_client.py wait-window T   waits until a window titled T is in the tree
  atspi_client.py gone-window T   waits until no window titled T is in the tree
  atspi_client.py focus-order     enters the main window's fields by Tab, Shift+Tab and a click
                                  and checks that each field's focus reaches the reader before
                                  its caret and selection, as Qt itself sends them
  atspi_client.py dump FILE       writes every window's controls with role and name to FILE and
                                  checks that each focusable one has a name

Every wait ends after its deadline; nothing is retried blindly.
"""
import subprocess
import sys
import time

import pyatspi

DEADLINE = 20.0
PROGRAM_TITLE = "Tallymate 3.1"


def wait_for(what, probe, seconds=DEADLINE):
    end = time.monotonic() + seconds
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > end:
            sys.exit(f"timed out waiting for {what}")
        time.sleep(0.05)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        try:
            for window in app:
                if window is not None and window.name == PROGRAM_TITLE:
                    return app
        except Exception:
            continue
    return None


def windows(app):
    return [w for w in app if w is not None]


def window_named(title):
    """A shown window with that title (the program's hidden application window has it too)."""
    app = application()
    if app is None:
        return None
    for window in windows(app):
        if window.name == title and window.getState().contains(pyatspi.STATE_SHOWING):
            return window
    return None


def walk(node, depth=0):
    yield node, depth
    role = node.getRole()
    # The cells of the calendar and the items of a list are contents, not controls.
    if role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE):
        return
    for child in node:
        if child is not None:
            yield from walk(child, depth + 1)


def find(window, role, name):
    for node, _ in walk(window):
        if node.getRole() == role and node.name == name:
            return node
    return None


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def calculate():
    main = wait_for("the main window", lambda: window_named(PROGRAM_TITLE))
    first = wait_for("the field \"Первое число\"", lambda: find(main, pyatspi.ROLE_TEXT, "Первое число"))
    second = wait_for("the field \"Второе число\"", lambda: find(main, pyatspi.ROLE_TEXT, "Второе число"))
    answer = wait_for("the field \"Ответ\"", lambda: find(main, pyatspi.ROLE_TEXT, "Ответ"))
    plus = wait_for("the button \"+\"", lambda: find(main, pyatspi.ROLE_PUSH_BUTTON, "+"))

    # Typed as a keyboard types, so the field's key filter turns the point into a comma.
    for field, keys in ((first, "1.5"), (second, "2")):
        field.queryComponent().grabFocus()
        wait_for("the focus in " + field.name,
                 lambda f=field: f.getState().contains(pyatspi.STATE_FOCUSED))
        xdotool("type", "--delay", "30", keys)
        expected = keys.replace(".", ",")
        wait_for(f"{expected!r} in {field.name}", lambda f=field, e=expected: text_of(f) == e)

    action = plus.queryAction()
    action.doAction(0)
    wait_for("the answer 3,5", lambda: text_of(answer) == "3,5")
    # The answer is announced as read-only.
    if not answer.getState().contains(pyatspi.STATE_READ_ONLY):
        sys.exit("the answer field is not announced as read-only")
    print("answer by name:", text_of(answer))


def focus_order():
    """Each way into a field: the reader hears the field's focus before its caret or selection,
    or it takes the field as focused already and never says its name."""
    from gi.repository import GLib

    main = wait_for("the main window", lambda: window_named(PROGRAM_TITLE))
    first = wait_for("the field \"Первое число\"", lambda: find(main, pyatspi.ROLE_TEXT, "Первое число"))
    second = wait_for("the field \"Второе число\"", lambda: find(main, pyatspi.ROLE_TEXT, "Второе число"))
    first.queryComponent().grabFocus()
    wait_for("the focus in the first field", lambda: first.getState().contains(pyatspi.STATE_FOCUSED))

    heard = []  # (kind, field name), in the order the bus delivered them

    def on_event(event):
        try:
            if event.source.getRole() != pyatspi.ROLE_TEXT:
                return
            name = event.source.name
        except Exception:
            return
        if event.type.startswith("object:state-changed:focused"):
            if event.detail1 == 1:
                heard.append(("focus", name))
        elif event.type.startswith("object:text-caret-moved"):
            heard.append(("caret", name))
        elif event.type.startswith("object:text-selection-changed"):
            heard.append(("selection", name))

    kinds = ("object:state-changed:focused", "object:text-caret-moved",
             "object:text-selection-changed")
    for kind in kinds:
        pyatspi.Registry.registerEventListener(on_event, kind)

    def click(field):
        box = field.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdotool("mousemove", str(box.x + 4), str(box.y + box.height // 2), "click", "1")

    steps = [("Tab", second.name, lambda: xdotool("key", "Tab")),
             ("Shift+Tab", first.name, lambda: xdotool("key", "shift+Tab")),
             ("a click", second.name, lambda: click(second))]
    failures = []

    def run(index):
        if index == len(steps):
            pyatspi.Registry.stop()
            return
        how, target, act = steps[index]
        start = len(heard)
        act()
        end = time.monotonic() + DEADLINE

        def settled():
            mine = [kind for kind, name in heard[start:] if name == target]
            if "focus" in mine and len(set(mine)) > 1:
                before = mine[:mine.index("focus")]
                if before:
                    failures.append(f"{how}: {', '.join(before)} before the focus of {target}")
                print(f"{how}: {target} heard as {', '.join(mine)}")
                run(index + 1)
                return False
            if time.monotonic() > end:
                failures.append(f"{how}: no focus with caret or selection of {target}: {mine}")
                run(index + 1)
                return False
            return True

        GLib.timeout_add(20, settled)

    GLib.idle_add(lambda: run(0) and False)
    pyatspi.Registry.start()
    for kind in kinds:
        pyatspi.Registry.deregisterEventListener(on_event, kind)
    if failures:
        sys.exit("\n".join(failures))


def dump(path):
    app = wait_for("the program", application)
    lines = []
    unnamed = []
    for window in windows(app):
        if not window.getState().contains(pyatspi.STATE_SHOWING):
            continue
        for node, depth in walk(window):
            role = node.getRoleName()
            name = node.name
            description = node.description
            line = "  " * depth + f"[{role}] \"{name}\""
            if description:
                line += f" — {description}"
            try:
                value = node.queryValue()
                line += f" (значение {value.currentValue:g}, от {value.minimumValue:g} до {value.maximumValue:g})"
            except NotImplementedError:
                pass
            lines.append(line)
            state = node.getState()
            if state.contains(pyatspi.STATE_FOCUSABLE) and state.contains(pyatspi.STATE_SHOWING) \
                    and not name.strip():
                unnamed.append(f"{window.name}: [{role}]")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")
    if unnamed:
        sys.exit("focusable controls without a name: " + ", ".join(unnamed))


def main():
    command = sys.argv[1]
    if command == "calculate":
        calculate()
    elif command == "wait-window":
        wait_for("the window " + sys.argv[2], lambda: window_named(sys.argv[2]))
    elif command == "gone-window":
        wait_for("the window " + sys.argv[2] + " to go", lambda: window_named(sys.argv[2]) is None)
    elif command == "focus-order":
        focus_order()
    elif command == "dump":
        dump(sys.argv[2])
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
