#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tessaro/sigComponent.h"

namespace {

using tessaro::TComponent;

// Records the order in which components are destroyed.
class Tracked : public TComponent {
 public:
  Tracked(TComponent* owner, std::string id, std::vector<std::string>& log)
      : TComponent(owner), id_(std::move(id)), log_(log) {}
  ~Tracked() override { log_.push_back(id_); }

 private:
  std::string id_;
  std::vector<std::string>& log_;
};

TEST(Component, OwnerDestroysOwnedNewestFirst) {
  std::vector<std::string> log;
  {
    Tracked root(nullptr, "root", log);
    auto* a = new Tracked(&root, "a", log);
    new Tracked(a, "a1", log);
    new Tracked(&root, "b", log);
    EXPECT_EQ(root.Components().size(), 2u);
    EXPECT_EQ(a->Owner(), &root);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"root", "b", "a", "a1"}));
}

TEST(Component, DeletedChildLeavesItsOwner) {
  std::vector<std::string> log;
  Tracked root(nullptr, "root", log);
  auto* a = new Tracked(&root, "a", log);
  delete a;
  EXPECT_TRUE(root.Components().empty());
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblings) {
  TComponent root;
  auto* a = new TComponent(&root);
  auto* b = new TComponent(&root);
  a->SetName("sigIIRFilter1");
  EXPECT_EQ(root.FindComponent("sigIIRFilter1"), a);
  EXPECT_EQ(root.FindComponent(""), nullptr);
  for (const char* bad : {"1abc", "a b", "a-b", ""}) {
    if (std::string(bad).empty()) continue;
    EXPECT_THROW(b->SetName(bad), std::invalid_argument) << bad;
  }
  EXPECT_THROW(b->SetName("sigIIRFilter1"), std::invalid_argument);
  EXPECT_EQ(b->Name(), "");
  b->SetName("_x9");
  EXPECT_EQ(b->Name(), "_x9");
  a->SetName("");
  EXPECT_EQ(root.FindComponent("sigIIRFilter1"), nullptr);
}

TEST(Component, InsertComponentTakesOwnershipOnce) {
  TComponent root;
  auto* loose = new TComponent;
  root.InsertComponent(loose);
  EXPECT_EQ(loose->Owner(), &root);
  EXPECT_THROW(root.InsertComponent(loose), std::invalid_argument);
  EXPECT_THROW(root.InsertComponent(nullptr), std::invalid_argument);
  EXPECT_THROW(root.InsertComponent(&root), std::invalid_argument);
}

TEST(Component, TagAndClass) {
  TComponent c;
  EXPECT_EQ(c.Tag(), 0);
  c.SetTag(-42);
  EXPECT_EQ(c.Tag(), -42);
  EXPECT_EQ(c.ClassType().Name, "TComponent");
  EXPECT_TRUE(c.ClassType().Properties.empty());
  EXPECT_NE(tessaro::FindClass("TsigIIRFilter"), nullptr);
  EXPECT_NE(tessaro::FindClass("TsigFFT"), nullptr);
  EXPECT_EQ(tessaro::FindClass("TNoSuchClass"), nullptr);
  EXPECT_THROW(tessaro::CreateComponent("TNoSuchClass", nullptr), std::invalid_argument);
}

}  // namespace
