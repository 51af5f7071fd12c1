#!/usr/bin/env python3
"""The GIMP plug-in end to end: one gimp-console start runs every procedure in batch mode on a
picture made here, with and without a selection and with the last values, and each result must
equal `zar render` with the same settings byte for byte. GIMP reads a private profile folder in
the scratch directory whose plug-in folder links to the built plug-in, so nothing is installed.

usage: gimp_batch_test.py ZAR GIMP_CONSOLE ZAR_GIMP GIMP_PLUGIN_DIR SCRATCH"""
import os
import subprocess
import sys

from gimp_common import HEIGHT, SELECTION, WIDTH, effect_fields, make_profile, pixels, scheme_value

zar, gimp_console, plugin, system_plugins, scratch = sys.argv[1:6]
profile, picture, mask = make_profile(scratch, plugin, system_plugins)

# Settings away from the defaults in every kind of field: numbers, choices, switches, colours.
OVERRIDES = {
    "combustion": {"effectMode": "2", "oxygen": "30", "rampColors[1]": "#20C040", "iterations": "25"},
    "ice": {"maskMode": "1", "velocity": "90", "rampColors[2]": "#804020", "flameDirection": "2"},
    "candle": {"colorMode": "1", "height": "40", "maskInvert": "1", "iterations": "20"},
    "fire": {"flameDirection": "6", "fuel": "160", "rampColors[0]": "#FF00FF", "rotation": "-90"},
    "cryo": {"maskDroplet": "1", "alpha": "120", "radius": "30", "rampPosition1": "60"},
}

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED: " + what)


# One batch command (each runs in its own Script-Fu process): every case filters a copy of the
# picture and puts the result on one sheet, a tile below the other, saved once at the end.
cases = []  # (label, zar's result)
calls = []
for effect, overrides in OVERRIDES.items():
    fields = effect_fields(zar, effect)
    values = {name: overrides.get(name, default) for name, default in fields}
    args = " ".join(scheme_value(values[name]) for name, _ in fields)
    settings = [a for name, value in values.items() for a in ("--set", name + "=" + value)]
    names = " ".join('"%s"' % name.replace("[", "").replace("]", "") for name, _ in fields)
    # The procedure's parameters after run-mode, image and drawable carry the fields' names.
    calls.append('(let loop ((k 3) (names (list %s))) (if (pair? names) (begin '
                 '(if (not (equal? (cadr (gimp-procedural-db-proc-arg "plug-in-zar-%s" k)) (car names))) '
                 '(gimp-message (string-append "name mismatch: " (car names)))) '
                 '(loop (+ k 1) (cdr names)))))' % (names, effect))
    # Run with last values repeats the settings of the call before, whatever is passed.
    zeros = " ".join("'(0 0 0)" if v.startswith("#") else "0" for v in values.values())
    for case, mode, selected in (("layer", "RUN-NONINTERACTIVE", False),
                                 ("selection", "RUN-NONINTERACTIVE", True),
                                 ("last", "RUN-WITH-LAST-VALS", False)):
        reference = os.path.join(scratch, "%s-%s.pam" % (effect, case))
        if case != "last":
            subprocess.run([zar, "render", effect, picture, reference] + settings +
                           (["--mask", mask] if selected else []), check=True)
        else:
            reference = os.path.join(scratch, effect + "-layer.pam")
        select = "(gimp-image-select-rectangle image CHANNEL-OP-REPLACE %d %d %d %d)" % SELECTION
        calls.append(
            '(let* ((image (car (gimp-image-duplicate source))) '
            '(layer (car (gimp-image-get-active-layer image)))) %s '
            '(plug-in-zar-%s %s image layer %s) '
            '(let ((tile (car (gimp-layer-new-from-drawable layer sheet)))) '
            '(gimp-image-insert-layer sheet tile 0 -1) (gimp-layer-set-offsets tile 0 %d)) '
            '(gimp-image-delete image))'
            % (select if selected else "", effect, mode, args if mode == "RUN-NONINTERACTIVE" else zeros,
               len(cases) * HEIGHT))
        cases.append(("%s with %s" % (effect, case), reference))

# On a 16-bit layer the pixels the effect leaves alone keep their 16 bits (the plug-ins see and
# make 8 bits a sample): one pixel that Fire with the selection does not change gets a value no
# 8-bit sample can hold, and must read back the same after the run.
_, before = pixels(picture)
_, after = pixels(os.path.join(scratch, "fire-selection.pam"))
kept = next(k for k in range(0, len(before), 3) if before[k:k + 3] == after[k:k + 3])
fire_args = " ".join(scheme_value(OVERRIDES["fire"].get(name, default))
                     for name, default in effect_fields(zar, "fire"))
calls.append('(let* ((image (car (gimp-image-duplicate source))) '
             '(layer (car (gimp-image-get-active-layer image))) (deep (vector 18 52 86 120 154 188))) '
             '(gimp-image-convert-precision image PRECISION-U16-GAMMA) '
             '(gimp-drawable-set-pixel layer %d %d 6 deep) %s '
             '(plug-in-zar-fire RUN-NONINTERACTIVE image layer %s) '
             '(gimp-message (if (equal? (cadr (gimp-drawable-get-pixel layer %d %d)) deep) '
             '"16-bit pixel kept" "16-bit pixel rounded")) (gimp-image-delete image))'
             % ((kept // 3) % WIDTH, (kept // 3) // WIDTH,
                "(gimp-image-select-rectangle image CHANNEL-OP-REPLACE %d %d %d %d)" % SELECTION,
                fire_args, (kept // 3) % WIDTH, (kept // 3) // WIDTH))

# A value the field cannot carry is refused with the reason.
fire_fields = effect_fields(zar, "fire")
too_large = " ".join("300" if name == "oxygen" else scheme_value(default)
                     for name, default in fire_fields)
calls.append('(let* ((image (car (gimp-image-duplicate source))) '
             '(layer (car (gimp-image-get-active-layer image)))) '
             '(if (catch #t (plug-in-zar-fire RUN-NONINTERACTIVE image layer %s) #f) '
             '(gimp-message "zar-gimp refused oxygen 300")) (gimp-image-delete image))' % too_large)

# A grey layer is refused with the reason.
calls.append('(let* ((image (car (gimp-image-duplicate source))) '
             '(layer (car (gimp-image-get-active-layer image)))) (gimp-image-convert-grayscale image) '
             '(if (catch #t (plug-in-zar-fire RUN-NONINTERACTIVE image layer %s) #f) '
             '(gimp-message "zar-gimp refused a grey layer")) (gimp-image-delete image))' % fire_args)

result = os.path.join(scratch, "sheet.ppm")
batch = ('(let* ((source (car (gimp-file-load RUN-NONINTERACTIVE "%s" "%s"))) '
         '(sheet (car (gimp-image-new %d %d RGB)))) %s '
         '(let ((flat (car (gimp-image-flatten sheet)))) '
         '(file-pnm-save RUN-NONINTERACTIVE sheet flat "%s" "%s" 1)))'
         % (picture, picture, WIDTH, HEIGHT * len(cases), " ".join(calls), result, result))

env = dict(os.environ, GIMP2_DIRECTORY=profile)
env.pop("DISPLAY", None)
run = subprocess.run([gimp_console, "-i", "-d", "-f", "-s", "-b", batch, "-b", "(gimp-quit 0)"],
                     env=env, capture_output=True, text=True, timeout=600)
log = run.stdout + run.stderr
check("execution error" not in log and "mismatch" not in log, "every batch command ran:\n" + log)
check("16-bit pixel kept" in log, "a 16-bit pixel the effect leaves alone keeps its value:\n" + log)
check("refused a grey layer" in log and "works on RGB layers only" in log,
      "a grey layer is refused with the reason:\n" + log)
check("refused oxygen 300" in log and "oxygen = 300 does not fit the field (0..255)" in log,
      "a value too large for its field is refused with the reason:\n" + log)

if not os.path.exists(result):
    check(False, "GIMP wrote " + result)
else:
    (w, h, depth), sheet = pixels(result)
    check((w, h, depth) == (WIDTH, HEIGHT * len(cases), 3), "the sheet's size")
    tile = WIDTH * HEIGHT * 3
    for k, (label, reference) in enumerate(cases):
        got = sheet[k * tile:(k + 1) * tile]
        size, want = pixels(reference)
        check(size == (WIDTH, HEIGHT, 3) and got == want,
              "%s equals zar's %s (%d of %d bytes differ)" % (
                  label, os.path.basename(reference),
                  sum(a != b for a, b in zip(got, want)), len(want)))
        # A run that changed nothing would pass only if zar changed nothing too.
        check(want != pixels(picture)[1], os.path.basename(reference) + " differs from the input")

expected = cases
print("%d pictures compared, %d failures" % (len(expected), len(failures)))
sys.exit(1 if failures else 0)
