// Components from a stored form: found by name and class, a missing one
// named in the error, a bad form refused whole.
#include "StoredComponents.h"

#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr std::string_view Form = R"(object lowpass: TsigIIRFilter
  Kind = fkBessel
end
object fft: TsigFFT
  BufferSize = 128
end
)";

TEST(StoredComponents, FindsEachComponentByNameAndClass) {
  const TStoredComponents stored(Form);
  EXPECT_EQ(stored.Find<tessaro::TsigIIRFilter>("lowpass").Kind(), tessaro::fkBessel);
  EXPECT_EQ(stored.Find<tessaro::TsigFFT>("fft").BufferSize(), 128);
  EXPECT_EQ(stored.Owner().Components().size(), 2u);
}

TEST(StoredComponents, AMissingOrMistypedComponentIsNamed) {
  const TStoredComponents stored(Form);
  for (const char* name : {"fft", "sigFFT1", ""}) {
    try {
      stored.Find<tessaro::TsigIIRFilter>(name);
      ADD_FAILURE() << "no exception for " << name;
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find("component " + std::string(name) + " "), std::string::npos) << e.what();
    }
  }
}

TEST(StoredComponents, ABadFormCreatesNothing) {
  EXPECT_THROW(TStoredComponents("object a: TsigFFT\nend\nobject b: TNoSuchClass\nend\n"),
               tessaro::TStoredFormError);
}

}  // namespace
