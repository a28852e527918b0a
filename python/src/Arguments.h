// Arguments: the module's enumerations as Python IntEnum classes (Kind, Response,
// Structure, Window, Twiddles), and the conversions of Python arguments into library values that
// name the argument when they refuse one.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <span>
#include <string>

#include "tessaro/sigTypes.h"

namespace tessaro::python {

namespace py = pybind11;

// Type names for messages: "list", "dtype('>f8')".
std::string TypeName(py::handle value);
std::string DtypeName(const py::dtype& dtype);

// Lower-case names by value: what a string argument may say.
inline constexpr const char* KindNames[] = {"butterworth", "chebyshev", "bessel"};
inline constexpr const char* ResponseNames[] = {"lowpass", "highpass", "bandpass", "bandstop"};
inline constexpr const char* StructureNames[] = {"direct", "cascade", "auto"};
inline constexpr const char* WindowNames[] = {"none",     "hamming", "hanning", "blackman",
                                              "gaussian", "welch",   "parzen"};
inline constexpr const char* TwiddlesNames[] = {"recurrence", "exact"};

// The member of the named IntEnum class for value.
py::object EnumMember(const char* enumeration, int value);

// The value of a member of that IntEnum, a whole number within range or one
// of names (any case). TypeError for other types, ValueError for other
// values, both naming argument.
int ToEnumValue(py::handle value, const char* argument, std::span<const char* const> names);

// A real number as Extended: a numpy.longdouble keeps all its bits, other
// numbers go through float. TypeError naming argument otherwise.
Extended ToExtended(py::handle value, const char* argument);

// A numpy.longdouble scalar holding value exactly.
py::object FromExtended(Extended value);

// A whole number (anything with __index__) within [low, high]; TypeError or
// ValueError naming argument.
long long ToWhole(py::handle value, const char* argument, long long low, long long high);

}  // namespace tessaro::python
