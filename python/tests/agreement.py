"""Running the program unattended on the inputs a test gives the module, and reading what it writes."""

import os
import struct
import subprocess

import numpy as np
import pytest

PROGRAM = os.environ.get("PELLISOR_PROGRAM")


def run_program(directory, *arguments):
    """The program run with -x in `directory`; skips the test without the program."""
    if not PROGRAM:
        pytest.skip("PELLISOR_PROGRAM is not set")
    done = subprocess.run([PROGRAM, *map(str, arguments), "-x"], cwd=directory, capture_output=True,
                          env={**os.environ, "QT_QPA_PLATFORM": "offscreen"}, timeout=60)
    assert done.returncode == 0, done.stderr.decode(errors="replace")


def write_chr(path, line):
    path.write_bytes(b"# random\r\n" + line.encode() + b"\r\n")


def write_bmp(path, picture):
    """A 24-bit bottom-up BMP of an (h, w, 3) RGB picture."""
    height, width, _ = picture.shape
    stride = (width * 3 + 3) // 4 * 4
    rows = np.zeros((height, stride), np.uint8)
    rows[:, : width * 3] = picture[::-1, :, ::-1].reshape(height, width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + rows.size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, rows.size, 2835, 2835, 0, 0)
    path.write_bytes(header + info + rows.tobytes())


def read_bmp(path):
    data = path.read_bytes()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) // 4 * 4
    rows = np.frombuffer(data, np.uint8, stride * abs(height), offset).reshape(abs(height), stride)
    picture = rows[:, : width * 3].reshape(abs(height), width, 3)[:, :, ::-1]
    return np.ascontiguousarray(picture[::-1] if height > 0 else picture)
