"""Tessaro: IIR filter design and filtering in 80-bit extended precision, a
radix-2 float FFT and seven window functions, on numpy arrays."""

import enum
from typing import Literal, TypeVar, Union

import numpy as np
import numpy.typing as npt

_Samples = TypeVar("_Samples", np.float32, np.float64, np.longdouble)
_Real = Union[float, int, np.floating, np.integer]

class Kind(enum.IntEnum):
    """Analog prototype of an IIR design."""

    BUTTERWORTH = 0
    CHEBYSHEV = 1
    BESSEL = 2

class Response(enum.IntEnum):
    """Band form of an IIR design."""

    LOWPASS = 0
    HIGHPASS = 1
    BANDPASS = 2
    BANDSTOP = 3

class Structure(enum.IntEnum):
    """How an IIR design runs sample by sample."""

    DIRECT = 0
    CASCADE = 1
    AUTO = 2

class Window(enum.IntEnum):
    """Window applied to the real input of FFT.forward."""

    NONE = 0
    HAMMING = 1
    HANNING = 2
    BLACKMAN = 3
    GAUSSIAN = 4
    WELCH = 5
    PARZEN = 6

class Twiddles(enum.IntEnum):
    """How an FFT makes its twiddles: by recurrence, or each exactly rounded."""

    RECURRENCE = 0
    EXACT = 1

_KindName = Literal["butterworth", "chebyshev", "bessel"]
_ResponseName = Literal["lowpass", "highpass", "bandpass", "bandstop"]
_StructureName = Literal["direct", "cascade", "auto"]
_WindowName = Literal["none", "hamming", "hanning", "blackman", "gaussian", "welch", "parzen"]
_TwiddlesName = Literal["recurrence", "exact"]

class StoredFormError(ValueError):
    """A stored form that cannot be read; `line` is the offending line (from 1)."""

    line: int

class Realisation:
    """What runs an IIRFilter's current design and why."""

    @property
    def structure(self) -> Structure: ...
    @property
    def section_count(self) -> int: ...
    @property
    def largest_radius(self) -> np.longdouble: ...
    @property
    def response_deviation(self) -> np.longdouble: ...
    @property
    def steady_deviation(self) -> np.longdouble: ...
    @property
    def direct_form_sound(self) -> bool: ...

class IIRFilter:
    """Butterworth, Chebyshev or Bessel IIR filter of order 1 to 8, run in
    extended precision; one history per channel (column). See help()."""

    def __init__(
        self,
        kind: Union[Kind, _KindName, int] = "butterworth",
        response: Union[Response, _ResponseName, int] = "lowpass",
        order: int = 1,
        f1: _Real = 300.0,
        f2: _Real = 3000.0,
        rate: _Real = 44100.0,
        ripple: _Real = 0.0,
        manual_reset: bool = False,
        structure: Union[Structure, _StructureName, int] = "auto",
    ) -> None: ...
    @staticmethod
    def from_form(text: str) -> IIRFilter: ...
    def to_form(self) -> str: ...
    @property
    def kind(self) -> Kind: ...
    @kind.setter
    def kind(self, value: Union[Kind, _KindName, int]) -> None: ...
    @property
    def response(self) -> Response: ...
    @response.setter
    def response(self, value: Union[Response, _ResponseName, int]) -> None: ...
    @property
    def order(self) -> int: ...
    @order.setter
    def order(self, value: int) -> None: ...
    @property
    def f1(self) -> np.longdouble: ...
    @f1.setter
    def f1(self, value: _Real) -> None: ...
    @property
    def f2(self) -> np.longdouble: ...
    @f2.setter
    def f2(self, value: _Real) -> None: ...
    @property
    def rate(self) -> np.longdouble: ...
    @rate.setter
    def rate(self, value: _Real) -> None: ...
    @property
    def ripple(self) -> np.longdouble: ...
    @ripple.setter
    def ripple(self, value: _Real) -> None: ...
    @property
    def manual_reset(self) -> bool: ...
    @manual_reset.setter
    def manual_reset(self, value: bool) -> None: ...
    @property
    def structure(self) -> Structure: ...
    @structure.setter
    def structure(self, value: Union[Structure, _StructureName, int]) -> None: ...
    @property
    def design_message(self) -> str: ...
    @property
    def coefficient_count(self) -> int: ...
    @property
    def input_scale(self) -> np.longdouble: ...
    @property
    def input_coefficients(self) -> npt.NDArray[np.longdouble]: ...
    @property
    def output_coefficients(self) -> npt.NDArray[np.longdouble]: ...
    @property
    def realisation(self) -> Realisation: ...
    @property
    def sections(self) -> npt.NDArray[np.longdouble]: ...
    @property
    def poles(self) -> npt.NDArray[np.clongdouble]: ...
    @property
    def zeros(self) -> npt.NDArray[np.clongdouble]: ...
    @property
    def analog_poles(self) -> npt.NDArray[np.clongdouble]: ...
    @property
    def analog_zeros(self) -> npt.NDArray[np.clongdouble]: ...
    @property
    def channels(self) -> int: ...
    def process(self, x: npt.NDArray[_Samples]) -> npt.NDArray[_Samples]: ...
    def process_inplace(self, x: npt.NDArray[_Samples]) -> None: ...
    def reset(self, x0: _Real | None = None) -> None: ...
    def frequency_response(self, hz: npt.ArrayLike) -> npt.NDArray[np.clongdouble]: ...
    def group_delay(self, hz: npt.ArrayLike) -> npt.NDArray[np.longdouble]: ...

class FFT:
    """Complex FFT of 4 to 32768 points (powers of two) on float32 arrays."""

    def __init__(
        self,
        size: int = 512,
        window: Union[Window, _WindowName, int] = "none",
        twiddles: Union[Twiddles, _TwiddlesName, int] = "recurrence",
    ) -> None: ...
    @property
    def size(self) -> int: ...
    @size.setter
    def size(self, value: int) -> None: ...
    @property
    def power(self) -> int: ...
    @property
    def window(self) -> Window: ...
    @window.setter
    def window(self, value: Union[Window, _WindowName, int]) -> None: ...
    @property
    def twiddles(self) -> Twiddles: ...
    @twiddles.setter
    def twiddles(self, value: Union[Twiddles, _TwiddlesName, int]) -> None: ...
    def forward(
        self, re: npt.NDArray[np.float32], im: npt.NDArray[np.float32] | None = None
    ) -> tuple[npt.NDArray[np.float32], npt.NDArray[np.float32]]: ...
    def inverse(
        self, re: npt.NDArray[np.float32], im: npt.NDArray[np.float32]
    ) -> tuple[npt.NDArray[np.float32], npt.NDArray[np.float32]]: ...

def window(kind: Union[Window, _WindowName, int], n: int) -> npt.NDArray[np.float32]: ...
