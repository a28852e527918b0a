#include "ChannelFilters.h"

#include <utility>

#include "tessaro/sigStoredForm.h"

namespace tessaro::python {

ChannelFilters::ChannelFilters(const InitialProperties& initial) : origin_(initial) {
  channels_.push_back(Replay());
}

ChannelFilters::ChannelFilters(std::string storedForm) : origin_(std::move(storedForm)) {
  channels_.push_back(Replay());
}

// The setters in streaming order between BeginLoad and EndLoad; a setter
// that throws (a NaN) leaves the load to be cancelled.
void ChannelFilters::Load(TsigCustomIIRFilter& filter, const InitialProperties& initial) {
  filter.BeginLoad();
  try {
    filter.SetKind(initial.Kind);
    filter.SetResponse(initial.Response);
    filter.SetOrder(initial.Order);
    filter.SetFrequency1(initial.Frequency1);
    filter.SetFrequency2(initial.Frequency2);
    filter.SetSampleRate(initial.SampleRate);
    filter.SetRipple(initial.Ripple);
    filter.SetManualReset(initial.ManualReset);
    filter.SetStructure(initial.Structure);
    filter.EndLoad();
  } catch (...) {
    filter.CancelLoad();
    throw;
  }
}

void ChannelFilters::Apply(TsigCustomIIRFilter& filter, const Assignment& a) {
  using P = Assignment::Property;
  switch (a.Which) {
    case P::Kind: filter.SetKind(static_cast<TsigIIRFilterKind>(a.Value)); break;
    case P::Response: filter.SetResponse(static_cast<TsigIIRFilterResponse>(a.Value)); break;
    case P::Order: filter.SetOrder(static_cast<int>(a.Value)); break;
    case P::Frequency1: filter.SetFrequency1(a.Value); break;
    case P::Frequency2: filter.SetFrequency2(a.Value); break;
    case P::SampleRate: filter.SetSampleRate(a.Value); break;
    case P::Ripple: filter.SetRipple(a.Value); break;
    case P::ManualReset: filter.SetManualReset(a.Value != 0.0L); break;
    case P::Structure: filter.SetStructure(static_cast<TsigIIRStructure>(a.Value)); break;
  }
}

std::unique_ptr<TsigIIRFilter> ChannelFilters::Replay() const {
  auto filter = std::make_unique<TsigIIRFilter>();
  if (const auto* initial = std::get_if<InitialProperties>(&origin_))
    Load(*filter, *initial);
  else
    ReadComponent(*filter, std::get<std::string>(origin_));
  for (const Assignment& a : assignments_) Apply(*filter, a);
  return filter;
}

void ChannelFilters::Provide(std::size_t count) {
  if (count <= channels_.size()) return;
  channels_.reserve(count);
  while (channels_.size() < count) channels_.push_back(Replay());
}

void ChannelFilters::Assign(const Assignment& assignment) {
  const bool collapse = !assignments_.empty() && assignments_.back().Which == assignment.Which &&
                        assignment.Which != Assignment::Property::SampleRate;
  if (!collapse) assignments_.reserve(assignments_.size() + 1);  // no throw after channel 0 changed
  Apply(*channels_.front(), assignment);
  if (collapse)
    assignments_.back() = assignment;
  else
    assignments_.push_back(assignment);
  // The other channels take the same design channel 0 just took. Should one
  // fail all the same, it and those after it go, to be replayed when needed.
  for (std::size_t c = 1; c < channels_.size(); ++c) {
    try {
      Apply(*channels_[c], assignment);
    } catch (...) {
      channels_.resize(c);
      break;
    }
  }
}

void ChannelFilters::Reset() noexcept {
  for (auto& channel : channels_) channel->Reset();
}

// Channel 0 goes first and refuses x0 before anything has changed; the
// others then take it as well.
void ChannelFilters::Reset(Extended x0) {
  for (auto& channel : channels_) channel->Reset(x0);
}

}  // namespace tessaro::python
