#include "DesignReport.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include "Decimal.h"
#include "FilterOptions.h"
#include "tessaro/sigcomplex.h"

namespace cli {
namespace {

using tessaro::Extended;
using tessaro::TsigComplex;

constexpr Extended DegreesPerRadian = 180.0L / tessaro::Pi;

std::string Json(Extended value) { return std::isfinite(value) ? Decimal(value) : std::string("null"); }

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char Hex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += Hex[(c >> 4) & 0xF];
      quoted += Hex[c & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

// "re + im i" with both parts read back exactly.
std::string ComplexText(const TsigComplex& z) {
  return Decimal(z.Re) + (std::signbit(z.Im) ? " - " : " + ") + Decimal(std::fabs(z.Im)) + "i";
}

void PrintRoots(std::ostream& out, const char* title, const tessaro::TsigComplex* roots, int count) {
  out << title << " (" << count << ")\n";
  for (int i = 0; i < count; ++i) out << "  " << ComplexText(roots[i]) << '\n';
}

std::string JsonRoots(const tessaro::TsigComplex* roots, int count) {
  std::string text = "[";
  for (int i = 0; i < count; ++i)
    text += (i ? ", [" : "[") + Json(roots[i].Re) + ", " + Json(roots[i].Im) + "]";
  return text + "]";
}

std::string JsonPlane(const tessaro::PoleZeroSet& plane) {
  return "{\"poles\": " + JsonRoots(plane.Poles.data(), plane.PoleCount) +
         ", \"zeros\": " + JsonRoots(plane.Zeros.data(), plane.ZeroCount) + "}";
}

template <class Values>
std::string JsonArray(const Values& values, std::size_t count) {
  std::string text = "[";
  for (std::size_t i = 0; i < count; ++i) text += (i ? ", " : "") + Json(values[i]);
  return text + "]";
}

// Members of one JSON object, written one per line.
class TJsonObject {
 public:
  void Add(const std::string& name, const std::string& value) { members_.push_back({name, value}); }
  void Print(std::ostream& out, const std::string& indent) const {
    out << "{\n";
    for (std::size_t i = 0; i < members_.size(); ++i)
      out << indent << "  " << JsonString(members_[i].first) << ": " << members_[i].second
          << (i + 1 < members_.size() ? ",\n" : "\n");
    out << indent << '}';
  }

 private:
  std::vector<std::pair<std::string, std::string>> members_;
};

// The largest radius of the poles that run: the roots of the direct form's
// denominator, or those of the sections' z^2 - a1 z - a2 (z - a1 for a
// first-order one).
Extended RealisedRadius(const tessaro::TsigCustomIIRFilter& filter, const tessaro::TsigIIRRealisation& r) {
  if (r.Structure != tessaro::fsCascade) return r.LargestRadius;
  Extended largest = 0.0L;
  for (const tessaro::TsigIIRSection& s : filter.Sections()) {
    Extended radius = std::fabs(s.A1);
    if (s.Order == 2) {
      const Extended discriminant = s.A1 * s.A1 + 4.0L * s.A2;
      radius = discriminant < 0.0L ? std::sqrt(-s.A2)
                                   : (std::fabs(s.A1) + std::sqrt(discriminant)) / 2.0L;
    }
    largest = std::max(largest, radius);
  }
  return largest;
}

std::string RealisationText(const tessaro::TsigIIRRealisation& r) {
  if (r.Structure != tessaro::fsCascade) return "direct form";
  return "cascade of " + std::to_string(r.SectionCount) + (r.SectionCount == 1 ? " section" : " sections");
}

std::string JsonSections(std::span<const tessaro::TsigIIRSection> sections) {
  std::string text = "[";
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const tessaro::TsigIIRSection& s = sections[i];
    text += (i ? ", [" : "[") + Json(s.B0) + ", " + Json(s.B1) + ", " + Json(s.B2) + ", " + Json(s.A1) + ", " +
            Json(s.A2) + "]";
  }
  return text + "]";
}

}  // namespace

std::vector<TResponsePoint> ResponseTable(const tessaro::TsigCustomIIRFilter& filter, int count) {
  std::vector<TResponsePoint> table;
  const Extended rate = filter.SampleRate();
  for (int k = 0; k < count; ++k) {
    TResponsePoint point;
    point.Frequency = count > 1 ? rate / 2.0L * k / (count - 1) : 0.0L;
    const TsigComplex h = filter.FrequencyResponse(point.Frequency);
    const Extended magnitude = tessaro::Magnitude(h);
    point.MagnitudeDb = 20.0L * std::log10(magnitude);
    if (magnitude == 0.0L) {
      point.PhaseDegrees = point.GroupDelay = std::numeric_limits<Extended>::quiet_NaN();
    } else {
      point.PhaseDegrees = std::atan2(h.Im, h.Re) * DegreesPerRadian;
      point.GroupDelay = filter.GroupDelay(point.Frequency);
    }
    table.push_back(point);
  }
  return table;
}

void PrintDesignText(std::ostream& out, const tessaro::TsigCustomIIRFilter& filter) {
  out << "Kind        " << KindName(filter.Kind()) << '\n'
      << "Response    " << ResponseName(filter.Response()) << '\n'
      << "Order       " << filter.Order() << '\n'
      << "Frequency1  " << Decimal(filter.Frequency1()) << " Hz\n"
      << "Frequency2  " << Decimal(filter.Frequency2()) << " Hz\n"
      << "SampleRate  " << Decimal(filter.SampleRate()) << " Hz\n"
      << "Ripple      " << Decimal(filter.Ripple()) << " dB\n"
      << "Structure   " << StructureName(filter.Structure()) << '\n'
      << "Message     " << (filter.DesignMessage().empty() ? "(none)" : filter.DesignMessage()) << '\n';
  const tessaro::TsigIIRRealisation r = filter.Realisation();
  out << "Realisation " << RealisationText(r) << '\n'
      << "Stability   direct form " << (r.DirectFormSound ? "sound" : "unsound") << ", realised pole radius "
      << Decimal(RealisedRadius(filter, r)) << '\n';
  const int n = filter.CoefficientCount();
  out << "InputScale  " << Decimal(filter.InputScale()) << "\n\n"
      << "y[n] = g x[n] + sum over i < N of (b[i] g x[n-N+i] + a[i] y[n-N+i]), g = InputScale, N = " << n << '\n';
  const auto b = filter.InputCoefficients();
  const auto a = filter.OutputCoefficients();
  for (int i = 0; i < n; ++i) {
    const std::string left = "  b[" + std::to_string(i) + "] = " + Decimal(b[i]);
    out << left << std::string(left.size() < 36 ? 36 - left.size() : 1, ' ') << "a[" << i << "] = " << Decimal(a[i])
        << '\n';
  }
  out << '\n';
  if (r.Structure == tessaro::fsCascade) {
    const auto sections = filter.Sections();
    out << "Sections (" << sections.size() << "), in running order, each y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + "
        << "a1 y[n-1] + a2 y[n-2]\n";
    for (const tessaro::TsigIIRSection& section : sections)
      out << "  " << Decimal(section.B0) << "  " << Decimal(section.B1) << "  " << Decimal(section.B2) << "  "
          << Decimal(section.A1) << "  " << Decimal(section.A2) << '\n';
    out << '\n';
  }
  const tessaro::PoleZeroSet& z = filter.ZPlane();
  PrintRoots(out, "Poles, z plane", z.Poles.data(), z.PoleCount);
  PrintRoots(out, "Zeros, z plane", z.Zeros.data(), z.ZeroCount);
  const tessaro::PoleZeroSet& s = filter.SPlane();
  PrintRoots(out, "Poles, s plane", s.Poles.data(), s.PoleCount);
  PrintRoots(out, "Zeros, s plane", s.Zeros.data(), s.ZeroCount);
}

void PrintDesignJson(std::ostream& out, const tessaro::TsigCustomIIRFilter& filter,
                     const std::vector<TResponsePoint>& response) {
  const auto n = static_cast<std::size_t>(filter.CoefficientCount());
  TJsonObject design;
  design.Add("kind", JsonString(std::string(KindName(filter.Kind()))));
  design.Add("response", JsonString(std::string(ResponseName(filter.Response()))));
  design.Add("order", std::to_string(filter.Order()));
  design.Add("frequency1", Json(filter.Frequency1()));
  design.Add("frequency2", Json(filter.Frequency2()));
  design.Add("sampleRate", Json(filter.SampleRate()));
  design.Add("ripple", Json(filter.Ripple()));
  design.Add("designMessage", JsonString(filter.DesignMessage()));
  const tessaro::TsigIIRRealisation r = filter.Realisation();
  TJsonObject realisation;
  realisation.Add("structure", JsonString(std::string(StructureName(r.Structure))));
  realisation.Add("sections", std::to_string(r.SectionCount));
  realisation.Add("largestRadius", Json(r.LargestRadius));
  realisation.Add("responseDeviation", Json(r.ResponseDeviation));
  realisation.Add("steadyDeviation", Json(r.SteadyDeviation));
  realisation.Add("directFormSound", r.DirectFormSound ? "true" : "false");
  realisation.Add("realisedPoleRadius", Json(RealisedRadius(filter, r)));
  std::ostringstream realisationText;
  realisation.Print(realisationText, "  ");
  design.Add("structure", JsonString(std::string(StructureName(filter.Structure()))));
  design.Add("realisation", realisationText.str());
  design.Add("sections", JsonSections(filter.Sections()));
  design.Add("inputScale", Json(filter.InputScale()));
  design.Add("coefficientCount", std::to_string(n));
  design.Add("inputCoefficients", JsonArray(filter.InputCoefficients(), n));
  design.Add("outputCoefficients", JsonArray(filter.OutputCoefficients(), n));
  design.Add("zPlane", JsonPlane(filter.ZPlane()));
  design.Add("sPlane", JsonPlane(filter.SPlane()));
  if (!response.empty()) {
    std::vector<Extended> column(response.size());
    const auto columnOf = [&](Extended TResponsePoint::*field) {
      for (std::size_t i = 0; i < response.size(); ++i) column[i] = response[i].*field;
      return JsonArray(column, column.size());
    };
    TJsonObject table;
    table.Add("frequency", columnOf(&TResponsePoint::Frequency));
    table.Add("magnitudeDb", columnOf(&TResponsePoint::MagnitudeDb));
    table.Add("phaseDegrees", columnOf(&TResponsePoint::PhaseDegrees));
    table.Add("groupDelaySamples", columnOf(&TResponsePoint::GroupDelay));
    std::ostringstream text;
    table.Print(text, "  ");
    design.Add("responseTable", text.str());
  }
  design.Print(out, "");
  out << '\n';
}

void PrintResponseCsv(std::ostream& out, const std::vector<TResponsePoint>& response) {
  out << "frequency_hz,magnitude_db,phase_degrees,group_delay_samples\n";
  for (const TResponsePoint& p : response)
    out << Decimal(p.Frequency) << ',' << Decimal(p.MagnitudeDb) << ',' << Decimal(p.PhaseDegrees) << ','
        << Decimal(p.GroupDelay) << '\n';
}

}  // namespace cli
