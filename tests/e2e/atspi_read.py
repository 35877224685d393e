#!/usr/bin/python3
# Reads the running program's editor through AT-SPI, as a screen reader does:
#   atspi_read.py APP-PID [SECONDS]
# prints one line "text=<text as JSON> caret=<offset> role=<role>" for the focused
# document's editor (the text object that is showing and focused, else the first), or
# exits 1 when the program does not show up on the accessibility bus in time.
import json
import sys
import time

import pyatspi


def find_text(node, depth=0):
    """The text objects below node, the focused ones first."""
    found = []
    if node is None or depth > 40:
        return found
    try:
        role = node.getRole()
        if role in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY) and node.getState().contains(pyatspi.STATE_MULTI_LINE):
            found.append(node)
        for i in range(node.childCount):
            found.extend(find_text(node.getChildAtIndex(i), depth + 1))
    except Exception:
        pass
    return found


def main():
    pid = int(sys.argv[1])
    deadline = time.monotonic() + float(sys.argv[2] if len(sys.argv) > 2 else 20)
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is None or app.get_process_id() != pid:
                    continue
            except Exception:
                continue
            texts = find_text(app)
            focused = [t for t in texts if t.getState().contains(pyatspi.STATE_FOCUSED)]
            for t in focused or texts:
                text = t.queryText()
                print("text=%s caret=%d role=%s" % (json.dumps(text.getText(0, -1)), text.caretOffset, t.getRoleName()))
                return 0
        time.sleep(0.3)
    print("the program did not show up on the accessibility bus", file=sys.stderr)
    return 1


sys.exit(main())
