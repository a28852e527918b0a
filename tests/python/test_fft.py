"""FFT and window: bit identity with the C++ component, the conventions
and the accuracy of both kinds of twiddles against numpy.fft, and the window
weights as the transform applies them."""
import numpy as np
import pytest
import tessaro
from conftest import value_bits

CASES = [(size, window, direction, None) for size in (4, 64, 4096) for window in range(7)
         for direction in ("forward", "inverse")]
# the twiddles by name, by member and by number, and set after construction
CASES += [(size, window, direction, twiddles)
          for size, twiddles in ((4, "exact"), (64, tessaro.Twiddles.EXACT), (4096, "EXACT"), (32768, 1),
                                 (1024, "recurrence"))
          for window in (0, 2) for direction in ("forward", "inverse")]


@pytest.mark.parametrize("size, window, direction, twiddles", CASES)
def test_transforms_are_bit_identical_to_the_cpp_component(size, window, direction, twiddles, cpp_fft):
    rng = np.random.default_rng(size + window)
    re = rng.standard_normal(size).astype(np.float32)
    im = rng.standard_normal(size).astype(np.float32)
    if twiddles is None:
        expected = cpp_fft(size, window, direction, re, im)
        fft = tessaro.FFT(size, tessaro.Window(window))
    else:
        number = int(tessaro.Twiddles[twiddles.upper()]) if isinstance(twiddles, str) else int(twiddles)
        expected = cpp_fft(size, window, direction, re, im, number)
        fft = tessaro.FFT(size, tessaro.Window(window), twiddles) if window else tessaro.FFT(size)
        fft.twiddles = twiddles  # the same again, or set only now
        assert fft.twiddles == number and isinstance(fft.twiddles, tessaro.Twiddles)
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


@pytest.mark.parametrize("size", [16, 1024, 32768])
def test_exact_twiddles_keep_the_error_small_at_every_size(size):
    # relative RMS error against numpy's double-precision transform of the
    # same float32 data: exact twiddles below 2e-7 at every size, the
    # recurrence's error growing with the size
    rng = np.random.default_rng(size)
    re = rng.standard_normal(size).astype(np.float32)
    im = rng.standard_normal(size).astype(np.float32)
    want = np.fft.ifft(re.astype(np.float64) + 1j * im.astype(np.float64)) * size

    def error(twiddles):
        got_re, got_im = tessaro.FFT(size, twiddles=twiddles).forward(re, im)
        return np.linalg.norm(got_re + 1j * got_im.astype(np.float64) - want) / np.linalg.norm(want)

    exact, recurrence = error("exact"), error("recurrence")
    assert exact < 2e-7
    if size >= 1024:
        assert recurrence > 10 * exact


def test_twiddles_change_nothing_but_the_tables():
    fft = tessaro.FFT(64, "hamming")
    assert fft.twiddles == tessaro.Twiddles.RECURRENCE
    fft.twiddles = "exact"
    assert (fft.size, fft.window, fft.twiddles) == (64, tessaro.Window.HAMMING, tessaro.Twiddles.EXACT)
    assert repr(fft) == "FFT(size=64, window='hamming', twiddles='exact')"
    assert eval(repr(fft), {"FFT": tessaro.FFT}).twiddles == tessaro.Twiddles.EXACT
    fft.size = 128
    assert fft.twiddles == tessaro.Twiddles.EXACT
