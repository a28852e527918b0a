// A filter's stored form in a text file, so that a filter tuned in the
// demonstration can be used by any program that links the library:
//
//   object sigIIRFilter1: TsigIIRFilter
//     Kind = fkChebyshev
//     ...
//   end
//
// Both calls throw std::runtime_error with a message that names the file
// and what went wrong (for a text the reader refuses, its line and problem).
#pragma once

#include <tessaro/sigIIRFilters.h>

#include <QString>

// Writes the stored form of filter to path, replacing the file whole: a
// failed write leaves any earlier file as it was.
void SaveFilterFile(const tessaro::TsigIIRFilter& filter, const QString& path);

// Reads the file at path (at most MaxFilterFileBytes) as the stored form of
// one filter and gives filter every property of it, as loading that form
// into a new filter would: the properties the form leaves out take their
// defaults, the values are not clamped to anything but the filter's own
// ranges, and the filter redesigns once. The filter keeps its name. On any
// failure the filter is left exactly as it was.
void LoadFilterFile(tessaro::TsigIIRFilter& filter, const QString& path);

inline constexpr qint64 MaxFilterFileBytes = 1 << 20;
