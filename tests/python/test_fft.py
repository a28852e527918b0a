"""FFT and window: bit identity with the C++ component, the conventions
against numpy.fft, and the window weights against their formulas."""
import numpy as np
import pytest
import tessaro
from conftest import value_bits

CASES = [(size, window, direction) for size in (4, 64, 4096) for window in range(7)
         for direction in ("forward", "inverse")]


@pytest.mark.parametrize("size, window, direction", CASES)
def test_transforms_are_bit_identical_to_the_cpp_component(size, window, direction, cpp_fft):
    rng = np.random.default_rng(size + window)
    re = rng.standard_normal(size).astype(np.float32)
    im = rng.standard_normal(size).astype(np.float32)
    expected = cpp_fft(size, window, direction, re, im)
    fft = tessaro.FFT(size, tessaro.Window(window))
    strided = np.repeat(re, 2)[::2]  # the input need not be contiguous
    given = (strided.copy(), im.copy())
    got = getattr(fft, direction)(strided, im)
    again = getattr(fft, direction)(re, im)  # no call depends on the one before
    for out, ref in zip(got + again, expected + expected):
        assert out.dtype == np.float32 and np.array_equal(value_bits(out), value_bits(ref))
    assert np.array_equal(strided, given[0]) and np.array_equal(im, given[1])


def test_forward_has_a_positive_exponent_and_inverse_undoes_it():
    x = np.random.default_rng(7).standard_normal(1024).astype(np.float32)
    fft = tessaro.FFT(1024)
    re, im = fft.forward(x)
    assert np.allclose(re + 1j * im, np.conj(np.fft.fft(x)), rtol=0, atol=1e-8 * 1024 * 30)
    back, zero = fft.inverse(re, im)
    assert np.allclose(back, x, atol=1e-5) and np.allclose(zero, 0, atol=1e-5)
    assert np.array_equal(fft.forward(np.eye(1, 1024, 0, np.float32)[0])[0], np.ones(1024, np.float32))


def _formula(kind, n):
    i = np.arange(n, dtype=np.longdouble)
    pi, n_ = np.longdouble(np.pi), np.longdouble(n)
    c1, c2 = np.cos(2 * i * pi / n_), np.cos(4 * i * pi / n_)
    return {"none": np.ones(n, np.longdouble), "hamming": 0.54 - 0.46 * c1, "hanning": 0.5 - 0.5 * c1,
            "blackman": 0.42 - 0.5 * c1 + 0.08 * c2, "gaussian": np.exp(-0.5 * (2 * i - n_) ** 2 / n_ ** 2),
            "welch": 1 - ((2 * i - n_) / (n_ + 1)) ** 2, "parzen": 1 - np.abs(2 * i - n_) / (n_ + 1)}[kind]


@pytest.mark.parametrize("kind", ["none", "hamming", "hanning", "blackman", "gaussian", "welch", "parzen"])
def test_window_weights_follow_their_formulas(kind):
    for n in (1, 4, 1000, 4096):
        w = tessaro.window(kind, n)
        assert w.dtype == np.float32 and len(w) == n
        assert np.allclose(w, _formula(kind, n), rtol=2**-23, atol=1e-7)
        if n > 1:
            assert w[n // 2] == 1
    assert np.array_equal(tessaro.window(tessaro.Window.HANNING, 4), [0, 0.5, 1, 0.5])
    assert tessaro.window("hamming", 8)[0] == np.float32(0.08) and len(tessaro.window(kind, 0)) == 0


def test_the_window_applies_to_forward_only():
    fft = tessaro.FFT(16, "hanning")
    assert fft.forward(np.ones(16, np.float32))[0][0] == 8
    fft.window = "none"
    assert repr(fft) == "FFT(size=16, window='none')" and fft.window == tessaro.Window.NONE
    fft.size = 32
    assert (fft.size, fft.power) == (32, 5)
