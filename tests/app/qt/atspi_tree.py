# SPDX-License-Identifier: MIT
# The real program read through the AT-SPI bus as Orca reads it, run in a session bus of its own:
# every control named, and each field's arrow pair a spin button named after the field holding the
# push buttons 上 and 下. Usage: atspi_tree.py MRFYC
import os, subprocess, sys, time
import pyatspi

ARROWS = [("push button", "上"), ("push button", "下")]
WANTED = [("text", field, field, ARROWS) for field in ["高さ", "幅", "ライン数", "クオリティ"]]
HOLDERS = ("filler", "menu bar")  # no control, only what holds controls, may go nameless


def problems():
    try:
        app = next(app for app in pyatspi.Registry.getDesktop(0) if app.name == "mrfyc")
        nodes = pyatspi.findAllDescendants(app, lambda node: True)
        found = [f"a nameless {node.getRoleName()} in {node.parent.name!r}" for node in nodes
                 if not node.name and not (node.childCount and node.getRoleName() in HOLDERS)]
        pairs = [(pair.parent.getRoleName(), pair.parent.name, pair.name,
                  [(arrow.getRoleName(), arrow.name) for arrow in pair])
                 for pair in nodes if pair.getRoleName() == "spin button"]
    except Exception as error:  # not on the bus yet, or the tree changed while it was read
        return [repr(error)]
    return found + ([] if pairs == WANTED else [f"arrow pairs {pairs}"])


pyatspi.Registry.getDesktop(0)  # starts the accessibility bus, so the program joins it at once
environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
program = subprocess.Popen([sys.argv[1]], env=environment)
end = time.monotonic() + 30
while (found := problems()) and time.monotonic() < end:
    time.sleep(0.5)
program.kill()
program.wait()
print("\n".join(f"FAIL: {problem}" for problem in found) or "all named, 上 and 下 in each pair")
sys.exit(1 if found else 0)
