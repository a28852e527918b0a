"""FFT and window: bit identity with the C++ component, the conventions
against numpy.fft, and the window weights as the transform applies them."""
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


@pytest.mark.parametrize("kind", ["none", "hamming", "hanning", "blackman", "gaussian", "welch", "parzen"])
def test_window_weights_are_the_transform_s_table(kind):
    # the weights forward multiplies re by, read through an impulse per bin
    n = 64
    w = tessaro.window(kind, n)
    fft = tessaro.FFT(n, kind)
    applied = [fft.forward(np.eye(1, n, i, np.float32)[0])[0][0] for i in range(n)]
    assert w.dtype == np.float32 and np.array_equal(w, applied) and w[n // 2] == 1
    assert np.array_equal(tessaro.window(tessaro.Window.HANNING, 4), [0, 0.5, 1, 0.5])
    assert tessaro.window("hamming", 8)[0] == np.float32(0.08) and len(tessaro.window(kind, 0)) == 0


def test_the_window_applies_to_forward_only():
    fft = tessaro.FFT(16, "hanning")
    assert fft.forward(np.ones(16, np.float32))[0][0] == 8
    fft.window = "none"
    assert repr(fft) == "FFT(size=16, window='none')" and fft.window == tessaro.Window.NONE
    fft.size = 32
    assert (fft.size, fft.power) == (32, 5)
