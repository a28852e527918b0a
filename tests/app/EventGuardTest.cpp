// A handler run inside the guard: what escapes it goes to the application's
// report, once, and the caller goes on.
#include "Application.h"
#include "EventGuard.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

TEST(EventGuard, AnEscapingExceptionGoesToTheApplicationsReport) {
  TApplication* app = TApplication::Instance();
  ASSERT_NE(app, nullptr);
  QStringList reported;
  app->SetExceptionReport([&reported](const QString& message) { reported << message; });
  struct Case {
    const char* Name;
    std::function<void()> Handler;
    QStringList Reported;
  };
  const Case cases[] = {
      {"returns", [] {}, {}},
      {"std::exception", [] { throw std::overflow_error("design overflow in Ripple"); },
       {"design overflow in Ripple"}},
      {"anything else", [] { throw 42; }, {"Unknown exception"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    reported.clear();
    int ranBefore = 0;
    RunGuarded([&] {
      ++ranBefore;
      c.Handler();
    });
    // The guard returned to its caller: the handler ran once, and what it
    // threw was reported once.
    EXPECT_EQ(ranBefore, 1);
    EXPECT_EQ(reported, c.Reported);
  }
  app->SetExceptionReport(nullptr);
}

}  // namespace
