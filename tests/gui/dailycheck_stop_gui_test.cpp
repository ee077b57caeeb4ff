// Stop on the Daily check page, pressed in the window in every state of its loop: the loop
// ends there and then, and stays ended.
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "tests/gui/app_fixture.h"

namespace kestrel::app::testing {
namespace {

class DailyCheckStopTest : public AppTest {
 protected:
  explicit DailyCheckStopTest(const sim::Faults& faults = SlowFaults()) : AppTest(faults) {
    windows->Form1->SpeedButton1->click();
    ShowPage(kDailyCheck);
    dailycheck().SoundCheckBox.SetChecked(false);
  }
  dailycheck::DailyCheckPage& dailycheck() { return Window()->dailycheck; }

  void StartOn(const char* element) {
    dailycheck().Nedc.SetText(element);
    QTest::mouseClick(Find<QToolButton>("Adddc"), Qt::LeftButton);
    QTest::mouseClick(Find<QToolButton>("Startdc"), Qt::LeftButton);
  }
  // The engineer's click, where the button is drawn.
  void PressStop() { QTest::mouseClick(Find<QToolButton>("Stopdc"), Qt::LeftButton); }

  // Nothing runs any more, and nothing starts again by itself.
  void ExpectStopped() {
    EXPECT_FALSE(dailycheck().Timerdc.Enabled());
    EXPECT_FALSE(dailycheck().Timerdc_release.Enabled());
    EXPECT_FALSE(Window()->IdTelnetdc.Connected());
    EXPECT_TRUE(Find<QWidget>("Animate2")->isHidden());
    const std::string report = dailycheck().Memoreportdc.Text();
    QTest::qWait(700);  // past the shortened watchdog and release pause
    EXPECT_FALSE(Window()->IdTelnetdc.Connected());
    EXPECT_FALSE(dailycheck().Timerdc.Enabled());
    EXPECT_EQ(dailycheck().Memoreportdc.Text(), report);
  }
};

TEST_F(DailyCheckStopTest, StopWithTheSessionOpen) {
  StartOn("BSC9");
  ASSERT_TRUE(RunUntil([&] { return dailycheck().DcAttached; }));
  PressStop();
  ExpectStopped();
}

TEST_F(DailyCheckStopTest, StopDuringAReleasePause) {
  dailycheck().SoftErrorCheckBox.SetChecked(true);  // SYRIP:SURVEY; and a release
  dailycheck().Timerdc_release.SetInterval(500);
  StartOn("MSC9");
  ASSERT_TRUE(RunUntil([&] { return dailycheck().Timerdc_release.Enabled(); }, 10000));
  PressStop();
  ExpectStopped();
}

TEST_F(DailyCheckStopTest, StopWithTheGatewayDown) {
  dailycheck().Timerdc.SetInterval(200);
  StartOn("BSC9");
  ASSERT_TRUE(RunUntil([&] { return dailycheck().DcAttached; }));
  gateway.reset();  // the gateway goes away; the watchdog keeps trying
  ASSERT_TRUE(RunUntil([&] {
    return dailycheck().Memoreportdc.Text().find("the watchdog tries the next element") !=
           std::string::npos;
  }));
  PressStop();
  ExpectStopped();
}

// Stop, pressed while a warning sound holds the scan, ends the loop at once and the rest of the
// sound is not played.
TEST_F(DailyCheckStopTest, StopDuringAWarningSound) {
  dailycheck().SoundCheckBox.SetChecked(true);
  dailycheck().Timerdc.SetInterval(200);
  bool pressed_during_sound = false;
  QElapsedTimer sound;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (pressed_during_sound || !dailycheck().Sounding()) return;
    pressed_during_sound = true;
    sound.start();
    PressStop();
    EXPECT_FALSE(Window()->IdTelnetdc.Connected());  // at once, not after the sound
  });
  watcher.start(20);
  StartOn("BSC9");
  ASSERT_TRUE(
      RunUntil([&] { return pressed_during_sound && !dailycheck().Timerdc.Enabled(); }, 10000));
  EXPECT_LT(sound.elapsed(), 1500) << "the warning's remaining beeps were played";
  watcher.stop();
  ExpectStopped();
}

class DailyCheckLoginStopTest : public DailyCheckStopTest {
 protected:
  static sim::Faults SlowLogin() {
    sim::Faults faults = SlowFaults();
    faults.answer_delay_ms = 1000;
    return faults;
  }
  DailyCheckLoginStopTest() : DailyCheckStopTest(SlowLogin()) {}
};

TEST_F(DailyCheckLoginStopTest, StopWhileLoggingIn) {
  StartOn("BSC9");
  ASSERT_TRUE(Window()->IdTelnetdc.Connected());
  ASSERT_FALSE(dailycheck().DcAttached);
  PressStop();
  ExpectStopped();
  EXPECT_FALSE(dailycheck().DcAttached);
}

}  // namespace
}  // namespace kestrel::app::testing
