// What design prints about a filter: its properties after clamping, the
// realisation in force and the direct form's verdict, its coefficients (and
// in JSON the cascade's sections), poles and zeros, input scale and design
// message, as text or JSON, and its frequency response as a table.
#pragma once

#include <iosfwd>
#include <vector>

#include "tessaro/sigIIRFilters.h"

namespace cli {

// One row of the response table. The magnitude is 20 log10 |H| (-inf at a
// zero); the phase is arg H in degrees, (-180, 180]; the group delay is
// -d(arg H)/d(omega) in samples, the design's own in closed form. Phase and
// delay are NaN where H is 0.
struct TResponsePoint {
  long double Frequency = 0.0L;  // Hz
  long double MagnitudeDb = 0.0L;
  long double PhaseDegrees = 0.0L;
  long double GroupDelay = 0.0L;  // samples
};

// count frequencies from 0 to SampleRate/2, evenly spaced (0 alone for 1).
std::vector<TResponsePoint> ResponseTable(const tessaro::TsigCustomIIRFilter& filter, int count);

void PrintDesignText(std::ostream& out, const tessaro::TsigCustomIIRFilter& filter);
// One JSON object; the response table as arrays when it has rows. Every
// number is the shortest decimal that reads back to the same extended
// value; non-finite values are null.
void PrintDesignJson(std::ostream& out, const tessaro::TsigCustomIIRFilter& filter,
                     const std::vector<TResponsePoint>& response);
// A header line, then one line per row.
void PrintResponseCsv(std::ostream& out, const std::vector<TResponsePoint>& response);

}  // namespace cli
