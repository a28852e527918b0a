#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tessaro/sigStoredForm.h"

namespace {

using tessaro::Extended;
using tessaro::TComponent;
using tessaro::TComponentClass;
using tessaro::TStoredFormError;

enum TProbeShape : std::uint8_t { psRound, psSquare };

// A component with one property of each type. Its Level setter rejects 13,
// and its load hooks keep a snapshot so that a failed load can be undone.
class TProbe : public TComponent {
 public:
  using TComponent::TComponent;

  TProbeShape Shape() const { return shape_; }
  void SetShape(TProbeShape v) { if (v <= psSquare) shape_ = v; }
  int Level() const { return level_; }
  void SetLevel(int v) {
    if (v == 13) throw std::invalid_argument("Level = 13 is unlucky");
    level_ = v;
  }
  Extended Gain() const { return gain_; }
  void SetGain(Extended v) { gain_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }

  std::vector<std::string> hooks;
  void BeginLoad() override { hooks.push_back("begin"); saved_ = {shape_, level_, gain_, enabled_}; }
  void EndLoad() override { hooks.push_back("end"); }
  void CancelLoad() noexcept override {
    hooks.push_back("cancel");
    shape_ = saved_.shape_; level_ = saved_.level_; gain_ = saved_.gain_; enabled_ = saved_.enabled_;
  }

  static const TComponentClass& StaticClass() {
    static const TComponentClass cls{
        "TProbe",
        [](TComponent* owner) -> TComponent* { return new TProbe(owner); },
        {tessaro::EnumProperty<TProbe, TProbeShape>("Shape", {"psRound", "psSquare"}, &TProbe::Shape,
                                                    &TProbe::SetShape, [](const TProbe&) { return true; }),
         tessaro::IntegerProperty<TProbe, int, int>("Level", &TProbe::Level, &TProbe::SetLevel,
                                                    [](const TProbe& p) { return p.Level() != 1; }),
         tessaro::ExtendedProperty<TProbe>("Gain", &TProbe::Gain, &TProbe::SetGain,
                                           [](const TProbe& p) { return p.Gain() != 0.0L; }),
         tessaro::BooleanProperty<TProbe>("Enabled", &TProbe::Enabled, &TProbe::SetEnabled,
                                          [](const TProbe& p) { return p.Enabled(); })}};
    return cls;
  }
  const TComponentClass& ClassType() const override { return StaticClass(); }

 private:
  struct State { TProbeShape shape_; int level_; Extended gain_; bool enabled_; };
  TProbeShape shape_ = psRound;
  int level_ = 1;
  Extended gain_ = 0.0L;
  bool enabled_ = false;
  State saved_{};
};

class StoredForm : public ::testing::Test {
 protected:
  void SetUp() override { tessaro::RegisterClass(TProbe::StaticClass()); }
};

TEST_F(StoredForm, WritesStoredPropertiesInOrder) {
  TProbe p;
  p.SetName("probe1");
  EXPECT_EQ(tessaro::WriteComponent(p), "object probe1: TProbe\n  Shape = psRound\nend\n");
  p.SetShape(psSquare);
  p.SetLevel(-7);
  p.SetGain(0.1L);
  p.SetEnabled(true);
  EXPECT_EQ(tessaro::WriteComponent(p),
            "object probe1: TProbe\n  Shape = psSquare\n  Level = -7\n  Gain = 0.1\n  Enabled = True\nend\n");
}

TEST_F(StoredForm, ExtendedValuesRoundTripBitForBit) {
  const Extended values[] = {0.1L, 1.0L / 3.0L, 22049.9999L, -1e-4000L,
                             std::numeric_limits<Extended>::denorm_min(),
                             std::numeric_limits<Extended>::max(),
                             std::numeric_limits<Extended>::min(),
                             std::nextafter(1.0L, 2.0L),
                             std::numeric_limits<Extended>::infinity(),
                             -std::numeric_limits<Extended>::infinity()};
  for (Extended v : values) {
    TProbe a, b;
    a.SetGain(v);
    tessaro::ReadComponent(b, tessaro::WriteComponent(a));
    EXPECT_TRUE(b.Gain() == v) << tessaro::WriteComponent(a);
    EXPECT_EQ(std::signbit(b.Gain()), std::signbit(v));
  }
}

// A text need not be terminated: every number is read inside the view (an
// AddressSanitizer build sees any read past the end of the buffer).
TEST_F(StoredForm, UnterminatedTextIsReadInsideItsView) {
  const std::pair<const char*, Extended> cases[] = {
      {"inf", std::numeric_limits<Extended>::infinity()},
      {"-INFINITY", -std::numeric_limits<Extended>::infinity()},
      {"nan", 0.0L},  // rejected, the gain stays 0
      {"1e-4950", 1e-4950L},
      {"2.5", 2.5L}};
  for (const auto& [value, gain] : cases) {
    const std::string text = std::string("object p: TProbe\n Gain = ") + value + "\nend";
    const auto buffer = std::make_unique<char[]>(text.size());
    std::memcpy(buffer.get(), text.data(), text.size());
    TProbe p;
    try {
      tessaro::ReadComponent(p, std::string_view(buffer.get(), text.size()));
    } catch (const TStoredFormError&) {
    }
    EXPECT_TRUE(p.Gain() == gain) << value;
  }
}

TEST_F(StoredForm, ReadAssignsThroughSettersBetweenHooks) {
  TProbe p;
  tessaro::ReadComponent(p, "\r\n  object  p2 : TProbe \r\n Level=5\n\n  Gain = -2.5e3 \n end\n\n");
  EXPECT_EQ(p.Name(), "p2");
  EXPECT_EQ(p.Level(), 5);
  EXPECT_EQ(p.Gain(), -2500.0L);
  EXPECT_EQ(p.hooks, (std::vector<std::string>{"begin", "end"}));
}

struct BadForm {
  const char* text;
  int line;
  const char* problem;
};

TEST_F(StoredForm, BadFormsNameLineAndProblemAndChangeNothing) {
  const BadForm cases[] = {
      {"object p: TNoSuch\nend\n", 1, "unknown class TNoSuch"},
      {"object p: TProbe\n  Colour = 3\nend\n", 2, "no property \"Colour\""},
      {"object p: TProbe\n  Level = 12x\nend\n", 2, "malformed integer \"12x\""},
      {"object p: TProbe\n  Gain = 1.2.3\nend\n", 2, "malformed number \"1.2.3\""},
      {"object p: TProbe\n  Gain = nan\nend\n", 2, "malformed number \"nan\""},
      {"object p: TProbe\n  Gain =\nend\n", 2, "malformed number \"\""},
      {"object p: TProbe\n  Gain = 1e99999\nend\n", 2, "malformed number \"1e99999\""},
      {"object p: TProbe\n  Shape = psOval\nend\n", 2, "unknown value \"psOval\" for Shape"},
      {"object p: TProbe\n  Enabled = yes\nend\n", 2, "malformed Boolean \"yes\""},
      {"object p: TProbe\n  Level = 2\n", 2, "missing \"end\" of the object begun on line 1"},
      {"object p: TProbe\nend\ngarbage\n", 3, "expected \"object\", found \"garbage\""},
      {"object p: TProbe\n  Level 2\nend\n", 2, "expected \"Name = value\" or \"end\""},
      {"object 9p: TProbe\nend\n", 1, "malformed object name \"9p\""},
      {"", 1, "expected exactly one object, found 0"},
      {"object a: TProbe\nend\nobject b: TProbe\nend\n", 3, "expected exactly one object, found 2"},
      {"object c: TComponent\nend\n", 1, "unknown class TComponent"},
  };
  for (const auto& c : cases) {
    TProbe p;
    p.SetName("keep");
    p.SetLevel(4);
    try {
      tessaro::ReadComponent(p, c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TStoredFormError& e) {
      EXPECT_EQ(e.Line(), c.line) << c.text;
      EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("line " + std::to_string(c.line)), std::string::npos);
    }
    EXPECT_EQ(p.Level(), 4);
    EXPECT_EQ(p.Name(), "keep");
    EXPECT_TRUE(p.hooks.empty()) << "a setter ran for: " << c.text;
  }
}

TEST_F(StoredForm, FailingSetterPutsComponentBack) {
  TProbe p;
  p.SetName("orig");
  EXPECT_THROW(tessaro::ReadComponent(p, "object other: TProbe\n Level = 3\n Gain = 2\n Level = 13\nend\n"),
               std::invalid_argument);
  EXPECT_EQ(p.Level(), 1);
  EXPECT_EQ(p.Gain(), 0.0L);
  EXPECT_EQ(p.Name(), "orig");
  EXPECT_EQ(p.hooks, (std::vector<std::string>{"begin", "cancel"}));
}

TEST_F(StoredForm, IntegersBeyondTheSetterTypeSaturate) {
  const std::pair<const char*, int> cases[] = {{"4294967297", std::numeric_limits<int>::max()},
                                               {"-4294967297", std::numeric_limits<int>::min()},
                                               {"2147483647", 2147483647}};
  for (const auto& [text, level] : cases) {
    TProbe p;
    tessaro::ReadComponent(p, std::string("object p: TProbe\n Level = ") + text + "\nend\n");
    EXPECT_EQ(p.Level(), level) << text;
  }
}

TEST_F(StoredForm, TakenNameFailsAfterBeginLoadAndIsUndone) {
  TComponent owner;
  auto* a = new TProbe(&owner);
  a->SetName("a");
  auto* b = new TProbe(&owner);
  b->SetName("b");
  EXPECT_THROW(tessaro::ReadComponent(*b, "object a: TProbe\n Level = 3\nend\n"), std::invalid_argument);
  EXPECT_EQ(b->Name(), "b");
  EXPECT_EQ(b->Level(), 1);
  EXPECT_EQ(b->hooks, (std::vector<std::string>{"begin", "cancel"}));
}

TEST_F(StoredForm, ReadRejectsAnotherClass) {
  TComponent c;
  EXPECT_THROW(tessaro::ReadComponent(c, "object p: TProbe\nend\n"), TStoredFormError);
}

TEST_F(StoredForm, LoadComponentsIsAllOrNothing) {
  TComponent owner;
  const auto made = tessaro::LoadComponents(
      "object a: TProbe\n Level = 2\nend\nobject b: TProbe\n Enabled = True\nend\n", owner);
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(owner.FindComponent("a"), made[0]);
  EXPECT_EQ(static_cast<TProbe*>(owner.FindComponent("b"))->Enabled(), true);

  TComponent other;
  EXPECT_THROW(tessaro::LoadComponents("object x: TProbe\nend\nobject y: TProbe\n Level = 13\nend\n", other),
               std::invalid_argument);
  EXPECT_TRUE(other.Components().empty());
  EXPECT_THROW(tessaro::LoadComponents("object a: TProbe\nend\n", owner), TStoredFormError);
  EXPECT_THROW(tessaro::LoadComponents("object z: TProbe\nend\nobject z: TProbe\nend\n", other), TStoredFormError);
  EXPECT_EQ(owner.Components().size(), 2u);
  EXPECT_TRUE(other.Components().empty());
}

}  // namespace
