// Stored forms: the text in which components are written and read back.
//
//   object sigIIRFilter1: TsigIIRFilter
//     Kind = fkBessel
//     Response = ftLowpass
//     Frequency1 = 1000
//     SampleRate = 44100
//   end
//
// One object per block; a text may hold several blocks. Each block lists the
// stored properties of its class in streaming order as "Name = value".
// Extended values are written in the shortest decimal form that reads back to
// the identical bits (inf and -inf are written as such; NaN never is).
//
// Reading parses and checks the whole text first: unknown class or property,
// a malformed number, an unknown enumeration name, a missing "end" or
// trailing garbage raise TStoredFormError naming the line, and no setter has
// run. Then the values are assigned through the setters in the order written,
// between the component's BeginLoad and EndLoad; if a setter or EndLoad
// throws, the component is put back as it was and the exception propagates.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tessaro/sigComponent.h"

namespace tessaro {

class TStoredFormError : public std::runtime_error {
 public:
  TStoredFormError(int line, const std::string& problem);
  int Line() const noexcept { return line_; }

 private:
  int line_ = 0;
};

// One parsed and checked object block.
struct TStoredObject {
  std::string Name;
  const TComponentClass* Class = nullptr;
  std::vector<std::pair<const TPropertyInfo*, TPropertyValue>> Values;
  int Line = 0;  // line of "object"
};

// Parses and checks a whole text against the class registry.
std::vector<TStoredObject> ParseStoredForm(std::string_view text);

// The stored form of one component: its name, class and stored properties.
std::string WriteComponent(const TComponent& component);

// Reads a text of exactly one block into an existing component, whose class
// must be the block's class. The component's name is set from the block.
void ReadComponent(TComponent& component, std::string_view text);

// Creates one component per block, named and loaded, and hands them to owner.
// All or nothing: on any error no component is left behind. Names must be
// unique among the blocks and the owner's components.
std::vector<TComponent*> LoadComponents(std::string_view text, TComponent& owner);

}  // namespace tessaro
