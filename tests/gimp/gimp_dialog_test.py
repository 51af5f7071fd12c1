#!/usr/bin/env python3
"""The dialog inside GIMP, under Xvfb: GIMP opens a picture with a selection, runs Fire non-
interactively (its settings become the last values), then interactively. The dialog opens with
those settings, a drag moves the "Iteration" slider, the screen is saved and OK pressed: the layer
must then equal `zar render` with the last values and the moved slider, byte for byte, and the
dialog's Save must have written them as `zar params save` does.

usage: gimp_dialog_test.py ZAR GIMP ZAR_GIMP GIMP_PLUGIN_DIR SCRATCH [PHOTO.png SCREENSHOT.png]
(with a photograph, the picture is that photograph and the screenshot is kept where named)"""
import os
import subprocess
import sys

from gimp_common import SELECTION, effect_fields, make_profile, pixels, scheme_value

zar, gimp, plugin, system_plugins, scratch = sys.argv[1:6]
photo, screenshot = (sys.argv[6:8] + [None, None])[:2]
profile, picture, mask = make_profile(scratch, plugin, system_plugins)
if photo:
    picture = os.path.abspath(photo)
    mask = None
screenshot = os.path.abspath(screenshot) if screenshot else os.path.join(scratch, "dialog.png")

LAST = {"oxygen": "30", "flameDirection": "6", "rampColors[0]": "#FF00FF", "maskDroplet": "1"}
MOVED = ("iterations", "12")

fields = effect_fields(zar, "fire")
values = {name: LAST.get(name, default) for name, default in fields}
args = " ".join(scheme_value(values[name]) for name, _ in fields)
zeros = " ".join("'(0 0 0)" if v.startswith("#") else "0" for v in values.values())
reference = os.path.join(scratch, "reference.pam")
settings = [a for name, value in {**values, MOVED[0]: MOVED[1]}.items()
            for a in ("--set", name + "=" + value)]
subprocess.run([zar, "render", "fire", picture, reference] + settings +
               (["--mask", mask] if mask else []), check=True)

out = os.path.join(scratch, "out.ppm")
select = ("(gimp-image-select-rectangle image CHANNEL-OP-REPLACE %d %d %d %d)" % SELECTION
          if mask else "")
batch = ('(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE "%s" "%s"))) '
         '(layer (car (gimp-image-get-active-layer image))) '
         '(scratch (car (gimp-image-duplicate image)))) '
         '(plug-in-zar-fire RUN-NONINTERACTIVE scratch (car (gimp-image-get-active-layer scratch)) %s) '
         '(gimp-display-new image) %s '
         '(plug-in-zar-fire RUN-INTERACTIVE image layer %s) '
         '(file-pnm-save RUN-NONINTERACTIVE image layer "%s" "%s" 1))'
         % (picture, picture, args, select, zeros, out, out))

xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x700x24", "-nolisten",
                         "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
try:
    display = ":" + xvfb.stdout.readline().decode().strip()
    env = dict(os.environ, GIMP2_DIRECTORY=profile, DISPLAY=display,
               ZAR_GIMP_DIALOG_MOVE="%s=%s" % MOVED, ZAR_GIMP_DIALOG_SNAPSHOT=screenshot,
               ZAR_GIMP_DIALOG_SAVE=os.path.join(scratch, "shown"))
    run = subprocess.run([gimp, "-d", "-f", "-s", "--no-splash", "-b", batch, "-b", "(gimp-quit 1)"],
                         env=env, capture_output=True, text=True, timeout=600)
finally:
    xvfb.terminate()
    xvfb.wait()

failures = []
log = run.stdout + run.stderr
if "execution error" in log or not os.path.exists(out):
    failures.append("GIMP ran the batch:\n" + log)
elif pixels(out)[1] != pixels(reference)[1]:
    failures.append("OK applied the settings the dialog showed (the layer equals zar's)")
# Save wrote what the dialog showed: the file `zar params save` makes with the same settings.
subprocess.run([zar, "params", "save", "fire", os.path.join(scratch, "expected.pfr")] + settings,
               check=True)
shown = os.path.join(scratch, "shown.pfr")
if not os.path.exists(shown) or open(shown, "rb").read() != open(
        os.path.join(scratch, "expected.pfr"), "rb").read():
    failures.append("Save wrote the settings shown (the last values and the moved slider)")
# The saved screen holds the dialog over GIMP: a PNG, much larger than an empty screen's.
if not os.path.exists(screenshot) or os.path.getsize(screenshot) < 20000:
    failures.append("the screen was saved while the dialog was open")
for failure in failures:
    print("FAILED: " + failure)
print("dialog: %d failures" % len(failures))
sys.exit(1 if failures else 0)
