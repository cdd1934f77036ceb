"""Spectra of a regional wave model for a SWELLIX wavemaker.

Reads the ASCII spectral output of SWAN (1-D .sp1 and 2-D .sp2 files, the documented format:
keyword lines, then per time and location a FACTOR block of integers or a LOCATION table) and
writes the program's spectrum files: the frequency spectrum file (.spf, for irreg_uni) and the
directional spectrum file (.dws, for irreg_multi). The program wants frequencies at a constant
step and directions at a constant spacing, nautical (the direction the waves come from,
clockwise from north); SWAN's frequencies are usually logarithmic and its directions may be
Cartesian, so both are converted here.
"""
import math
import re
from dataclasses import dataclass

import numpy as np

from swellix_files import FileFormatError

RHO_G_DEFAULT = 1025.0 * 9.81   # SWAN's energy densities (EnDens) are variance times rho g
MAX_FREQUENCIES = 1201          # the program's limits for spectrum files
MAX_DIRECTIONS = 361


@dataclass
class SwanSpectrum:
    """One spectrum of a SWAN file at one location and time.

    freqs (Hz, increasing); dirs (nautical degrees, increasing, None for a 1-D spectrum);
    density: variance density, m2/Hz/deg of shape (nfreq, ndir), or m2/Hz of shape (nfreq,);
    mean_dir: the 1-D file's mean nautical direction per frequency, when it has one.
    """
    path: str
    location: int
    x: float
    y: float
    spherical: bool
    time: str
    freqs: np.ndarray
    dirs: np.ndarray
    density: np.ndarray
    mean_dir: np.ndarray = None

    @property
    def is_directional(self):
        return self.dirs is not None

    def frequency_spectrum(self):
        """S(f), m2/Hz: the directional density integrated over directions."""
        if not self.is_directional:
            return self.density
        return self.density.sum(axis=1) * direction_step(self.dirs)

    def hm0(self):
        s = self.frequency_spectrum()
        return 4.0 * math.sqrt(max(0.0, float(np.trapz(s, self.freqs))))

    def peak_period(self):
        s = self.frequency_spectrum()
        return 1.0 / float(self.freqs[int(np.argmax(s))])

    def peak_direction(self):
        """Nautical direction of the largest density at the peak frequency (None if unknown)."""
        k = int(np.argmax(self.frequency_spectrum()))
        if self.is_directional:
            return float(self.dirs[int(np.argmax(self.density[k]))]) % 360.0
        if self.mean_dir is not None:
            return float(self.mean_dir[k]) % 360.0
        return None


def direction_step(dirs):
    return float(dirs[1] - dirs[0]) if len(dirs) > 1 else 360.0


class _Lines:
    """The lines of a SWAN file without its '$' comment lines, read one at a time."""

    def __init__(self, path):
        self.path = path
        with open(path, "r", errors="replace") as f:
            self.lines = [(n + 1, line) for n, line in enumerate(f.read().splitlines())
                          if line.strip() and not line.lstrip().startswith("$")]
        self.pos = 0

    def error(self, what):
        n = self.lines[min(self.pos, len(self.lines) - 1)][0] if self.lines else 0
        return FileFormatError(f"{self.path}: line {n}: {what}")

    def word(self):
        """The first item of the next line (SWAN writes explanations after the values)."""
        if self.pos >= len(self.lines):
            raise self.error("the file ends too early")
        line = self.lines[self.pos][1]
        self.pos += 1
        return line.split()[0]

    def items(self, n):
        """The first n items of the next line."""
        if self.pos >= len(self.lines):
            raise self.error("the file ends too early")
        parts = self.lines[self.pos][1].split()
        self.pos += 1
        if len(parts) < n:
            raise self.error(f"{n} values expected")
        return parts[:n]

    def number(self, kind=float):
        text = self.word()
        try:
            return kind(float(text.replace("D", "E").replace("d", "e")))
        except ValueError:
            self.pos -= 1
            raise self.error(f"a number expected, found '{text}'") from None

    def numbers(self, count):
        """count numbers, over as many lines as they take."""
        out = []
        while len(out) < count:
            if self.pos >= len(self.lines):
                raise self.error("the file ends inside a data block")
            for t in self.lines[self.pos][1].split():
                try:
                    out.append(float(t.replace("D", "E")))
                except ValueError:
                    raise self.error(f"a number expected, found '{t}'") from None
            self.pos += 1
        return np.array(out[:count])

    def peek(self):
        return self.lines[self.pos][1].split()[0].upper() if self.pos < len(self.lines) else ""


def read_swan_spectrum(path, location=1, time_index=1, rho_g=RHO_G_DEFAULT):
    """The spectrum at one location (1-based) and time (1-based) of a SWAN .sp1/.sp2 file."""
    r = _Lines(path)
    if not r.lines or r.word().upper() != "SWAN":
        raise FileFormatError(f"{path}: not a SWAN spectral file (it does not start with SWAN)")
    timed, spherical, coords, freqs, dirs, cartesian = False, False, None, None, None, False
    quants = []
    while True:
        key = r.peek()
        if key == "TIME":
            r.word()
            r.number(int)
            timed = True
        elif key in ("LOCATIONS", "LONLAT"):
            spherical = r.word().upper() == "LONLAT"
            n = r.number(int)
            coords = [tuple(float(v) for v in r.items(2)) for _ in range(n)]
        elif key in ("AFREQ", "RFREQ"):
            r.word()
            n = r.number(int)
            freqs = np.array([r.number() for _ in range(n)])
        elif key in ("NDIR", "CDIR"):
            cartesian = r.word().upper() == "CDIR"
            n = r.number(int)
            dirs = np.array([r.number() for _ in range(n)])
        elif key == "QUANT":
            r.word()
            for _ in range(r.number(int)):
                name = r.word()
                r.word()                      # unit
                quants.append((name.upper(), r.number()))
            break
        else:
            raise r.error(f"unexpected line '{key}' in the header of a SWAN spectral file")
    if coords is None or freqs is None or not quants:
        raise FileFormatError(f"{path}: the header lacks LOCATIONS/LONLAT, AFREQ/RFREQ or QUANT")
    if not 1 <= location <= len(coords):
        raise FileFormatError(f"{path}: location {location} asked for, the file has {len(coords)}")
    if np.any(np.diff(freqs) <= 0):
        raise FileFormatError(f"{path}: the frequencies do not increase")
    nf, nloc = len(freqs), len(coords)
    name, exception = quants[0]
    if name not in ("VADENS", "ENDENS"):
        raise FileFormatError(f"{path}: the first quantity is {name}, not VaDens or EnDens")
    scale = 1.0 / rho_g if name == "ENDENS" else 1.0

    stamp, found = "", None
    for t in range(1, time_index + 1 if timed else 2):
        if timed:
            if r.pos >= len(r.lines):
                raise FileFormatError(f"{path}: time {time_index} asked for, the file has {t - 1}")
            stamp = r.word()
        for loc in range(1, nloc + 1):
            block = _read_block(r, nf, dirs, len(quants), exception)
            if t == (time_index if timed else 1) and loc == location:
                found = block
    if found is None:
        raise FileFormatError(f"{path}: location {location} has no data (NODATA) at that time")
    density, mean_dir = found
    density = density * scale
    if dirs is None:
        if mean_dir is not None and cartesian:
            mean_dir = (270.0 - mean_dir) % 360.0
        return SwanSpectrum(path, location, *coords[location - 1], spherical, stamp, freqs, None,
                            density, mean_dir)
    nautical = (270.0 - dirs) % 360.0 if cartesian else dirs % 360.0
    nautical, density = _uniform_directions(path, nautical, density)
    return SwanSpectrum(path, location, *coords[location - 1], spherical, stamp, freqs, nautical,
                        density)


def _read_block(r, nf, dirs, nquant, exception):
    """One location's data: (density, mean direction or None); None for NODATA."""
    key = r.peek()
    if key == "NODATA":
        r.word()
        return None
    if key == "ZERO":
        r.word()
        shape = (nf, len(dirs)) if dirs is not None else (nf,)
        return np.zeros(shape), None
    if dirs is not None:
        if key != "FACTOR":
            raise r.error(f"FACTOR, ZERO or NODATA expected, found '{key}'")
        r.word()
        factor = r.number()
        values = r.numbers(nf * len(dirs)).reshape(nf, len(dirs))
        if np.any(values < 0):
            raise r.error("negative (exception) values in a 2-D spectrum")
        return values * factor, None
    if key != "LOCATION":
        raise r.error(f"LOCATION, ZERO or NODATA expected, found '{key}'")
    r.word()
    table = r.numbers(nf * nquant).reshape(nf, nquant)
    if np.any(table[:, 0] == exception):
        raise r.error("exception values in the variance densities")
    mean_dir = table[:, 1] if nquant > 1 else None
    return table[:, 0], mean_dir


def _uniform_directions(path, dirs, density):
    """Directions sorted increasing from the start of the sector, at one constant step."""
    order = np.argsort(dirs, kind="stable")
    d, e = dirs[order], density[:, order]
    if len(d) > 1:
        gaps = np.diff(np.append(d, d[0] + 360.0))
        # A sector begins after its widest gap; a full circle at 0 (or its smallest direction).
        start = (int(np.argmax(gaps)) + 1) % len(d) if gaps.max() > 1.5 * np.median(gaps) else 0
        d = np.concatenate([d[start:], d[:start] + 360.0]) if start else d
        e = np.concatenate([e[:, start:], e[:, :start]], axis=1) if start else e
        step = np.diff(d)
        if np.ptp(step) > 1e-3 * step.mean():
            raise FileFormatError(f"{path}: the directions are not at one constant spacing")
    return d, e


def uniform_frequencies(freqs, df=None):
    """Frequencies at a constant step over the span of freqs (step: the smallest of freqs)."""
    span = float(freqs[-1] - freqs[0])
    step = df or float(np.min(np.diff(freqs)))
    n = int(math.floor(span / step + 1e-6)) + 1
    if n > MAX_FREQUENCIES:
        n = MAX_FREQUENCIES
    return freqs[0] + np.arange(n) * (span / (n - 1) if df is None else step)


def resample(spec, df=None):
    """(f, density) on a constant frequency step, linear in frequency, 0 outside the span."""
    f = uniform_frequencies(spec.freqs, df)
    if spec.is_directional:
        dens = np.stack([np.interp(f, spec.freqs, spec.density[:, m], 0.0, 0.0)
                         for m in range(len(spec.dirs))], axis=1)
    else:
        dens = np.interp(f, spec.freqs, spec.density, 0.0, 0.0)
    return f, dens


def _g(v):
    return f"{v:.6g}"


def write_directional_spectrum(path, f, dirs, density, title):
    """A directional spectrum file: density (nfreq, ndir) in m2/Hz/deg, nautical directions."""
    if len(dirs) > MAX_DIRECTIONS:
        raise FileFormatError(f"{path}: {len(dirs)} directions, the program takes at most "
                              f"{MAX_DIRECTIONS}")
    with open(path, "w") as out:
        out.write(f"# {title}\n# SWELLIX directional spectrum, m2/Hz/deg, nautical directions\n")
        out.write(f":N_Arrays 1\n:NFrequencies {len(f)}\n:NDirections {len(dirs)}\n")
        out.write(f":Initial_Freq {_g(f[0])} # Hz\n:Freq_Interval {_g(f[1] - f[0])} # Hz\n")
        out.write(f":Min_Wave_Dir {_g(dirs[0])} # degrees, coming from, clockwise from north\n")
        out.write(f":Dir_Spacing {_g(direction_step(dirs))} # degrees\n:EndHeader\n")
        for m in range(len(dirs)):          # all frequencies of one direction, then the next
            out.write(" ".join(_g(v) for v in density[:, m]) + "\n")


def write_frequency_spectrum(path, f, s, title):
    """A frequency spectrum file: one line per frequency, frequency (Hz) and density (m2/Hz)."""
    with open(path, "w") as out:
        out.write(f"# {title}\n# SWELLIX frequency spectrum\n:NFrequencies {len(f)}\n"
                  f":DataDescription(1)     Frequency\n:DataUnits(1)           Hz\n"
                  f":DataDescription(2)     Spectral density\n:DataUnits(2)           m2/Hz\n"
                  f":EndHeader\n")
        for fk, sk in zip(f, s):
            out.write(f"{_g(fk)} {_g(sk)}\n")


def read_directional_spectrum(path):
    """(f, nautical dirs, density (nfreq, ndir)) of a directional spectrum file (for checks)."""
    head, values, in_data = {}, [], False
    with open(path, "r", errors="replace") as src:
        for line in src:
            if in_data:
                values.extend(float(t) for t in re.split(r"[\s,]+", line.strip()) if t)
            elif line.startswith(":"):
                body = line[1:].split("#", 1)[0].split()
                if body and body[0].lower() == "endheader":
                    in_data = True
                elif len(body) > 1:
                    head[body[0].lower()] = float(body[1])
    nf, nd = int(head["nfrequencies"]), int(head["ndirections"])
    f = head["initial_freq"] + np.arange(nf) * head["freq_interval"]
    d = head["min_wave_dir"] + np.arange(nd) * head["dir_spacing"]
    return f, d, np.array(values[:nf * nd]).reshape(nd, nf).T
