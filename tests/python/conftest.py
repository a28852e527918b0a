"""Shared helpers of the Python module's tests: the C++ library run on raw
samples (cpp_reference, built beside the module) and bit comparisons."""
import os
import subprocess
import tempfile

import numpy as np
import pytest


def value_bits(a):
    """The 80 value bits of each longdouble (its padding dropped), or the
    raw bytes of any other dtype, as a comparable array."""
    a = np.ascontiguousarray(a)
    if a.dtype == np.longdouble:
        return a.view(np.uint8).reshape(a.shape + (16,))[..., :10].copy()
    return a.view(np.uint8).copy()


def _run(args, data):
    tool = os.environ["TESSARO_CPP_REFERENCE"]
    done = subprocess.run([tool] + args, input=data, capture_output=True, check=True)
    return done.stdout


@pytest.fixture
def cpp_filter():
    """cpp_filter(form, samples): the C++ block Process of the stored form's
    filter over 1-D longdouble samples."""
    def run(form, samples):
        with tempfile.NamedTemporaryFile("w", suffix=".form") as f:
            f.write(form)
            f.flush()
            out = _run(["iir", f.name], np.ascontiguousarray(samples, np.longdouble).tobytes())
        return np.frombuffer(out, np.longdouble).copy()
    return run


@pytest.fixture
def cpp_fft():
    """cpp_fft(size, window, direction, re, im, twiddles=0): the C++ FFT's
    outputs."""
    def run(size, window, direction, re, im, twiddles=0):
        data = np.concatenate([re, im]).astype(np.float32).tobytes()
        args = ["fft", str(size), str(window), direction, str(twiddles)]
        out = np.frombuffer(_run(args, data), np.float32)
        return out[:size].copy(), out[size:].copy()
    return run
