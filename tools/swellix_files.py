"""Readers for the files of a SWELLIX run.

Grid files (text, scalar or vector), time-series files (probes and runup gauges), binary
animation files, the simulation parameter file and the HDF5 solution file. Each reader returns
plain numpy arrays indexed [j, i] (rows along y, i fastest in the files) with the metadata of
the file; nothing here draws. Used by swellix-plot and the validation scripts.
"""
import math
import os
import re
from dataclasses import dataclass, field

import numpy as np

BREAKING_MARK = 1000.0   # added to the surface elevation at breaking nodes in animation files
ANIM_HEADER_BYTES = 44


class FileFormatError(ValueError):
    """A file does not have the layout its reader expects."""


def _number(text):
    """A free-format number: the first item (blanks or commas separate), D exponents allowed."""
    item = re.split(r"[\s,]+", text.strip())[0]
    return float(item.replace("d", "e").replace("D", "E"))


def _key_line(line):
    """Split a header key line ':Key value # comment' into (lower-case key, value) or None."""
    body = line[1:].split("#", 1)[0].strip()
    parts = body.split(None, 1)
    if len(parts) < 2:
        return None
    return parts[0].lower(), parts[1].strip()


def _is_data_line(line):
    s = line.strip()
    return bool(s) and line[0] not in "#:"


def _indexed(key, name):
    """Index n of a key written name(n), else None."""
    m = re.fullmatch(re.escape(name) + r"\((\d+)\)", key)
    return int(m.group(1)) if m else None


# --------------------------------------------------------------------------------------------
# Grid files

@dataclass
class Grid:
    """A scalar or vector grid file: arrays[k] has shape (ngrid_y, ngrid_x)."""
    path: str
    ngrid_x: int
    ngrid_y: int
    delta_x: float
    delta_y: float
    x_origin: float
    y_origin: float
    orientation: float = 0.0
    n_arrays: int = 1
    descriptions: list = field(default_factory=list)
    units: list = field(default_factory=list)
    arrays: list = field(default_factory=list)
    crs: str = ""            # the coordinate system of x and y (key :CRS), "" when unknown

    @property
    def values(self):
        return self.arrays[0]

    def node_coordinates(self):
        """World coordinates (X, Y) of every node, each of shape (ngrid_y, ngrid_x)."""
        return node_coordinates(self.ngrid_x, self.ngrid_y, self.delta_x, self.delta_y,
                                self.x_origin, self.y_origin, self.orientation)


def node_coordinates(nx, ny, dx, dy, x0, y0, orientation_deg):
    th = math.radians(orientation_deg)
    i = np.arange(nx)[None, :]
    j = np.arange(ny)[:, None]
    x = x0 + i * dx * math.cos(th) - j * dy * math.sin(th)
    y = y0 + i * dx * math.sin(th) + j * dy * math.cos(th)
    return x + 0.0 * j, y + 0.0 * i


def read_grid(path):
    """Read a grid file (header up to the first data line, values after :EndHeader)."""
    with open(path, "r", errors="replace") as f:
        lines = f.read().splitlines()
    head = {}
    desc, units = {}, {}
    first_data = None
    for n, line in enumerate(lines):
        if _is_data_line(line):
            first_data = n
            break
        if line.startswith(":"):
            kv = _key_line(line)
            if kv is None:
                continue
            key, value = kv
            if key in ("delta_x", "delta_y", "x_origin", "y_origin", "grid_orientation"):
                head[key] = _number(value)
            elif key in ("ngrid_x", "ngrid_y", "n_arrays"):
                head[key] = int(_number(value))
            elif key == "crs":
                head[key] = value
            elif _indexed(key, "datadescription"):
                desc[_indexed(key, "datadescription")] = value
            elif _indexed(key, "dataunits"):
                units[_indexed(key, "dataunits")] = value
    if first_data is None:
        raise FileFormatError(f"{path}: no data after the header")
    for key in ("delta_x", "delta_y", "x_origin", "y_origin", "ngrid_x", "ngrid_y"):
        if key not in head:
            raise FileFormatError(f"{path}: header key {key} missing")
    orientation = head.get("grid_orientation", 0.0)
    if orientation > 180.0:
        orientation -= 360.0
    end = next((n for n, line in enumerate(lines)
                if line.strip()[:1] == ":" and line.strip()[1:].strip().lower() == "endheader"),
               None)
    if end is None:
        raise FileFormatError(f"{path}: :EndHeader not found")
    nx, ny = head["ngrid_x"], head["ngrid_y"]
    n_arrays = head.get("n_arrays", 1)
    need = nx * ny
    arrays = []
    n = end + 1
    for _ in range(max(1, n_arrays)):
        vals = []
        while len(vals) < need and n < len(lines):
            tokens = [t for t in re.split(r"[\s,]+", lines[n].strip()) if t]
            vals.extend(float(t.replace("D", "E").replace("d", "e")) for t in tokens)
            n += 1
        if len(vals) < need:
            raise FileFormatError(f"{path}: {len(vals)} values where {need} are needed")
        arrays.append(np.array(vals[:need], dtype=np.float64).reshape(ny, nx))
    return Grid(path, nx, ny, head["delta_x"], head["delta_y"], head["x_origin"],
                head["y_origin"], orientation, n_arrays,
                [desc[k] for k in sorted(desc)], [units[k] for k in sorted(units)], arrays,
                head.get("crs", ""))


def write_grid(path, arrays, delta_x, delta_y, x_origin=0.0, y_origin=0.0, orientation=0.0,
               title="grid", crs=""):
    """Write arrays (each (ny, nx)) as a grid file the program reads (for making inputs).

    crs, when given, goes into a :CRS key line, which the program passes over and the tools
    read back (swellix-export puts it into its output)."""
    if isinstance(arrays, np.ndarray):
        arrays = [arrays]
    ny, nx = arrays[0].shape
    with open(path, "w") as f:
        f.write(f"# {title}\n:N_Arrays {len(arrays)}\n:NGrid_X {nx}\n:NGrid_Y {ny}\n")
        if crs:
            f.write(f":CRS {crs}\n")
        f.write(f":Delta_X {delta_x} # meters\n:Delta_Y {delta_y} # meters\n")
        f.write(f":X_Origin {x_origin} # meters\n:Y_Origin {y_origin} # meters\n")
        f.write(f":Grid_Orientation {orientation} # degrees\n:EndHeader\n")
        for a in arrays:
            for row in a:
                f.write(" ".join("0" if v == 0 else f"{v:.6g}" for v in row) + "\n")


# --------------------------------------------------------------------------------------------
# Time-series files

@dataclass
class TimeSeries:
    """A probe or runup-gauge time-series file: values[k, m] for step k and data set m."""
    path: str
    time: np.ndarray
    values: np.ndarray
    descriptions: list
    units: list
    ids: list
    positions: dict          # 'x', 'y', 'z' (probes) or 'x1', 'y1', 'x2', 'y2' (gauges)
    analysis: dict

    @property
    def is_gauge(self):
        return "x1" in self.positions

    @property
    def n_sets(self):
        return self.values.shape[1]

    def label(self, m):
        """A short name for data set m (0-based): the probe id, else its position."""
        if m < len(self.ids) and self.ids[m]:
            return self.ids[m]
        p = self.positions
        if self.is_gauge and m < len(p["x1"]):
            return f"gauge {m + 1} ({p['x1'][m]:g}, {p['y1'][m]:g})-({p['x2'][m]:g}, {p['y2'][m]:g})"
        if m < len(p.get("x", [])):
            return f"probe {m + 1} at ({p['x'][m]:g}, {p['y'][m]:g})"
        return f"data set {m + 1}"


def read_time_series(path):
    """Read a time-series file: header keys, :NTimeSteps records of time and values."""
    with open(path, "r", errors="replace") as f:
        lines = f.read().splitlines()
    ntimesteps = ndatasets = None
    desc, units, ids, pos, analysis = {}, {}, {}, {}, {}
    end = None
    for n, line in enumerate(lines):
        s = line.strip()
        if s[:1] == ":" and s[1:].strip().lower() == "endheader":
            end = n
            break
        if not line.startswith(":"):
            if _is_data_line(line):
                break
            continue
        kv = _key_line(line)
        if kv is None:
            continue
        key, value = kv
        if key == "ntimesteps":
            ntimesteps = int(_number(value))
        elif key == "ndatasets":
            ndatasets = int(_number(value))
        elif _indexed(key, "datadescription"):
            desc[_indexed(key, "datadescription")] = value
        elif _indexed(key, "dataunits"):
            units[_indexed(key, "dataunits")] = value
        elif _indexed(key, "probe_id"):
            ids[_indexed(key, "probe_id")] = value
        else:
            m = re.fullmatch(r"(x|y|z|x1|y1|x2|y2)_probe\((\d+)\)", key)
            if m:
                pos.setdefault(m.group(1), {})[int(m.group(2))] = _number(value)
            elif key.startswith("anal_"):
                try:
                    analysis[kv[0]] = _number(value)
                except ValueError:
                    pass
    if ntimesteps is None or ndatasets is None:
        raise FileFormatError(f"{path}: :NTimeSteps or :NDataSets missing")
    if end is None:
        raise FileFormatError(f"{path}: :EndHeader not found")
    ncol = ndatasets
    tokens = []
    for line in lines[end + 1:]:
        tokens.extend(t for t in re.split(r"[\s,]+", line.strip()) if t)
    data = np.array([float(t.replace("D", "E")) for t in tokens], dtype=np.float64)
    if data.size < ntimesteps * ncol:
        raise FileFormatError(f"{path}: {data.size // ncol} records where {ntimesteps} are needed")
    data = data[:ntimesteps * ncol].reshape(ntimesteps, ncol)
    nsets = ndatasets - 1
    # Data set m (1-based) is column m + 1 of the file; description index m + 1 (1 is time).
    descriptions = [desc.get(m + 2, "") for m in range(nsets)]
    unit_list = [units.get(m + 2, "") for m in range(nsets)]
    id_list = [ids.get(m + 1, "") for m in range(nsets)]
    positions = {k: [v.get(m + 1, float("nan")) for m in range(nsets)] for k, v in pos.items()}
    return TimeSeries(path, data[:, 0], data[:, 1:], descriptions, unit_list, id_list,
                      positions, analysis)


# --------------------------------------------------------------------------------------------
# Animation files

@dataclass
class Animation:
    """A binary animation file. frames[f, c] is component c of saved frame f, shape (nrows, ncols)."""
    path: str
    ncols: int
    nrows: int
    delta_x: float
    delta_y: float
    orientation: float
    ncomponents: int
    x_s: float
    y_s: float
    start_time: float
    end_time: float
    save_time_step: float
    counters: np.ndarray
    steps: np.ndarray
    times: np.ndarray
    frames: np.ndarray

    def node_coordinates(self):
        return node_coordinates(self.ncols, self.nrows, self.delta_x, self.delta_y,
                                self.x_s, self.y_s, self.orientation)

    def surface(self):
        """Surface elevation frames (nframes, nrows, ncols) and breaking flags of the same shape."""
        raw = self.frames[:, 0]
        breaking = raw >= BREAKING_MARK
        return np.where(breaking, raw - BREAKING_MARK, raw), breaking


def read_animation(path):
    """Read an animation file: 44-byte header, then frames of counter, step, time and values."""
    with open(path, "rb") as f:
        raw = f.read()
    if len(raw) < ANIM_HEADER_BYTES:
        raise FileFormatError(f"{path}: shorter than the 44-byte header")
    ncols, nrows = np.frombuffer(raw, "<i4", 2, 0)
    dx, dy, orient = np.frombuffer(raw, "<f4", 3, 8)
    ncomp = int(np.frombuffer(raw, "<i4", 1, 20)[0])
    x_s, y_s, t0, t1, dts = np.frombuffer(raw, "<f4", 5, 24)
    ncols, nrows = int(ncols), int(nrows)
    if ncols <= 0 or nrows <= 0 or ncomp not in (1, 2):
        raise FileFormatError(f"{path}: not an animation file (ncols {ncols}, nrows {nrows}, "
                              f"components {ncomp})")
    rec = np.dtype([("counter", "<i4"), ("step", "<i4"), ("time", "<f4"),
                    ("values", "<f4", (nrows, ncols))])
    body = raw[ANIM_HEADER_BYTES:]
    nrec = len(body) // rec.itemsize
    nframes = nrec // ncomp           # a frame cut short by an interrupted run is left out
    recs = np.frombuffer(body, rec, nframes * ncomp)
    values = recs["values"].reshape(nframes, ncomp, nrows, ncols).astype(np.float64)
    first = recs[::ncomp]
    return Animation(path, ncols, nrows, float(dx), float(dy), float(orient), ncomp,
                     float(x_s), float(y_s), float(t0), float(t1), float(dts),
                     first["counter"].copy(), first["step"].copy(),
                     first["time"].astype(np.float64), values)


def write_animation(path, frames, steps, times, delta_x, delta_y, orientation=0.0, x_s=0.0,
                    y_s=0.0, start_time=0.0, end_time=0.0, save_time_step=0.0):
    """Write frames (nframes, ncomponents, nrows, ncols) in the animation layout (for tests)."""
    frames = np.asarray(frames, dtype="<f4")
    nframes, ncomp, nrows, ncols = frames.shape
    with open(path, "wb") as f:
        f.write(np.array([ncols, nrows], "<i4").tobytes())
        f.write(np.array([delta_x, delta_y, orientation], "<f4").tobytes())
        f.write(np.array([ncomp], "<i4").tobytes())
        f.write(np.array([x_s, y_s, start_time, end_time, save_time_step], "<f4").tobytes())
        for k in range(nframes):
            for c in range(ncomp):
                f.write(np.array([k + 1, steps[k]], "<i4").tobytes())
                f.write(np.array([times[k]], "<f4").tobytes())
                f.write(frames[k, c].tobytes())


# --------------------------------------------------------------------------------------------
# Simulation parameter file

def read_parameters(path):
    """Keyword/value pairs of a simulation parameter file, as the program loads them.

    Comments start at '#'; text before the first ':' is ignored; keys and values are
    lower-cased. Returns a list of (key, value) in file order.
    """
    entries = []
    with open(path, "r", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")[:256]
            if not line.strip() or line.startswith("#"):
                continue
            line = line.split("#", 1)[0].replace("\t", " ").lstrip()
            if ":" not in line:
                continue
            rest = line.split(":", 1)[1].lstrip()
            parts = rest.split(" ", 1)
            key = parts[0].lower()
            value = parts[1].strip().lower() if len(parts) > 1 and parts[1].strip() else ""
            if key:
                entries.append((key, value))
    return entries


class Parameters:
    """Lookup over a parameter file's entries: the last entry of a key wins."""

    def __init__(self, path):
        self.path = path
        self.entries = read_parameters(path)
        self.table = {}
        for k, v in self.entries:
            self.table[k] = v

    def has(self, key):
        return key in self.table

    def get(self, key, default=None):
        return self.table.get(key, default)

    def number(self, key, default=None):
        try:
            return _number(self.table[key])
        except (KeyError, ValueError, IndexError):
            return default


# --------------------------------------------------------------------------------------------
# Solution file (HDF5 written through the model-data library)

SOLUTION_DATASETS = ("Velocity Animation", "Velocity Animation Mag", "WSE Animation",
                     "Breaking Animation", "Mean Water Level", "Mean Wave Direction",
                     "Sig. Wave Height", "Mean Velocity", "Max. Runup Height")


@dataclass
class SolutionDataset:
    """One dataset of the solution file: values[t] is (nnodes,) or (nnodes, ncomponents)."""
    name: str
    path: str
    times: np.ndarray
    values: np.ndarray
    units: str = ""


def is_hdf5(path):
    with open(path, "rb") as f:
        return f.read(8) == b"\x89HDF\r\n\x1a\n"


def _attr_text(obj, names):
    for n in names:
        for key in obj.attrs:
            if key.lower() == n:
                v = obj.attrs[key]
                if isinstance(v, bytes):
                    return v.decode(errors="replace").strip()
                if isinstance(v, np.ndarray) and v.size == 1:
                    v = v.reshape(-1)[0]
                    return v.decode(errors="replace").strip() if isinstance(v, bytes) else str(v)
                return str(v)
    return ""


def read_solution(path, nnodes=None):
    """Datasets of a solution file, found by their names (the dataset paths' last part).

    A dataset is a group named after it holding a values array (first axis: time steps) and,
    when present, a one-dimensional times array; a plain array of that name is taken as values
    with no times. nnodes, when given, is used to reshape flat values per step.
    """
    import h5py
    found = {}
    with h5py.File(path, "r") as h5:
        def visit(name, obj):
            base = name.rstrip("/").split("/")[-1]
            if base not in SOLUTION_DATASETS or base in found:
                return
            if isinstance(obj, h5py.Dataset):
                vals, times = np.asarray(obj[()], dtype=np.float64), None
                units = _attr_text(obj, ("units", "unit"))
            else:
                arrays = {k.lower(): v for k, v in obj.items() if isinstance(v, h5py.Dataset)}
                tkey = next((k for k in arrays if k.startswith("time")), None)
                vkey = next((k for k in arrays if k.startswith("value") or k.startswith("data")),
                            None)
                if vkey is None:
                    rest = [k for k in arrays if k != tkey]
                    if not rest:
                        return
                    vkey = max(rest, key=lambda k: arrays[k].size)
                vals = np.asarray(arrays[vkey][()], dtype=np.float64)
                times = np.asarray(arrays[tkey][()], dtype=np.float64).reshape(-1) if tkey else None
                units = _attr_text(obj, ("units", "unit")) or _attr_text(arrays[vkey], ("units",))
            if times is None:
                times = np.zeros(1) if vals.ndim <= 1 or (nnodes and vals.size == nnodes) \
                    else np.arange(vals.shape[0], dtype=np.float64)
            nt = len(times)
            if nnodes:
                ncomp = max(1, vals.size // (nt * nnodes))
                vals = vals.reshape(nt, nnodes, ncomp) if ncomp > 1 else vals.reshape(nt, nnodes)
            elif vals.ndim == 1:
                vals = vals.reshape(nt, -1)
            found[base] = SolutionDataset(base, name, times, vals, units)
        h5.visititems(visit)
    return found


def find_case_file(directory, name):
    """A file named by the parameter file: the program writes names in lower case."""
    for candidate in (name, name.lower()):
        p = os.path.join(directory, candidate)
        if os.path.exists(p):
            return p
    return None
