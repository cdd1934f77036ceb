"""Writers of the program's own output layouts, line for line, for testing the readers.

Grid files and time-series files exactly as the program writes them (16-character general
fields of 5 significant digits, padded key lines, writer and date lines).
"""
import math

import numpy as np

WRITER = "SWELLIX Version 5".ljust(256)
DATE = "Mon Jan  6 09:05:03 2025"


def general_field(v):
    """One blank and a 15-character general-format field with 5 significant digits."""
    v = float(v)
    if v != 0.0:
        mag = abs(float(f"{v:.4e}"))
    if v == 0.0 or 0.1 <= mag < 100000.0:
        if v == 0.0:
            text = "0.0000"
        else:
            decimals = 5 - (int(math.floor(math.log10(mag))) + 1)
            decimals = max(0, min(5, decimals))
            text = f"{v:.{decimals}f}"
            if decimals == 0:
                text += "."
        return " " + text.rjust(11) + "    "
    m, e = f"{abs(v):.4e}".split("e")
    exp = int(e) + 1
    digits = m.replace(".", "")
    text = ("-" if v < 0 else "") + "0." + digits + "E" + ("+" if exp >= 0 else "-") + f"{abs(exp):02d}"
    return " " + text.rjust(15)


def compact_real(v):
    s = f"{v:24.6f}".rstrip("0").strip()
    return s[:-1] if s.endswith(".") else s


def write_scalar_grid(path, values, dx, dy, x0, y0, orientation, description, units,
                      second=None, description2="", units2=""):
    ny, nx = values.shape
    vector = second is not None
    lines = ["# SWELLIX Vector Grid File" if vector else "# SWELLIX Scalar Grid File",
             ":WrittenBy       " + WRITER, ":CreationDate    " + DATE, "#",
             ":N_Arrays              " + ("2" if vector else "1"), "#",
             ":DataDescription(1)    " + description.ljust(32),
             ":DataUnits(1)          " + units.ljust(32)]
    if vector:
        lines += [":DataDescription(2)    " + description2.ljust(32),
                  ":DataUnits(2)          " + units2.ljust(32)]
    lines += ["#", "#", ":NGrid_X               " + str(nx), ":NGrid_Y               " + str(ny),
              ":Delta_X               " + compact_real(dx) + " # meters",
              ":Delta_Y               " + compact_real(dy) + " # meters",
              ":X_Origin              " + compact_real(x0) + " # meters",
              ":Y_Origin              " + compact_real(y0) + " # meters",
              ":Grid_Orientation       " + compact_real(orientation) + "  # degrees", "#",
              ":EndHeader"]
    for a in [values] + ([second] if vector else []):
        for row in a:
            lines.append("".join(general_field(v) for v in row))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def write_time_series(path, data, dt, descriptions, units, ids=None, xyz=None, gauges=None,
                      analysis=(("Anal_T1", 40.0), ("Anal_T2", 120.0))):
    """data (ntimesteps, n). Probe file with ids and xyz [(x, y, z)], or gauge file with gauges
    [(x1, y1, x2, y2)]."""
    nt, n = data.shape
    pad = lambda s: s.ljust(256)  # noqa: E731
    lines = ["# SWELLIX Type 2 Time Series File", ":WrittenBy       " + WRITER,
             ":CreationDate    " + DATE, "#", pad(":NDataSets              " + str(n + 1)),
             pad(":DataDescription(1)     Time"), pad(":DataUnits(1)           seconds")]
    for m in range(n):
        lines.append(pad(f":DataDescription({m + 2})     " + descriptions[m]))
        lines.append(pad(f":DataUnits({m + 2})           " + units[m]))
    lines.append("#")
    if gauges is None:
        for m in range(n):
            lines.append(pad(f":Probe_ID({m + 1})            " + (ids[m] if ids else "")))
        lines.append("#")
        for m in range(n):
            x, y, z = xyz[m]
            lines.append(pad(f":x_probe({m + 1})             {compact_real(x)} # meters"))
            lines.append(pad(f":y_probe({m + 1})             {compact_real(y)} # meters"))
            if descriptions[m] != "Surface Elevation":
                lines.append(pad(f":z_probe({m + 1})             {compact_real(z)} # meters"))
    else:
        for m in range(n):
            for name, v in zip(("x1", "y1", "x2", "y2"), gauges[m]):
                lines.append(pad(f":{name}_probe({m + 1})             {compact_real(v)} # meters"))
    lines.append("#")
    for name, v in analysis:
        lines.append(pad(f":{name}" + " " * 15 + compact_real(v) + " # "))
    lines += ["#", ":NTimeSteps             " + str(nt), "#", ":EndHeader"]
    for k in range(nt):
        t = np.float32(np.float32(k) * np.float32(dt))
        lines.append(general_field(t) + "".join(general_field(v) for v in data[k]))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
