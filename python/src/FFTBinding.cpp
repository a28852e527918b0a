// tessaro.FFT and tessaro.window: the FFT component and the window weights
// on float32 arrays. A transform copies its input into the component, so the
// caller's arrays are never changed and no call depends on an earlier one.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstring>
#include <span>
#include <string>

#include "Bindings.h"
#include "Arguments.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigWindow.h"

namespace tessaro::python {

namespace {

std::int32_t ToSize(py::handle value) {
  const long long n = ToWhole(value, "size", 4, 32768);
  if ((n & (n - 1)) != 0)
    throw py::value_error("size = " + std::to_string(n) + ": must be a power of two from 4 to 32768");
  return static_cast<std::int32_t>(n);
}

// Copies a 1-D float32 array of exactly to.size() elements into to.
void CopyIn(py::handle given, const char* argument, std::span<float> to) {
  const std::string name = argument;
  if (!py::isinstance<py::array>(given))
    throw py::type_error(name + " must be a numpy array, not " +
                         TypeName(given));
  const auto a = py::reinterpret_borrow<py::array>(given);
  if (!a.dtype().equal(py::dtype::of<float>()))
    throw py::type_error(name + " has dtype " + DtypeName(a.dtype()) +
                         ": must be float32 (convert with .astype(numpy.float32))");
  if (a.ndim() != 1)
    throw py::value_error(name + " has " + std::to_string(a.ndim()) + " dimensions: must be 1");
  if (static_cast<std::size_t>(a.shape(0)) != to.size())
    throw py::value_error(name + " has " + std::to_string(a.shape(0)) +
                          " elements: must have the transform size, " + std::to_string(to.size()));
  const char* data = static_cast<const char*>(a.data());
  for (std::size_t i = 0; i < to.size(); ++i)
    std::memcpy(&to[i], data + static_cast<py::ssize_t>(i) * a.strides(0), sizeof(float));
}

py::array_t<float> CopyOut(std::span<const float> from) {
  py::array_t<float> a(static_cast<py::ssize_t>(from.size()));
  std::memcpy(a.mutable_data(), from.data(), from.size_bytes());
  return a;
}

// Checks both inputs before either is copied in.
void Load(TsigFFT& fft, py::handle re, py::handle im) {
  CopyIn(re, "re", fft.RealIn());
  if (im.is_none())
    std::ranges::fill(fft.ImagIn(), 0.0f);
  else
    CopyIn(im, "im", fft.ImagIn());
}

constexpr const char* ClassDoc = R"doc(FFT(size=512, window='none', twiddles='recurrence')

Complex discrete Fourier transform of size = 2^P points (P = 2..15) in
single precision, real and imaginary parts in separate float32 arrays.

forward(re, im=None):
    The window (unless 'none') multiplies re, then
    out[k] = sum_n in[n] exp(+2 pi i n k / size), with no scaling.
    Note the positive exponent: numpy.fft.fft(x) is conj(forward(x)) for a
    real x.
inverse(re, im):
    Treats the input as the spectrum of a real signal: the upper half is
    replaced by the conjugate mirror of the lower half,
    in[size-k] = conj(in[k]) for k = 1..size/2 (so im[size/2] is negated),
    then out[k] = (1/size) sum_n in[n] exp(-2 pi i n k / size).
Both return a tuple (re_out, im_out) of new float32 arrays and leave the
arguments unchanged. Every product and sum is rounded to float. The twiddles
(Twiddles or its name) are either 'recurrence', the default: a float
recurrence from one cosine and sine per stage, so the error grows with size
(a relative RMS error of about 2.4e-6 at 1024 points and 1.4e-4 at 32768);
or 'exact': each the float nearest to the true cosine and sine, a relative
RMS error below 2e-7 at every size, for measurement. Both cost the same per
transform. The results are bit for bit those of the C++ component.

Errors: TypeError for an input that is not a float32 numpy array, ValueError
for a wrong length or number of dimensions, a size that is not a power of
two in 4..32768, or an unknown window or twiddles; nothing has changed then. An FFT
object is not thread-safe (a transform holds the interpreter lock).)doc";

}  // namespace

void BindFFT(py::module_& m) {
  py::class_<TsigFFT>(m, "FFT", ClassDoc)
      .def(py::init([](py::handle size, py::handle window, py::handle twiddles) {
             const std::int32_t n = ToSize(size);
             const auto w = static_cast<TsigWindow>(ToEnumValue(window, "window", WindowNames));
             const auto t =
                 static_cast<TsigFFTTwiddles>(ToEnumValue(twiddles, "twiddles", TwiddlesNames));
             auto fft = std::make_unique<TsigFFT>();
             fft->SetBufferSize(n);
             fft->SetWindow(w);
             fft->SetTwiddles(t);
             return fft;
           }),
           py::arg("size") = 512, py::arg("window") = "none", py::arg("twiddles") = "recurrence",
           "FFT(size=512, window='none', twiddles='recurrence')\n\nTables for a transform of size points; "
           "see help(FFT).")
      .def_property(
          "size", [](const TsigFFT& f) { return f.BufferSize(); },
          [](TsigFFT& f, py::handle v) { f.SetBufferSize(ToSize(v)); },
          "Number of points, a power of two from 4 to 32768.")
      .def_property_readonly(
          "power", [](const TsigFFT& f) { return f.Power(); }, "P, with size = 2**P.")
      .def_property(
          "window", [](const TsigFFT& f) { return EnumMember("Window", f.Window()); },
          [](TsigFFT& f, py::handle v) {
            f.SetWindow(static_cast<TsigWindow>(ToEnumValue(v, "window", WindowNames)));
          },
          "Window (or its name) that forward applies to re.")
      .def_property(
          "twiddles", [](const TsigFFT& f) { return EnumMember("Twiddles", f.Twiddles()); },
          [](TsigFFT& f, py::handle v) {
            f.SetTwiddles(static_cast<TsigFFTTwiddles>(ToEnumValue(v, "twiddles", TwiddlesNames)));
          },
          "Twiddles (or their name): 'recurrence' or 'exact'; a change keeps the size and window.")
      .def(
          "forward",
          [](TsigFFT& f, py::handle re, py::handle im) {
            Load(f, re, im);
            f.Forward();
            return py::make_tuple(CopyOut(f.RealOut()), CopyOut(f.ImagOut()));
          },
          py::arg("re"), py::arg("im") = py::none(),
          "forward(re: numpy.ndarray, im: numpy.ndarray | None = None) -> tuple[numpy.ndarray, numpy.ndarray]\n\n"
          "(re_out, im_out): out[k] = sum_n (w[n] re[n] + i im[n]) exp(+2 pi i n k / size), w "
          "the window's weights; im None means zeros.")
      .def(
          "inverse",
          [](TsigFFT& f, py::handle re, py::handle im) {
            Load(f, re, im);
            f.Inverse();
            return py::make_tuple(CopyOut(f.RealOut()), CopyOut(f.ImagOut()));
          },
          py::arg("re"), py::arg("im"),
          "inverse(re: numpy.ndarray, im: numpy.ndarray) -> tuple[numpy.ndarray, numpy.ndarray]\n\n"
          "(re_out, im_out): the scaled inverse of the conjugate-symmetric spectrum completed "
          "from the lower half of (re, im).")
      .def(
          "__repr__",
          [](const TsigFFT& f) {
            // The twiddles only when not the default, as the stored form has them.
            std::string text =
                "FFT(size=" + std::to_string(f.BufferSize()) + ", window='" + WindowNames[f.Window()] + "'";
            if (f.Twiddles() != ftRecurrence)
              text += std::string(", twiddles='") + TwiddlesNames[f.Twiddles()] + "'";
            return text + ")";
          },
          "repr(self) -> str");

  m.def(
      "window",
      [](py::handle kind, py::handle n) {
        const auto w = static_cast<TsigWindow>(ToEnumValue(kind, "kind", WindowNames));
        const auto count = static_cast<std::int32_t>(ToWhole(n, "n", 0, 0x7fffffff));
        py::array_t<float> weights(count);
        FillWindow(w, std::span<float>(weights.mutable_data(), static_cast<std::size_t>(count)), count);
        return weights;
      },
      py::arg("kind"), py::arg("n"),
      "window(kind: Window | str, n: int) -> numpy.ndarray\n\nThe n float32 weights w[i] = WindowValue(kind, i, n), i = 0..n-1, of a window "
      "(Window or its name): none 1; hamming 0.54 - 0.46 cos(2 pi i/n); hanning 0.5 - 0.5 "
      "cos(2 pi i/n); blackman 0.42 - 0.5 cos(2 pi i/n) + 0.08 cos(4 pi i/n); gaussian "
      "exp(-0.5 (2i - n)^2 / n^2); welch 1 - ((2i - n)/(n + 1))^2; parzen 1 - |2i - n|/(n + 1). "
      "Evaluated in extended precision and rounded to float.");
}

}  // namespace tessaro::python
