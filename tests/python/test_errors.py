"""Every refusal of the module: its exception, its message, and a filter
left exactly as it was."""
import ast
import os

import numpy as np
import pytest
import tessaro

INF, NAN = float("inf"), float("nan")


def prepared(**design):
    f = tessaro.IIRFilter(response="bandpass", order=3, **design)
    f.process(np.sin(np.arange(2.0 * 10)).reshape(10, 2))
    return f


# (name, action on a prepared filter, exception, start of the message)
FILTER_CASES = [
    ("kind name", lambda f: setattr(f, "kind", "elliptic"), ValueError, "kind = 'elliptic': must be one of"),
    ("kind number", lambda f: setattr(f, "kind", 3), ValueError, "kind = 3: must be from 0 to 2"),
    ("kind type", lambda f: setattr(f, "kind", 1.0), TypeError, "kind must be a whole number, not float"),
    ("response", lambda f: setattr(f, "response", "notch"), ValueError, "response = 'notch'"),
    ("order 0", lambda f: setattr(f, "order", 0), ValueError, "order = 0: must be from 1 to 8"),
    ("order 9", lambda f: setattr(f, "order", 9), ValueError, "order = 9: must be from 1 to 8"),
    ("order huge", lambda f: setattr(f, "order", 2**80), ValueError, "order = 1208925819614629174706176"),
    ("order type", lambda f: setattr(f, "order", "2"), TypeError, "order must be a whole number, not str"),
    ("f1 type", lambda f: setattr(f, "f1", "300"), TypeError, "f1 must be a real number, not str"),
    ("f2 complex", lambda f: setattr(f, "f2", 1j), TypeError, "f2 must be a real number, not complex"),
    ("f1 nan", lambda f: setattr(f, "f1", NAN), ValueError, "Frequency1 = nan: the value must be a number"),
    ("f2 nan", lambda f: setattr(f, "f2", np.longdouble("nan")), ValueError, "Frequency2 = nan"),
    ("rate 0", lambda f: setattr(f, "rate", 0), ValueError, "rate = 0: must be greater than 0"),
    ("rate negative", lambda f: setattr(f, "rate", -8000), ValueError, "rate = -8000"),
    ("rate nan", lambda f: setattr(f, "rate", NAN), ValueError, "SampleRate = nan"),
    ("ripple nan", lambda f: setattr(f, "ripple", NAN), ValueError, "Ripple = nan"),
    ("manual_reset", lambda f: setattr(f, "manual_reset", "yes"), TypeError, ""),
    ("structure name", lambda f: setattr(f, "structure", "lattice"), ValueError,
     "structure = 'lattice': must be one of 'direct', 'cascade', 'auto'"),
    ("structure number", lambda f: setattr(f, "structure", 3), ValueError, "structure = 3: must be from 0 to 2"),
    ("structure type", lambda f: setattr(f, "structure", None), TypeError,
     "structure must be a whole number, not NoneType"),
    ("reset nan", lambda f: f.reset(NAN), ValueError, "Reset: x0 = nan: the steady input must be finite"),
    ("reset inf", lambda f: f.reset(np.longdouble("-inf")), ValueError, "Reset: x0 = -inf"),
    ("reset text", lambda f: f.reset("1"), TypeError, "x0 must be a real number, not str"),
    ("group delay of text", lambda f: f.group_delay(["a"]), TypeError, "hz must be real numbers"),
    ("group delay of complex", lambda f: f.group_delay(1j), TypeError, "hz must be real numbers"),
    ("process list", lambda f: f.process([1.0, 2.0]), TypeError, "x must be a numpy array, not list"),
    ("process int", lambda f: f.process(np.ones(4, np.int64)), TypeError, "x has dtype dtype('int64')"),
    ("process swapped", lambda f: f.process(np.ones(4, ">f8")), TypeError, "x has dtype dtype('>f8')"),
    ("process complex", lambda f: f.process(np.ones(4, complex)), TypeError, "x has dtype"),
    ("process 0-d", lambda f: f.process(np.array(1.0)), ValueError, "x has 0 dimensions"),
    ("process 3-D", lambda f: f.process(np.ones((2, 2, 2))), ValueError, "x has 3 dimensions"),
    ("process no columns", lambda f: f.process(np.ones((4, 0))), ValueError, "x has 0 channels"),
    ("process read-only", lambda f: f.process_inplace(np.broadcast_to(np.ones(1), (8,))), ValueError,
     "x is read-only"),
    ("response of text", lambda f: f.frequency_response("abc"), TypeError, "hz must be real numbers"),
    ("response of complex", lambda f: f.frequency_response([1j]), TypeError, "hz must be real numbers"),
]


@pytest.mark.parametrize("name, action, error, message", FILTER_CASES, ids=[c[0] for c in FILTER_CASES])
def test_a_refused_call_names_the_value_and_changes_nothing(name, action, error, message):
    f, twin = prepared(), prepared()
    with pytest.raises(error) as raised:
        action(f)
    assert str(raised.value).startswith(message)
    assert f.to_form() == twin.to_form() and f.channels == twin.channels
    x = np.cos(np.arange(12.0)).reshape(6, 2)
    assert np.array_equal(f.process(x), twin.process(x))


# Designs the arithmetic cannot finish: overflow, division by zero, invalid.
DESIGN_FAILURES = [
    ("ripple", dict(kind="chebyshev"), lambda f: setattr(f, "ripple", 1e6), OverflowError,
     "Ripple = 1000000 overflows the filter design"),
    ("kind", dict(ripple=1e6), lambda f: setattr(f, "kind", "chebyshev"), OverflowError,
     "Kind = fkChebyshev overflows the filter design"),
    ("infinite f1", dict(rate=INF), lambda f: setattr(f, "f1", INF), ArithmeticError,
     "Frequency1 = inf makes the filter design take an invalid operation"),
]


@pytest.mark.parametrize("name, design, action, error, message", DESIGN_FAILURES,
                         ids=[c[0] for c in DESIGN_FAILURES])
def test_a_failed_design_is_an_arithmetic_error_and_changes_nothing(name, design, action, error, message):
    f, twin = prepared(**design), prepared(**design)
    with pytest.raises(error) as raised:
        action(f)
    assert isinstance(raised.value, ArithmeticError) and str(raised.value) == message
    assert f.to_form() == twin.to_form()
    x = np.ones((5, 2))
    assert np.array_equal(f.process(x), twin.process(x))


CONSTRUCTION_FAILURES = [
    (dict(kind="cheby"), ValueError, "kind = 'cheby'"),
    (dict(order=1.5), TypeError, "order must be a whole number"),
    (dict(rate=-1), ValueError, "rate = -1: must be greater than 0"),
    (dict(f2=NAN), ValueError, "Frequency2 = nan"),
    (dict(structure="sos"), ValueError, "structure = 'sos': must be one of"),
    (dict(structure=-1), ValueError, "structure = -1: must be from 0 to 2"),
    (dict(kind="chebyshev", ripple=1e6), OverflowError, "The properties (Kind = fkChebyshev"),
]


@pytest.mark.parametrize("arguments, error, message", CONSTRUCTION_FAILURES)
def test_construction_refuses_bad_arguments(arguments, error, message):
    with pytest.raises(error, match="^" + message.replace("(", r"\(")):
        tessaro.IIRFilter(**arguments)


OBJECT = "object TsigIIRFilter\n"
# (text, line of the problem, start of the message)
FORM_FAILURES = [
    ("object TsigNothing\nend\n", 1, "Stored form, line 1: unknown class TsigNothing"),
    (OBJECT + "  Kind = fkButterworth\n  Response = ftNotch\nend\n", 3, "Stored form, line 3: unknown value"),
    (OBJECT + "  Frequency1 = 3OO\nend\n", 2, "Stored form, line 2: malformed number"),
    (OBJECT + "  Colour = Red\nend\n", 2, "Stored form, line 2: TsigIIRFilter has no property"),
    (OBJECT + "  Kind = fkButterworth\n  Structure = fsLattice\nend\n", 3, "Stored form, line 3: unknown value"),
    (OBJECT + "  Order = 2\n", 2, 'Stored form, line 2: missing "end"'),
    ("object TsigFFT\nend\n", 1, "Stored form, line 1: object of class TsigFFT cannot be read"),
    (OBJECT + "end\n\n" + OBJECT + "end\n", 4, "Stored form, line 4: expected exactly one object"),
    ("", 1, "Stored form, line 1: expected exactly one object, found 0"),
]


@pytest.mark.parametrize("text, line, message", FORM_FAILURES)
def test_an_unreadable_form_is_a_stored_form_error_with_its_line(text, line, message):
    with pytest.raises(tessaro.StoredFormError) as raised:
        tessaro.IIRFilter.from_form(text)
    assert isinstance(raised.value, ValueError)
    assert raised.value.line == line and str(raised.value).startswith(message)


def test_a_form_whose_design_fails_is_an_arithmetic_error():
    with pytest.raises(OverflowError):
        tessaro.IIRFilter.from_form(OBJECT + "  Kind = fkChebyshev\n  Ripple = 1000000\nend\n")


FFT_CASES = [
    (lambda: tessaro.FFT(1000), ValueError, "size = 1000: must be a power of two"),
    (lambda: tessaro.FFT(2), ValueError, "size = 2: must be from 4 to 32768"),
    (lambda: tessaro.FFT(65536), ValueError, "size = 65536: must be from 4 to 32768"),
    (lambda: tessaro.FFT(8, "kaiser"), ValueError, "window = 'kaiser': must be one of"),
    (lambda: tessaro.FFT(8, twiddles="precise"), ValueError,
     "twiddles = 'precise': must be one of 'recurrence', 'exact'"),
    (lambda: tessaro.FFT(8, twiddles=2), ValueError, "twiddles = 2: must be from 0 to 1"),
    (lambda: setattr(tessaro.FFT(8), "twiddles", 1.0), TypeError, "twiddles must be a whole number, not float"),
    (lambda: setattr(tessaro.FFT(8), "twiddles", None), TypeError, "twiddles must be a whole number, not NoneType"),
    (lambda: tessaro.FFT(8).forward(np.ones(8)), TypeError, "re has dtype dtype('float64'): must be float32"),
    (lambda: tessaro.FFT(8).forward(np.ones(4, np.float32)), ValueError, "re has 4 elements"),
    (lambda: tessaro.FFT(8).forward(np.ones((2, 4), np.float32)), ValueError, "re has 2 dimensions"),
    (lambda: tessaro.FFT(8).inverse(np.ones(8, np.float32), [0.0] * 8), TypeError, "im must be a numpy array"),
    (lambda: tessaro.window("triangle", 8), ValueError, "kind = 'triangle'"),
    (lambda: tessaro.window("hanning", -1), ValueError, "n = -1: must be from 0 to 2147483647"),
]


@pytest.mark.parametrize("action, error, message", FFT_CASES)
def test_fft_and_window_refuse_bad_arguments(action, error, message):
    with pytest.raises(error) as raised:
        action()
    assert str(raised.value).startswith(message)


def test_a_refused_size_keeps_the_transform():
    fft = tessaro.FFT(16, "hanning", "exact")
    with pytest.raises(ValueError):
        fft.size = 17
    with pytest.raises(ValueError):
        fft.twiddles = "approximate"
    assert (fft.size, fft.power, fft.window, fft.twiddles) == (16, 4, tessaro.Window.HANNING, tessaro.Twiddles.EXACT)


def test_the_stubs_name_what_the_module_has():
    stubs = os.path.join(os.path.dirname(tessaro.__file__), "tessaro.pyi")
    tree = ast.parse(open(stubs).read())
    for node in tree.body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            assert hasattr(tessaro, node.name), node.name
        if isinstance(node, ast.ClassDef) and not node.name.endswith("Error"):
            members = {n.name for n in node.body if isinstance(n, ast.FunctionDef)} | {
                t.id for n in node.body if isinstance(n, ast.Assign) for t in n.targets}
            cls = getattr(tessaro, node.name)
            public = set(getattr(cls, "__members__", None) or (m for m in dir(cls) if not m.startswith("_")))
            assert members - {"__init__"} == public, node.name
