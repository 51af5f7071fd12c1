#!/usr/bin/env python3
"""The layer check passes on the tree and fails on a wrong-way include planted in a copy of it."""
import pathlib
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
CHECK = ROOT / "scripts" / "check-layers"
FOLDERS = ["base", "interface", "platform", "settings", "effects", "framework", "ui", "plugins",
           "hosts"]


def run(root):
    return subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)


def main():
    failures = []
    clean = run(ROOT)
    if clean.returncode != 0 or clean.stdout.strip() != "ok layers":
        failures.append(f"the tree does not pass:\n{clean.stdout}")

    with tempfile.TemporaryDirectory() as tmp:
        copy = pathlib.Path(tmp)
        for folder in FOLDERS:
            shutil.copytree(ROOT / folder, copy / folder)
        # An engine reaching up into the framework, and a host into the engines.
        engine = copy / "effects" / "ice" / "ice_engine.h"
        engine.write_text('#include "framework/globals.h"\n' + engine.read_text())
        host = copy / "hosts" / "core" / "host.cpp"
        host.write_text(host.read_text() + '\n#include "effects/palette/palette.h"\n')
        planted = run(copy)
        lines = planted.stdout.splitlines()
        if planted.returncode != 1:
            failures.append(f"the planted includes pass (exit {planted.returncode})")
        want = ["FAIL effects/ice/ice_engine.h:1 includes framework/globals.h "
                "(effects may not see framework)",
                "FAIL hosts/core/host.cpp:"]
        for prefix in want:
            if not any(line.startswith(prefix) for line in lines):
                failures.append(f"no line starting {prefix!r} in:\n{planted.stdout}")
        if len(lines) != 2:
            failures.append(f"expected exactly the two planted faults, got:\n{planted.stdout}")

    for failure in failures:
        print("FAIL", failure)
    print("ok" if not failures else f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
