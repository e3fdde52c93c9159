# SPDX-License-Identifier: MIT
"""The real program read through the AT-SPI bus, as Orca reads it: every control has a name, and
each field's arrow pair is a spin button named after the field with the push buttons 上 and 下.
Usage (in an X server): atspi_tree.py MRFYC"""
import os, subprocess, sys, tempfile, time

FIELDS = ["高さ", "幅", "ライン数", "クオリティ"]
ARROWS = [("push button", "上"), ("push button", "下")]

if sys.argv[2:] != ["--in-session"]:
    # A session bus of our own, its accessibility bus's socket in a runtime folder of our own.
    with tempfile.TemporaryDirectory() as os.environ["XDG_RUNTIME_DIR"]:
        sys.exit(subprocess.call(["timeout", "100", "dbus-run-session", "--", sys.executable,
                                  __file__, sys.argv[1], "--in-session"]))
# Qt joins the accessibility bus at start only when it is already there.
subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                "org.a11y.Bus.GetAddress"], check=True, timeout=20, stdout=subprocess.DEVNULL)
import pyatspi  # noqa: E402 (it connects to the bus just started)


def tree(node):
    yield node
    for child in node:
        yield from tree(child)


def problems():
    try:
        return read_problems()
    except Exception as error:  # a reader may meet the tree while the window is being built
        return [repr(error)]


def read_problems():
    apps = [app for app in pyatspi.Registry.getDesktop(0) if app and app.name == "mrfyc"]
    nodes = list(tree(apps[0])) if apps else []
    spins = [node for node in nodes if node.getRoleName() == "spin button"]
    containers = ("filler", "menu bar")
    found = [f"a nameless {node.getRoleName()} under {node.parent.name!r}" for node in nodes
             if not node.name and not (node.getRoleName() in containers and node.childCount)]
    found += [f"{spin.name}: arrows {arrows}" for spin in spins
              if (arrows := [(arrow.getRoleName(), arrow.name) for arrow in spin]) != ARROWS]
    fields = [(spin.parent.getRoleName(), spin.parent.name, spin.name) for spin in spins]
    return found + ([] if fields == [("text", f, f) for f in FIELDS] else [f"pairs in {fields}"])


environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
program = subprocess.Popen([sys.argv[1]], env=environment)
end = time.monotonic() + 30
try:
    while (found := problems()) and time.monotonic() < end:
        time.sleep(0.5)
finally:
    program.kill()
    program.wait()
print("\n".join(f"FAIL: {problem}" for problem in found) or "all named, 上 and 下 in each pair")
sys.exit(1 if found else 0)
