"""Reads the program's windows over AT-SPI, as a screen reader does, and
checks each control's role and name against the tables below.

Usage (system python with pyatspi):
  a11y_check.py alert <caption> <text>   a message box announced as an alert
  a11y_check.py main <task title>...     the main window and its task list
  a11y_check.py line <title> <regex>     a task line whose description (its
                                         tooltip's text) has a matching line
  a11y_check.py properties               the task properties dialog
  a11y_check.py press <window> <button>  presses a button (its first action)
  a11y_check.py shown <window>           the window is on the screen
  a11y_check.py hidden <window>          the window exists but is not shown

Waits up to 30 seconds for the window and for it to match; exits 1 with
the differences.
"""
import re
import sys
import time

import pyatspi

TIMEOUT = 30

# (role, name, label) of each control in the order a screen reader visits
# them; the label is the text of the control's labelled-by relation without
# a trailing colon. A combo box's name is its current entry, as is usual
# on this desktop; its label says what it is.
MAIN = [
    ("label", "The following tasks are scheduled", None),
    ("list", "The following tasks are scheduled", None),
    ("push button", "Add...", None),
    ("push button", "Remove", None),
    ("push button", "Properties", None),
    ("panel", "Scheduler Settings", None),
    ("label", "Check every", None),
    ("text", "Check every", "Check every"),
    ("spin button", "Check every", None),
    ("label", "Seconds", None),
    ("check box", "Hide on Startup", None),
    ("check box", "Show Taskbar Icon", None),
    ("check box", "Start at Login", None),
    ("push button", "Hide", None),
    ("push button", "Exit", None),
]

# A new task.
PROPERTIES = [
    ("label", "Title :", None),
    ("text", "Title", "Title"),
    ("check box", "Disabled", None),
    ("panel", "Schedule", None),
    ("label", "Timing :", None),
    ("combo box", "Daily", "Timing"),
    ("label", "At :", None),
    ("label", "Hrs", None),
    ("text", "Hrs", "Hrs"),
    ("spin button", "Hrs", None),
    ("label", "Min", None),
    ("text", "Min", "Min"),
    ("spin button", "Min", None),
    ("label", "Skip :", None),
    ("check box", "Mon", None),
    ("check box", "Tue", None),
    ("check box", "Wed", None),
    ("check box", "Thu", None),
    ("check box", "Fri", None),
    ("check box", "Sat", None),
    ("check box", "Sun", None),
    ("label", "Day of Week :", None),
    ("combo box", "Sunday", "Day of Week"),
    ("label", "Date :", None),
    ("text", "Date", "Date"),
    ("spin button", "Date", None),
    ("panel", "Task", None),
    ("label", "Do what :", None),
    ("combo box", "Message Box", "Do what"),
    ("label", "Command Line :", None),
    ("text", "Command Line", "Command Line"),
    ("push button", "Browse", None),
    ("label", "Message :", None),
    ("text", "Message", "Message"),
    ("check box", "Run on Startup if schedule was missed because scheduler was not active", None),
    ("push button", "OK", None),
    ("push button", "Cancel", None),
    ("label", "If still running:", None),
    ("combo box", "Skip this run", "If still running"),
    ("label", "Stop after", None),
    ("text", "Stop after", "Stop after"),
    ("spin button", "Stop after", None),
    ("label", "Hrs", None),
    ("label", "Min", None),
    ("text", "Min", "Min"),
    ("spin button", "Min", None),
]


def children(acc):
    result = []
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            result.append(child)
    return result


def descendants(acc):
    for child in children(acc):
        yield child
        yield from descendants(child)


def find_window(name, role=None):
    """The top-level window with this name, polled until the deadline."""
    deadline = time.monotonic() + TIMEOUT
    while True:
        desktop = pyatspi.Registry.getDesktop(0)
        try:
            for app in children(desktop):
                app.clearCache()
                for window in children(app):
                    if window.name == name and (role is None or window.getRoleName() == role):
                        return window
        except Exception:  # an application or window that went away while read
            pass
        if time.monotonic() > deadline:
            sys.exit(f"no window named {name!r}" + (f" with the role {role!r}" if role else ""))
        time.sleep(0.2)


def compare(what, expected, actual):
    if actual == expected:
        return []
    problems = [f"{what}: {len(actual)} controls, {len(expected)} expected"]
    for i in range(max(len(expected), len(actual))):
        want = expected[i] if i < len(expected) else None
        got = actual[i] if i < len(actual) else None
        if want != got:
            problems.append(f"  control {i}: {got} instead of {want}")
    return problems


def label_of(acc):
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY and relation.getNTargets() > 0:
            return relation.getTarget(0).name.rstrip(":").rstrip()
    return None


def described(acc):
    return (acc.getRoleName(), acc.name, label_of(acc))


def check_alert(caption, text):
    box = find_window(caption, "alert")
    shown = [d.name for d in descendants(box) if d.getRoleName() == "label"]
    if text not in shown:
        return [f"the alert {caption!r} does not read {text!r}: {shown}"]
    return []


def check_main(titles):
    window = find_window("Tikr")
    controls = children(window)
    problems = compare("main window", MAIN, [described(c) for c in controls])
    lists = [c for c in controls if c.getRoleName() == "list"]
    if lists:
        items = [(c.getRoleName(), c.name) for c in children(lists[0])]
        problems += compare("task list", [("list item", t) for t in titles], items)
        # Each line's description is its task's state: rule, next run, last run.
        for item in children(lists[0]):
            lines = item.description.split("\n")
            if len(lines) != 3 or not lines[1].startswith("Next run: ") or not (
                    lines[2] == "Never run" or lines[2].startswith("Last run: ")):
                problems.append(f"the line {item.name!r} does not describe its task: {lines}")
    return problems


def check_line(title, pattern):
    window = find_window("Tikr")
    for control in children(window):
        if control.getRoleName() != "list":
            continue
        for item in children(control):
            if item.name == title:
                lines = item.description.split("\n")
                if any(re.search(pattern, line) for line in lines):
                    return []
                return [f"the line {title!r} reads {lines}, nothing like {pattern!r}"]
    return [f"no line {title!r}"]


def check_properties():
    window = find_window("Scheduled Task Properties")
    return compare("properties dialog", PROPERTIES, [described(c) for c in children(window)])


def press(window_name, button):
    window = find_window(window_name)
    for control in descendants(window):
        if control.getRoleName() == "push button" and control.name == button:
            control.queryAction().doAction(0)
            return []
    return [f"no button {button!r} in {window_name!r}"]


def showing(window_name, wanted):
    shown = find_window(window_name).getState().contains(pyatspi.STATE_SHOWING)
    return [] if shown == wanted else [f"{window_name!r} is {'shown' if shown else 'hidden'}"]


def main(argv):
    if len(argv) >= 4 and argv[1] == "alert":
        check = lambda: check_alert(argv[2], argv[3])
    elif len(argv) >= 2 and argv[1] == "main":
        check = lambda: check_main(argv[2:])
    elif len(argv) == 4 and argv[1] == "line":
        check = lambda: check_line(argv[2], argv[3])
    elif len(argv) == 2 and argv[1] == "properties":
        check = check_properties
    elif len(argv) == 4 and argv[1] == "press":
        check = lambda: press(argv[2], argv[3])
    elif len(argv) == 3 and argv[1] in ("shown", "hidden"):
        check = lambda: showing(argv[2], argv[1] == "shown")
    else:
        sys.exit(__doc__)
    # A window read while it is still being filled is read again.
    deadline = time.monotonic() + TIMEOUT
    while True:
        try:
            problems = check()
        except Exception as error:  # a window that changed while read
            problems = [f"reading failed: {error}"]
        if not problems or time.monotonic() > deadline:
            break
        time.sleep(0.2)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
