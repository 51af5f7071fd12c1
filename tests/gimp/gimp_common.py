"""What the GIMP tests share: the picture and selection they make, PAM/PNM samples, the fields
as `zar effects` lists them, and a private GIMP profile whose plug-in folder holds the built
plug-in (a link) and only the GIMP plug-ins the tests need."""
import os
import re
import shutil
import subprocess

WIDTH, HEIGHT = 90, 60
SELECTION = (18, 12, 44, 30)  # x, y, width, height


def write_picture(path):
    rows = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            rows += bytes(((x * 5 + y * 3) % 256, (y * 9 + 40) % 256, (x * y) % 256))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + bytes(rows))


def write_mask(path):
    x0, y0, w, h = SELECTION
    rows = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            rows.append(255 if x0 <= x < x0 + w and y0 <= y < y0 + h else 0)
    with open(path, "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (WIDTH, HEIGHT) + bytes(rows))


def pixels(path):
    """The samples of a P6 or P7 file, with its size and depth."""
    data = open(path, "rb").read()
    if data.startswith(b"P7"):
        end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
        head = dict(line.split(b" ", 1) for line in data[3:end].split(b"\n") if b" " in line)
        return (int(head[b"WIDTH"]), int(head[b"HEIGHT"]), int(head[b"DEPTH"])), data[end:]
    fields = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+(\d+)\s", data)
    return (int(fields.group(1)), int(fields.group(2)), 3), data[fields.end():]


def effect_fields(zar, effect):
    """(field, default) as `zar effects` lists them."""
    out = subprocess.run([zar, "effects", effect], check=True, capture_output=True, text=True).stdout
    fields = []
    for line in out.splitlines()[2:]:
        parts = line.split()
        if parts:
            fields.append((parts[0], parts[1]))
    return fields


def scheme_value(text):
    if text.startswith("#"):
        v = int(text[1:], 16)
        return "'(%d %d %d)" % (v >> 16, (v >> 8) & 255, v & 255)
    return text


def make_profile(scratch, plugin, system_plugins):
    """A fresh scratch folder with the picture, the selection mask and a GIMP profile; returns
    (profile, picture, mask)."""
    shutil.rmtree(scratch, ignore_errors=True)
    profile = os.path.join(scratch, "profile")
    os.makedirs(os.path.join(profile, "plug-ins", "zar-gimp"))
    for folder in ("gradients", "brushes", "patterns", "palettes"):
        os.makedirs(os.path.join(profile, folder))
    # GIMP runs the executable named after its folder; the link keeps the modules beside the real one.
    os.symlink(os.path.abspath(plugin), os.path.join(profile, "plug-ins", "zar-gimp", "zar-gimp"))
    # Only the plug-ins the batch needs: GIMP queries every plug-in of a new profile, which takes
    # minutes for the system's hundred.
    for needed in ("script-fu", "file-pnm", "file-png"):
        os.symlink(os.path.join(system_plugins, needed), os.path.join(profile, "plug-ins", needed))
    with open(os.path.join(profile, "gimprc"), "w") as f:
        f.write('(plug-in-path "%s")\n' % os.path.join(profile, "plug-ins"))
    picture = os.path.join(scratch, "in.ppm")
    mask = os.path.join(scratch, "mask.pgm")
    write_picture(picture)
    write_mask(mask)
    return profile, picture, mask
