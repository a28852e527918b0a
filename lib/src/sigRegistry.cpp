#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

#include "tessaro/sigComponent.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro {

namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, TComponentClass, std::less<>> classes;

  Registry() {
    for (const TComponentClass* cls : {&TsigIIRFilter::StaticClass(), &TsigFFT::StaticClass()})
      classes.emplace(std::string(cls->Name), *cls);
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterClass(const TComponentClass& cls) {
  if (cls.Name.empty()) throw std::invalid_argument("A registered class needs a name");
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.classes.insert_or_assign(std::string(cls.Name), cls);
}

const TComponentClass* FindClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto it = r.classes.find(name);
  return it == r.classes.end() ? nullptr : &it->second;
}

TComponent* CreateComponent(std::string_view className, TComponent* owner) {
  const TComponentClass* cls = FindClass(className);
  if (!cls) throw std::invalid_argument("Class " + std::string(className) + " is not registered");
  if (!cls->Create) throw std::invalid_argument("Class " + std::string(className) + " cannot be created");
  return cls->Create(owner);
}

}  // namespace tessaro
