// tessaro.IIRFilter: the IIR filter component on numpy arrays, one filter
// per column of a block.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <charconv>
#include <complex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "Bindings.h"
#include "ChannelFilters.h"
#include "Arguments.h"
#include "SampleArrays.h"
#include "tessaro/sigStoredForm.h"

namespace tessaro::python {

namespace {

// Blocks of at least this many samples are filtered with the interpreter
// lock released.
constexpr std::size_t UnlockedSamples = 4096;

struct IIRFilterObject {
  explicit IIRFilterObject(const InitialProperties& initial) : filters(initial) {}
  explicit IIRFilterObject(std::string form) : filters(std::move(form)) {}

  ChannelFilters filters;
  // Set while a process call runs without the interpreter lock; every other
  // call that changes the filters refuses to start meanwhile. Read and
  // written only with the lock held.
  bool busy = false;
};

void CheckIdle(const IIRFilterObject& self) {
  if (self.busy)
    throw std::runtime_error(
        "IIRFilter is in use by another thread: one filter serves one thread at a time");
}

// Marks the filter busy for its lifetime.
class BusyScope {
 public:
  explicit BusyScope(IIRFilterObject& self) : self_(self) {
    CheckIdle(self);
    self_.busy = true;
  }
  ~BusyScope() { self_.busy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  IIRFilterObject& self_;
};

std::string Decimal(Extended value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

void Assign(IIRFilterObject& self, Assignment::Property which, Extended value) {
  CheckIdle(self);
  self.filters.Assign({which, value});
}

py::array ReadOnly(py::array a) {
  a.attr("flags").attr("writeable") = false;
  return a;
}

py::array ExtendedArray(std::span<const Extended> values) {
  py::array_t<Extended> a(static_cast<py::ssize_t>(values.size()));
  std::ranges::copy(values, a.mutable_data());
  return ReadOnly(a);
}

py::array ComplexArray(std::span<const TsigComplex> values) {
  py::array_t<std::complex<Extended>> a(static_cast<py::ssize_t>(values.size()));
  std::complex<Extended>* out = a.mutable_data();
  for (std::size_t i = 0; i < values.size(); ++i) out[i] = {values[i].Re, values[i].Im};
  return ReadOnly(a);
}

// The sections as rows b0 b1 b2 a1 a2 (read-only).
py::array SectionRows(std::span<const TsigIIRSection> sections) {
  py::array_t<Extended> a({static_cast<py::ssize_t>(sections.size()), py::ssize_t{5}});
  Extended* out = a.mutable_data();
  for (const TsigIIRSection& s : sections) {
    *out++ = s.B0;
    *out++ = s.B1;
    *out++ = s.B2;
    *out++ = s.A1;
    *out++ = s.A2;
  }
  return ReadOnly(a);
}

py::array Poles(const PoleZeroSet& set) {
  return ComplexArray(std::span(set.Poles).first(static_cast<std::size_t>(set.PoleCount)));
}

py::array Zeros(const PoleZeroSet& set) {
  return ComplexArray(std::span(set.Zeros).first(static_cast<std::size_t>(set.ZeroCount)));
}

SampleType SampleTypeOf(const py::array& x) {
  const py::dtype dtype = x.dtype();
  if (dtype.equal(py::dtype::of<float>())) return SampleType::Float32;
  if (dtype.equal(py::dtype::of<double>())) return SampleType::Float64;
  if (dtype.equal(py::dtype::of<Extended>())) return SampleType::Extended;
  throw py::type_error("x has dtype " + DtypeName(dtype) +
                       ": must be float32, float64 or longdouble");
}

SampleBlock BlockOf(const py::array& x, SampleType type) {
  SampleBlock block;
  block.Data = static_cast<char*>(const_cast<void*>(x.data()));
  block.Type = type;
  block.Frames = static_cast<std::size_t>(x.shape(0));
  block.FrameStride = x.strides(0);
  if (x.ndim() == 2) {
    block.Channels = static_cast<std::size_t>(x.shape(1));
    block.ChannelStride = x.strides(1);
  }
  return block;
}

// Checks x, runs it through the filters into out (a new array, or x itself)
// and returns out.
py::array Process(IIRFilterObject& self, py::handle given, bool inPlace) {
  if (!py::isinstance<py::array>(given))
    throw py::type_error("x must be a numpy array, not " +
                         TypeName(given));
  const auto x = py::reinterpret_borrow<py::array>(given);
  const SampleType type = SampleTypeOf(x);
  if (x.ndim() != 1 && x.ndim() != 2)
    throw py::value_error("x has " + std::to_string(x.ndim()) +
                          " dimensions: must be 1 (frames) or 2 (frames x channels)");
  if (x.ndim() == 2 && x.shape(1) == 0)
    throw py::value_error("x has 0 channels (columns): must have at least 1");
  if (inPlace && !x.writeable()) throw py::value_error("x is read-only");
  CheckIdle(self);

  py::array out = x;
  if (!inPlace) out = py::array(x.dtype(), std::vector<py::ssize_t>(x.shape(), x.shape() + x.ndim()));
  const SampleBlock in = BlockOf(x, type);
  const SampleBlock to = BlockOf(out, type);
  self.filters.Provide(in.Channels);

  BusyScope busy(self);
  if (in.Frames * in.Channels >= UnlockedSamples) {
    py::gil_scoped_release unlocked;
    Filter(self.filters, in, to);
  } else {
    Filter(self.filters, in, to);
  }
  return out;
}

// hz as a C-ordered longdouble array; TypeError unless it holds real numbers.
py::array_t<Extended, py::array::c_style> Frequencies(py::handle hz) {
  const py::array given = py::array::ensure(hz);
  if (!given || given.dtype().kind() == 'c' || given.dtype().kind() == 'O' ||
      given.dtype().kind() == 'U' || given.dtype().kind() == 'S')
    throw py::type_error("hz must be real numbers");
  const auto f = py::array_t<Extended, py::array::c_style | py::array::forcecast>::ensure(given);
  if (!f) throw py::error_already_set();
  return f;
}

py::array GroupDelay(const IIRFilterObject& self, py::handle hz) {
  const auto f = Frequencies(hz);
  py::array_t<Extended> out(std::vector<py::ssize_t>(f.shape(), f.shape() + f.ndim()));
  const Extended* in = f.data();
  Extended* result = out.mutable_data();
  const TsigIIRFilter& filter = self.filters.First();
  for (py::ssize_t i = 0; i < f.size(); ++i) result[i] = filter.GroupDelay(in[i]);
  return out;
}

py::array FrequencyResponse(const IIRFilterObject& self, py::handle hz) {
  const auto f = Frequencies(hz);
  py::array_t<std::complex<Extended>> out(
      std::vector<py::ssize_t>(f.shape(), f.shape() + f.ndim()));
  const Extended* in = f.data();
  std::complex<Extended>* result = out.mutable_data();
  const TsigIIRFilter& filter = self.filters.First();
  for (py::ssize_t i = 0; i < f.size(); ++i) {
    const TsigComplex h = filter.FrequencyResponse(in[i]);
    result[i] = {h.Re, h.Im};
  }
  return out;
}

std::string Repr(const IIRFilterObject& self) {
  const TsigIIRFilter& f = self.filters.First();
  return std::string("IIRFilter(kind='") + KindNames[f.Kind()] + "', response='" +
         ResponseNames[f.Response()] + "', order=" + std::to_string(f.Order()) +
         ", f1=" + Decimal(f.Frequency1()) + ", f2=" + Decimal(f.Frequency2()) +
         ", rate=" + Decimal(f.SampleRate()) + ", ripple=" + Decimal(f.Ripple()) +
         ", manual_reset=" + (f.ManualReset() ? "True" : "False") + ", structure='" +
         StructureNames[f.Structure()] + "')";
}

std::string RealisationRepr(const TsigIIRRealisation& r) {
  return std::string("Realisation(structure='") + StructureNames[r.Structure] +
         "', section_count=" + std::to_string(r.SectionCount) +
         ", largest_radius=" + Decimal(r.LargestRadius) +
         ", response_deviation=" + Decimal(r.ResponseDeviation) +
         ", steady_deviation=" + Decimal(r.SteadyDeviation) +
         ", direct_form_sound=" + (r.DirectFormSound ? "True" : "False") + ")";
}

constexpr const char* RealisationDoc = R"doc(What runs an IIRFilter's current design and why (IIRFilter.realisation).

  structure           Structure.DIRECT or Structure.CASCADE, the one in force
  section_count       sections in force; 0 under the direct form
  largest_radius      the largest radius of the roots of the direct form's
                      stored denominator (longdouble)
  response_deviation  the direct form's largest deviation from the design's
                      pole-zero response, relative to the largest gain
  steady_deviation    the direct form's drift over 10 000 samples started in
                      the steady state of a constant input, relative likewise
                      (0 when the first two already fail)
  direct_form_sound   whether the direct form passes all three: radius within
                      1 - 2**-40, response within 1e-9, drift within 1e-13)doc";

constexpr const char* ClassDoc = R"doc(IIRFilter(kind='butterworth', response='lowpass', order=1, f1=300, f2=3000, rate=44100, ripple=0, manual_reset=False, structure='auto')

A Butterworth, Chebyshev or Bessel IIR filter of order 1 to 8, designed by
poles and zeros (analog prototype, band transform, bilinear transform with
prewarped corners, gain normalisation) and run in 80-bit extended precision
(numpy.longdouble), either as one direct-form difference equation:

    y[t] = g*x[t] + sum_i (B[i]*x[t-N+i] + A[i]*y[t-N+i]),  i = 0..N-1

with g = input_scale, B = input_coefficients, A = output_coefficients
(oldest first, A with the sign under which it is added) and
N = coefficient_count (order for lowpass and highpass, 2*order for the band
forms). The gain is 1 at the reference point: 0 Hz (lowpass), Nyquist
(highpass), the mean of the relative corners (bandpass), the geometric mean
of the 0 Hz and Nyquist gains (bandstop).

or as a cascade of second-order sections (sections), each one
    y[t] = b0*x[t] + b1*x[t-1] + b2*x[t-2] + a1*y[t-1] + a2*y[t-2]
with the gain spread over the numerators. structure chooses: 'direct',
'cascade', or 'auto' (the default), the direct form where it is sound and
the cascade where rounding its expanded polynomials would move the poles
too far (high orders with corners far below the rate). realisation says
which runs and why.

Construction applies all arguments together, as a stored form is read: the
frequencies are clamped against the final rate and the filter is designed
once.

Properties (frequencies in Hz, ripple in dB). Every assignment that changes
something redesigns at once; the next process call uses the new filter.
  kind          Kind or 'butterworth' | 'chebyshev' | 'bessel'
  response      Response or 'lowpass' | 'highpass' | 'bandpass' | 'bandstop';
                a change clears every history
  order         1..8; a change clears every history
  f1, f2        clamped silently into [1e-10, rate/2 - 0.0001]; f2 is used by
                the band forms only, and a lowpass or highpass reads f1 for
                f2 while keeping the f2 it was given for a later band form
  rate          > 0; lowers f1 and f2 to its new bound
  ripple        Chebyshev passband ripple; its absolute value is stored
                (0 is held as a tiny ripple, epsilon = 1e-10)
  manual_reset  False: every redesign clears the histories. True: changes of
                kind, f1, f2, rate and ripple keep them, so a running signal
                continues through the new coefficients, as long as the
                structure in force stays the same
  structure     Structure or 'direct' | 'cascade' | 'auto'; a change of the
                structure in force clears every history
The values read back are numpy.longdouble, exactly as stored.

Samples: process and process_inplace take float32, float64 or longdouble
arrays. Each sample is widened exactly to extended precision, filtered, and
rounded to nearest into the array's dtype; longdouble in and out is bit for
bit the C++ filter's Process. A 1-D array is one stream (channel 0). A 2-D
array is frames x channels, each column a stream with its own history
(column c is channel c; column 0 continues a 1-D stream). Channel c is
created when a block with more than c columns first arrives, with the same
design and a silent history, and is kept from then on; channels a block
does not reach keep their history. reset() and every property assignment
act on every channel exactly as on a single C++ filter; reset(x0) starts
every channel in the steady state of the constant input x0.

Errors (nothing has changed when one is raised):
  TypeError        an argument of the wrong type or dtype
  ValueError       a bad value: an unknown name, an order outside 1..8,
                   rate <= 0, a NaN, a reset to a value that is not finite,
                   a wrong shape, a read-only array
  OverflowError, ArithmeticError
                   a design whose arithmetic overflows, divides by zero or
                   takes an invalid operation
  StoredFormError  from_form on text that is not one TsigIIRFilter object
Design problems the filter can live with are reported in design_message.

Threads: process releases the interpreter lock on blocks of 4096 samples or
more. A filter is not thread-safe: use each one from one thread at a time.
While one thread is in process, any call from another thread that would
change the filter (process, process_inplace, reset, an assignment) raises
RuntimeError; reading properties and coefficients is safe.)doc";

}  // namespace

void BindIIRFilter(py::module_& m) {
  using P = Assignment::Property;
  py::class_<TsigIIRRealisation>(m, "Realisation", RealisationDoc)
      .def_property_readonly(
          "structure", [](const TsigIIRRealisation& r) { return EnumMember("Structure", r.Structure); },
          "The structure in force: Structure.DIRECT or Structure.CASCADE.")
      .def_property_readonly(
          "section_count", [](const TsigIIRRealisation& r) { return r.SectionCount; },
          "Sections in force; 0 under the direct form.")
      .def_property_readonly(
          "largest_radius", [](const TsigIIRRealisation& r) { return FromExtended(r.LargestRadius); },
          "Largest radius of the roots of the direct form's stored denominator.")
      .def_property_readonly(
          "response_deviation",
          [](const TsigIIRRealisation& r) { return FromExtended(r.ResponseDeviation); },
          "The direct form's largest deviation from the design's pole-zero response, relative "
          "to the largest gain.")
      .def_property_readonly(
          "steady_deviation",
          [](const TsigIIRRealisation& r) { return FromExtended(r.SteadyDeviation); },
          "The direct form's drift over 10 000 samples from the steady state of a constant "
          "input, relative to the input times the largest gain; 0 when it was not run.")
      .def_property_readonly(
          "direct_form_sound", [](const TsigIIRRealisation& r) { return r.DirectFormSound; },
          "Whether the direct form is sound, and so what structure='auto' runs.")
      .def("__repr__", &RealisationRepr, "repr(self) -> str");

  py::class_<IIRFilterObject>(m, "IIRFilter", ClassDoc)
      .def(py::init([](py::handle kind, py::handle response, py::handle order, py::handle f1,
                       py::handle f2, py::handle rate, py::handle ripple, bool manualReset,
                       py::handle structure) {
             InitialProperties p;
             p.Kind = static_cast<TsigIIRFilterKind>(ToEnumValue(kind, "kind", KindNames));
             p.Response =
                 static_cast<TsigIIRFilterResponse>(ToEnumValue(response, "response", ResponseNames));
             p.Order = static_cast<int>(ToWhole(order, "order", 1, 8));
             p.Frequency1 = ToExtended(f1, "f1");
             p.Frequency2 = ToExtended(f2, "f2");
             p.SampleRate = ToExtended(rate, "rate");
             if (p.SampleRate <= 0.0L)
               throw py::value_error("rate = " + Decimal(p.SampleRate) + ": must be greater than 0");
             p.Ripple = ToExtended(ripple, "ripple");
             p.ManualReset = manualReset;
             p.Structure =
                 static_cast<TsigIIRStructure>(ToEnumValue(structure, "structure", StructureNames));
             return std::make_unique<IIRFilterObject>(p);
           }),
           py::arg("kind") = "butterworth", py::arg("response") = "lowpass", py::arg("order") = 1,
           py::arg("f1") = 300.0, py::arg("f2") = 3000.0, py::arg("rate") = 44100.0,
           py::arg("ripple") = 0.0, py::arg("manual_reset") = false, py::arg("structure") = "auto",
           "IIRFilter(kind='butterworth', response='lowpass', order=1, f1=300, f2=3000, "
           "rate=44100, ripple=0, manual_reset=False, structure='auto')\n\nDesigns the filter from all arguments "
           "at once; see help(IIRFilter).")
      .def_static(
          "from_form",
          [](const std::string& text) { return std::make_unique<IIRFilterObject>(text); },
          py::arg("text"),
          "from_form(text: str) -> IIRFilter\n\nThe filter a stored form describes (the text of one TsigIIRFilter object, as to_form "
          "writes it). Raises StoredFormError, with the offending line in its `line`, for "
          "anything else.")
      .def("to_form",
           [](const IIRFilterObject& self) { return WriteComponent(self.filters.First()); },
           "to_form() -> str\n\nThe stored form of the filter's properties: Kind and Response always, Order when "
           "not 1, ManualReset when True, Structure when not auto, the other values when not 0, each extended value in "
           "the shortest decimal that reads back to the same bits.")

      // --- properties ---------------------------------------------------------
      .def_property(
          "kind", [](const IIRFilterObject& s) { return EnumMember("Kind", s.filters.First().Kind()); },
          [](IIRFilterObject& s, py::handle v) {
            Assign(s, P::Kind, ToEnumValue(v, "kind", KindNames));
          },
          "Analog prototype (Kind): BUTTERWORTH, CHEBYSHEV or BESSEL; a string names one.")
      .def_property(
          "response",
          [](const IIRFilterObject& s) { return EnumMember("Response", s.filters.First().Response()); },
          [](IIRFilterObject& s, py::handle v) {
            Assign(s, P::Response, ToEnumValue(v, "response", ResponseNames));
          },
          "Band form (Response): LOWPASS, HIGHPASS, BANDPASS or BANDSTOP; a string names one. A "
          "change clears every history, also with manual_reset.")
      .def_property(
          "order", [](const IIRFilterObject& s) { return s.filters.First().Order(); },
          [](IIRFilterObject& s, py::handle v) {
            Assign(s, P::Order, static_cast<Extended>(ToWhole(v, "order", 1, 8)));
          },
          "Prototype order, 1..8. A change clears every history, also with manual_reset.")
      .def_property(
          "f1", [](const IIRFilterObject& s) { return FromExtended(s.filters.First().Frequency1()); },
          [](IIRFilterObject& s, py::handle v) { Assign(s, P::Frequency1, ToExtended(v, "f1")); },
          "Corner frequency of lowpass and highpass, one band edge of bandpass and bandstop, in "
          "Hz; clamped into [1e-10, rate/2 - 0.0001].")
      .def_property(
          "f2", [](const IIRFilterObject& s) { return FromExtended(s.filters.First().Frequency2()); },
          [](IIRFilterObject& s, py::handle v) { Assign(s, P::Frequency2, ToExtended(v, "f2")); },
          "The other band edge in Hz, clamped like f1. A lowpass or highpass reads f1 here and "
          "keeps the assigned value for a later band form.")
      .def_property(
          "rate", [](const IIRFilterObject& s) { return FromExtended(s.filters.First().SampleRate()); },
          [](IIRFilterObject& s, py::handle v) {
            const Extended rate = ToExtended(v, "rate");
            if (rate <= 0.0L)
              throw py::value_error("rate = " + Decimal(rate) + ": must be greater than 0");
            Assign(s, P::SampleRate, rate);
          },
          "Sample rate in Hz, greater than 0. A lower rate lowers f1 and f2 to rate/2 - 0.0001.")
      .def_property(
          "ripple", [](const IIRFilterObject& s) { return FromExtended(s.filters.First().Ripple()); },
          [](IIRFilterObject& s, py::handle v) { Assign(s, P::Ripple, ToExtended(v, "ripple")); },
          "Chebyshev passband ripple in dB; its absolute value is stored. Other kinds only store "
          "it for a later Chebyshev design.")
      .def_property(
          "manual_reset", [](const IIRFilterObject& s) { return s.filters.First().ManualReset(); },
          [](IIRFilterObject& s, bool v) { Assign(s, P::ManualReset, v ? 1.0L : 0.0L); },
          "False: every redesign clears the histories. True: changes of kind, f1, f2, rate and "
          "ripple keep them (response and order still clear them).")
      .def_property(
          "structure",
          [](const IIRFilterObject& s) { return EnumMember("Structure", s.filters.First().Structure()); },
          [](IIRFilterObject& s, py::handle v) {
            Assign(s, P::Structure, ToEnumValue(v, "structure", StructureNames));
          },
          "Realisation asked for (Structure): DIRECT, CASCADE or AUTO (the direct form where it "
          "is sound, the cascade elsewhere); a string names one. A change of the structure in "
          "force clears every history, also with manual_reset.")

      // --- the design, read only ------------------------------------------------
      .def_property_readonly(
          "design_message",
          [](const IIRFilterObject& s) { return s.filters.First().DesignMessage(); },
          "Text of the last problem a design could live with (a Chebyshev ripple it could not "
          "use, coefficients that came out complex); empty until then, and not cleared by a "
          "later design that succeeds.")
      .def_property_readonly(
          "coefficient_count",
          [](const IIRFilterObject& s) { return s.filters.First().CoefficientCount(); },
          "N, the number of past samples the difference equation uses.")
      .def_property_readonly(
          "input_scale",
          [](const IIRFilterObject& s) { return FromExtended(s.filters.First().InputScale()); },
          "g, the factor applied to every input sample: 1 / |gain at the reference point|.")
      .def_property_readonly(
          "input_coefficients",
          [](const IIRFilterObject& s) {
            const TsigIIRFilter& f = s.filters.First();
            return ExtendedArray(f.InputCoefficients().first(static_cast<std::size_t>(f.CoefficientCount())));
          },
          "B[0..N-1] (read-only longdouble copy), weights of the scaled inputs x[t-N+i], oldest "
          "first; the newest scaled input has weight 1. The numerator for scipy.signal (freqz, "
          "lfilter) is b = g * [1, B[N-1], ..., B[0]].")
      .def_property_readonly(
          "output_coefficients",
          [](const IIRFilterObject& s) {
            const TsigIIRFilter& f = s.filters.First();
            return ExtendedArray(f.OutputCoefficients().first(static_cast<std::size_t>(f.CoefficientCount())));
          },
          "A[0..N-1] (read-only longdouble copy), weights of the past outputs y[t-N+i], oldest "
          "first, with the sign under which they are added. The denominator for scipy.signal "
          "is a = [1, -A[N-1], ..., -A[0]].")
      .def_property_readonly(
          "realisation", [](const IIRFilterObject& s) { return s.filters.First().Realisation(); },
          "realisation -> Realisation\n\nThe structure in force and the direct form's verdict "
          "(a new Realisation on each read).")
      .def_property_readonly(
          "sections",
          [](const IIRFilterObject& s) { return SectionRows(s.filters.First().Sections()); },
          "The cascade's sections in running order (read-only longdouble array of shape (n, 5)), "
          "rows b0 b1 b2 a1 a2 of y[t] = b0*x[t] + b1*x[t-1] + b2*x[t-2] + a1*y[t-1] + "
          "a2*y[t-2]; a first-order section has b2 = a2 = 0. These run under the cascade and "
          "are what structure='cascade' would run otherwise; empty for the equal-edge band "
          "forms. For scipy.signal.sosfilt a row is [b0, b1, b2, 1, -a1, -a2].")
      .def_property_readonly(
          "poles", [](const IIRFilterObject& s) { return Poles(s.filters.First().ZPlane()); },
          "z-plane poles of the design (read-only clongdouble copy).")
      .def_property_readonly(
          "zeros", [](const IIRFilterObject& s) { return Zeros(s.filters.First().ZPlane()); },
          "z-plane zeros of the design (read-only clongdouble copy), as many as poles.")
      .def_property_readonly(
          "analog_poles", [](const IIRFilterObject& s) { return Poles(s.filters.First().SPlane()); },
          "s-plane poles after the band transform, in radians per sample (the bilinear map is "
          "z = (2 + s) / (2 - s)); read-only clongdouble copy.")
      .def_property_readonly(
          "analog_zeros", [](const IIRFilterObject& s) { return Zeros(s.filters.First().SPlane()); },
          "s-plane zeros after the band transform (read-only clongdouble copy).")
      .def_property_readonly(
          "channels", [](const IIRFilterObject& s) { return s.filters.Count(); },
          "How many channels (column histories) the filter has made so far; at least 1.")

      // --- filtering ---------------------------------------------------------------
      .def(
          "process",
          [](IIRFilterObject& s, py::handle x) { return Process(s, x, false); }, py::arg("x"),
          "process(x: numpy.ndarray) -> numpy.ndarray\n\nA new array of x's dtype and shape holding x filtered: 1-D is one stream (channel "
          "0), 2-D is frames x channels, column c through channel c. Each channel's history "
          "carries on from its last sample. TypeError for a dtype other than float32, float64 "
          "or longdouble; ValueError for other than 1 or 2 dimensions or 0 columns.")
      .def(
          "process_inplace",
          [](IIRFilterObject& s, py::handle x) { Process(s, x, true); }, py::arg("x"),
          "process_inplace(x: numpy.ndarray) -> None\n\nAs process, with the result written over x (ValueError when x is read-only).")
      .def(
          "reset",
          [](IIRFilterObject& s, py::handle x0) {
            const bool steady = !x0.is_none();
            const Extended level = steady ? ToExtended(x0, "x0") : 0.0L;
            CheckIdle(s);
            if (steady)
              s.filters.Reset(level);
            else
              s.filters.Reset();
          },
          py::arg("x0") = py::none(),
          "reset(x0: float | None = None) -> None\n\nWithout x0, silences the history of every "
          "channel. With x0, sets every channel's history to the steady state of the constant "
          "input x0, so that feeding x0 gives its steady output from the first sample "
          "(ValueError when x0 is not finite). The design is kept either way.")
      .def("frequency_response", &FrequencyResponse, py::arg("hz"),
           "frequency_response(hz: array_like) -> numpy.ndarray\n\nComplex response H at each frequency in hz (Hz), input scale included, as a "
           "clongdouble array of hz's shape: a lowpass reads 1 at 0 Hz. The bandpass and "
           "bandstop with equal edges read 0 and 1, as they filter.")
      .def("group_delay", &GroupDelay, py::arg("hz"),
           "group_delay(hz: array_like) -> numpy.ndarray\n\nGroup delay of the design in samples "
           "at each frequency in hz (Hz), in closed form from the z-plane poles and zeros, as a "
           "longdouble array of hz's shape; 0 for the equal-edge band forms.")
      .def("__repr__", &Repr, "repr(self) -> str");
}

}  // namespace tessaro::python
