// SPDX-License-Identifier: GPL-3.0-or-later
#include "webpanel/WebPanel.h"

#include <gtest/gtest.h>

#include "support/FakeControls.h"
#include "support/ManualClock.h"

namespace tessaly::test {
namespace {

// A page whose body throws, as a broken document might.
class ThrowingPage final : public ui::WebPage {
 public:
  void navigate(const std::string&) override {}
  bool setBodyProperty(const std::string&, const std::string&) override { throw std::runtime_error("no body"); }
};

TEST(WebPanel, EveryTickTurnsTheScrollBarsOffOnceThereIsABody) {
  ManualClock clock;
  auto timer6 = clock.makeTimer();
  FakeWebPage page;
  WebPanel panel(page, *timer6);
  EXPECT_TRUE(timer6->enabled());
  EXPECT_EQ(timer6->interval(), 1000);

  panel.navigate(WebPanel::pageAddress("/opt/tessaly"));
  EXPECT_EQ(page.navigations, (std::vector<std::string>{"/opt/tessaly/0091.htm"}));
  clock.advance(1000);  // no document yet: nothing happens, nothing is said
  EXPECT_TRUE(page.properties.empty());
  page.hasBody = true;
  clock.advance(1000);
  EXPECT_EQ(page.properties["Scroll"], "no");
  page.properties.clear();  // a page reloaded in the panel loses its scroll bars again
  clock.advance(1000);
  EXPECT_EQ(page.properties["Scroll"], "no");
  EXPECT_EQ(timer6->ticks(), 3);
  EXPECT_EQ(page.navigations.size(), 1u);  // never navigated again
}

TEST(WebPanel, FailuresOfThePageAreSwallowed) {
  ManualClock clock;
  auto timer6 = clock.makeTimer();
  ThrowingPage page;
  WebPanel panel(page, *timer6);
  EXPECT_NO_THROW(clock.advance(5000));
  EXPECT_TRUE(timer6->enabled());
}

}  // namespace
}  // namespace tessaly::test
