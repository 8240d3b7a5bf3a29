#include "background/background_fixture.h"

namespace morvane::testing {
namespace {

class SchedulerTest : public BackgroundTest {
 protected:
  void SwitchOn(const Text& interval) {
    app.lstSettingsFile[4] = "1";
    app.lstSettingsFile[8] = interval;
    screen.ApplySettings();
    start = machine.clock.now;
  }
  Text SavedLine(size_t i) {
    ListBox saved;
    SettingsStore(ctx, app).LoadFiles("\\Settings\\", "Settings.stg", saved);
    return i < saved.size() ? saved[i] : "<missing>";
  }
};

TEST_F(SchedulerTest, AnHourAtThirtyMinutesScansTwiceAndCountsDown) {
  SwitchOn("30");
  RunSeconds(59);
  EXPECT_EQ(Label(), " Next Auto Scan in 29 minutes and 1 seconds");
  RunSeconds(1);
  EXPECT_EQ(Label(), " Next Auto Scan in 28 minutes and 60 seconds");
  RunSeconds(1);
  EXPECT_EQ(Label(), " Next Auto Scan in 28 minutes and 59 seconds");
  RunSeconds(3600 - 61);
  EXPECT_EQ(scanStarts, (std::vector<int>{1800, 3600}));
  EXPECT_TRUE(app.AutoScan);
}

TEST_F(SchedulerTest, TheIntervalCountsFromTheDueTimeIncludingTheScan) {
  scanSeconds = 150;  // the clock goes on during the scan's yields
  SwitchOn("5");
  RunSeconds(300);
  ASSERT_EQ(scanStarts, std::vector<int>{300});
  EXPECT_EQ(elapsed(), 450);
  EXPECT_EQ(scheduler.txtSeconds, "0");
  EXPECT_EQ(scheduler.txtMinutes, "2");
  // The part minute of the scan is dropped: three more minutes to go.
  RunSeconds(180);
  EXPECT_EQ(scanStarts, (std::vector<int>{300, 630}));
}

TEST_F(SchedulerTest, LoweringTheIntervalScansAtTheNextMinuteStep) {
  SwitchOn("30");
  RunSeconds(10 * 60 + 30);
  app.lstSettingsFile[8] = "5";
  RunSeconds(29);
  EXPECT_TRUE(scanStarts.empty());
  RunSeconds(1);
  EXPECT_EQ(scanStarts, std::vector<int>{660});
}

TEST_F(SchedulerTest, ADueTimeDuringAManualScanStartsNothingAndRestartsTheCount) {
  SwitchOn("10");
  RunSeconds(9 * 60);
  ctx.OperationInProgress = true;
  RunSeconds(60);
  EXPECT_TRUE(scanStarts.empty());
  EXPECT_EQ(scheduler.txtMinutes, "0");
  ctx.OperationInProgress = false;
  RunSeconds(10 * 60);
  EXPECT_EQ(scanStarts, std::vector<int>{1200});
}

TEST_F(SchedulerTest, OffAndOnAgainRestartsFromZero) {
  SwitchOn("30");
  RunSeconds(10 * 60);
  screen.chkSettings_Click(4, false);
  EXPECT_FALSE(scheduler.ClockRunning());
  EXPECT_EQ(Label(), " Active Spyware Protection is OFF");
  RunSeconds(60);
  screen.chkSettings_Click(4, true);
  start = machine.clock.now;
  // Applying again while counting keeps the count.
  RunSeconds(60);
  screen.ApplySettings();
  RunSeconds(29 * 60);
  EXPECT_EQ(scanStarts, std::vector<int>{1800});
}

// "0" switches off at the next clock second and saves the settings file at
// once; so does an interval that is no whole number of minutes of at least one.
TEST_F(SchedulerTest, ZeroOrNoIntervalSwitchesOffAndSaves) {
  for (const char* interval : {"0", "abc", "", "0.5", "-3", " 0"}) {
    SCOPED_TRACE(interval);
    SwitchOn(interval);
    ASSERT_TRUE(scheduler.ClockRunning());
    RunSeconds(1);
    EXPECT_FALSE(scheduler.ClockRunning());
    EXPECT_EQ(app.lstSettingsFile[4], "0");
    EXPECT_EQ(SavedLine(4), "0");
    EXPECT_FALSE(view.boxes[4]);
    EXPECT_EQ(Label(), " Active Spyware Protection is OFF");
  }
  EXPECT_TRUE(scanStarts.empty());
  // A fraction counts by its whole minutes.
  SwitchOn("1.5");
  RunSeconds(60);
  EXPECT_EQ(scanStarts, std::vector<int>{60});
}

}  // namespace
}  // namespace morvane::testing
