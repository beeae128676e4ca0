// The alarm settings window: the class list and the two sliders change the criterion at once,
// Cancel puts back kind and intensity only, and a showing brings stored values onto the sliders.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>

#include "ui/PanelFixture.h"

namespace tevra::test {
namespace {

class AlarmFormTest : public PanelTest {
 protected:
  void Open(const TPanelSetup& setup) {
    CreatePanel(setup);
    panel_->N5Click();
    ASSERT_TRUE(form3_->isVisible());
  }
  // With the keyboard on the closed list, as a user steps through it.
  void ChooseClass(int index) {
    QTest::keyClick(form3_->ComboBox1, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(form3_->ComboBox1, Qt::Key_Down);
  }
  void Pick(QRadioButton* radio) {
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
  }
  std::string MainLabel() const { return panel_->Label1->text().toStdString(); }
  const TPanelSettings& S() const { return panel_->Settings; }
};

TEST_F(AlarmFormTest, ClassChoiceStoresItsLowerBoundAndMovesTheSlider) {
  Open({.AlarmKind = 0, .AlarmIntensity = 1.5});
  EXPECT_EQ(form3_->ComboBox1->count(), 9);
  EXPECT_EQ(form3_->ComboBox1->itemText(4).toStdString(), "５弱");
  ChooseClass(6);
  EXPECT_EQ(S().AlarmIntensity, 5.5);
  EXPECT_EQ(form3_->TrackBar1->value(), 55);
  EXPECT_EQ(form3_->Label5->text().toStdString(), "5.5");
  EXPECT_EQ(MainLabel(), "警報震度 ６弱 (震度階級)");

  ChooseClass(5);
  EXPECT_EQ(S().AlarmIntensity, 5.0);
  EXPECT_EQ(MainLabel(), "警報震度 ５強 (震度階級)");
  QTest::mouseClick(form3_->Button1, Qt::LeftButton);
  EXPECT_FALSE(form3_->isVisible());
  panel_->N5Click();
  EXPECT_EQ(form3_->ComboBox1->currentText().toStdString(), "５強") << "re-opening selects it again";
  EXPECT_EQ(S().AlarmIntensity, 5.0);
}

TEST_F(AlarmFormTest, IntensitySliderSetsTenthsAndFollowsWithTheClassList) {
  Open({.AlarmKind = 1, .AlarmIntensity = 3.0});
  form3_->TrackBar1->setSliderPosition(47);
  EXPECT_DOUBLE_EQ(S().AlarmIntensity, 4.7);
  EXPECT_EQ(form3_->ComboBox1->currentText().toStdString(), "５弱");
  EXPECT_EQ(form3_->Label5->text().toStdString(), "4.7");
  EXPECT_EQ(MainLabel(), "警報震度 4.7 (計測震度)");
  EXPECT_DOUBLE_EQ(S().AlarmIntensity, 4.7) << "following the list does not apply the class";

  // Each class's upper bound stays in its class on the slider too.
  const struct {
    int position;
    const char* item;
  } bounds[] = {{14, "１"},   {15, "２"},   {24, "２"},   {34, "３"}, {44, "４"}, {49, "５弱"},
                {54, "５強"}, {59, "６弱"}, {64, "６強"}, {65, "７"}, {70, "７"}, {0, "１"}};
  for (const auto& b : bounds) {
    form3_->TrackBar1->setSliderPosition(b.position);
    EXPECT_EQ(form3_->ComboBox1->currentText().toStdString(), b.item) << b.position;
  }
  QTest::keyClick(form3_->TrackBar1, Qt::Key_End);
  EXPECT_EQ(S().AlarmIntensity, 7.0);
  QTest::keyClick(form3_->TrackBar1, Qt::Key_Left);
  EXPECT_EQ(form3_->Label5->text().toStdString(), "6.9");
}

TEST_F(AlarmFormTest, AccelerationSliderAndTheEnablingOfTheRows) {
  Open({.AlarmKind = 2, .AlarmAcceleration = 20});
  EXPECT_TRUE(form3_->RadioButton3->isChecked());
  EXPECT_TRUE(form3_->TrackBar2->isEnabled());
  EXPECT_FALSE(form3_->ComboBox1->isEnabled());
  EXPECT_FALSE(form3_->Label3->isEnabled());
  EXPECT_FALSE(form3_->TrackBar1->isEnabled());
  EXPECT_FALSE(form3_->Label5->isEnabled());
  EXPECT_TRUE(form3_->RadioButton1->isEnabled());
  form3_->TrackBar2->setSliderPosition(35);
  EXPECT_EQ(S().AlarmAcceleration, 35);
  EXPECT_EQ(form3_->Label7->text().toStdString(), "35");
  EXPECT_EQ(MainLabel(), "警報加速度　35 (gal)");
  EXPECT_EQ(panel_->Label2->text().toStdString(), "計測加速度(gal)");

  Pick(form3_->RadioButton2);
  EXPECT_EQ(S().AlarmKind, 1);
  EXPECT_TRUE(form3_->TrackBar1->isEnabled());
  EXPECT_TRUE(form3_->Label4->isEnabled());
  EXPECT_FALSE(form3_->TrackBar2->isEnabled());
  EXPECT_FALSE(form3_->Label8->isEnabled());
  EXPECT_FALSE(form3_->ComboBox1->isEnabled());
  EXPECT_EQ(panel_->Label2->text().toStdString(), "計測震度");
}

TEST_F(AlarmFormTest, CancelPutsBackKindAndIntensityButNotAcceleration) {
  Open({.AlarmKind = 2, .AlarmIntensity = 3.0, .AlarmAcceleration = 20});
  QTest::mouseClick(form3_->Button2, Qt::LeftButton);
  EXPECT_EQ(S().AlarmKind, 2) << "cancel at once";
  EXPECT_FALSE(form3_->isVisible());

  panel_->N5Click();
  form3_->TrackBar2->setSliderPosition(60);
  Pick(form3_->RadioButton1);  // applies the list's class "３": 2.5
  EXPECT_EQ(S().AlarmIntensity, 2.5);
  Pick(form3_->RadioButton2);
  EXPECT_EQ(form3_->TrackBar1->value(), 25) << "the slider starts at the class's bound";
  form3_->TrackBar1->setSliderPosition(52);
  QTest::mouseClick(form3_->Button2, Qt::LeftButton);
  EXPECT_EQ(S().AlarmKind, 2);
  EXPECT_EQ(S().AlarmIntensity, 3.0);
  EXPECT_EQ(S().AlarmAcceleration, 60);
  EXPECT_EQ(MainLabel(), "警報加速度　60 (gal)");

  // The next showing starts from the restored values.
  panel_->N5Click();
  EXPECT_TRUE(form3_->RadioButton3->isChecked());
  EXPECT_EQ(form3_->TrackBar1->value(), 30);
  EXPECT_EQ(form3_->ComboBox1->currentText().toStdString(), "３");
  EXPECT_EQ(S().AlarmIntensity, 3.0);
}

TEST_F(AlarmFormTest, ShowingClampsStoredValuesOntoTheSliders) {
  Open({.AlarmKind = 1, .AlarmIntensity = 1.55, .AlarmAcceleration = 150});
  EXPECT_EQ(S().AlarmAcceleration, 100);
  EXPECT_EQ(form3_->Label7->text().toStdString(), "100");
  EXPECT_DOUBLE_EQ(S().AlarmIntensity, 1.5);
  EXPECT_EQ(MainLabel(), "警報震度 1.5 (計測震度)");
  form3_->hide();
  panel_->Settings.AlarmIntensity = 9.0;
  panel_->N5Click();
  EXPECT_EQ(S().AlarmIntensity, 7.0);
  EXPECT_EQ(form3_->ComboBox1->currentText().toStdString(), "７");
  // Huge values stop at the top, shown twice over (the int conversion once overflowed to 0).
  for (const double huge : {1e10, HUGE_VAL}) {
    for (int showing = 0; showing < 2; ++showing) {
      form3_->hide();
      panel_->Settings.AlarmIntensity = huge;
      panel_->N5Click();
      EXPECT_EQ(form3_->TrackBar1->value(), 70) << huge;
      EXPECT_GE(S().AlarmIntensity, 7.0) << huge;
    }
  }
}

TEST_F(AlarmFormTest, ThresholdsInTheFileThatAreNoNumberGiveTheDefaultsNotAnAlarmOnEveryEvaluation) {
  Open({.AlarmKind = 1, .AlarmIntensity = NAN});
  EXPECT_DOUBLE_EQ(S().AlarmIntensity, 1.5);
  EXPECT_EQ(form3_->TrackBar1->value(), 15);
  form3_->hide();
  panel_->N8Click();
  for (int i = 0; i < 30; ++i) Tick(10);
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_FALSE(panel_->AlarmState.Active) << "a quiet site stays below 1.5";
}

TEST_F(AlarmFormTest, ShowingSelectsTheKindWithoutApplyingTheClassList) {
  Open({.AlarmKind = 0, .AlarmIntensity = 2.0});
  EXPECT_TRUE(form3_->RadioButton1->isChecked());
  EXPECT_EQ(form3_->ComboBox1->currentText().toStdString(), "２");
  EXPECT_EQ(S().AlarmIntensity, 2.0) << "not the class's bound 1.5";
  EXPECT_EQ(form3_->Label5->text().toStdString(), "2.0");
  EXPECT_TRUE(form3_->ComboBox1->isEnabled());
  EXPECT_FALSE(form3_->TrackBar1->isEnabled());
  EXPECT_FALSE(form3_->TrackBar2->isEnabled());
}

TEST_F(AlarmFormTest, TitleBarKeepsChangesEscapeCancelsMenuOnlyRaises) {
  Open({.AlarmKind = 1, .AlarmIntensity = 3.0});
  Pick(form3_->RadioButton3);
  form3_->close();
  EXPECT_FALSE(form3_->isVisible());
  EXPECT_EQ(S().AlarmKind, 2) << "the title-bar button acts like OK";

  panel_->N5Click();
  Pick(form3_->RadioButton2);
  panel_->N5Click();  // already open: to the front, no new showing that would save kind 1
  EXPECT_TRUE(form3_->isVisible());
  EXPECT_TRUE(form3_->RadioButton2->isChecked());
  QTest::keyClick(form3_.get(), Qt::Key_Escape);
  EXPECT_FALSE(form3_->isVisible());
  EXPECT_EQ(S().AlarmKind, 2);
}

TEST_F(AlarmFormTest, ChangesWhileMeasuringDecideTheNextTick) {
  Open({.AlarmKind = 1, .AlarmIntensity = 7.0, .AlarmAcceleration = 100});
  Start();
  Tick(10);
  EXPECT_FALSE(panel_->AlarmState.Active);
  Pick(form3_->RadioButton3);
  QTest::keyClick(form3_->TrackBar2, Qt::Key_Home);
  EXPECT_EQ(S().AlarmAcceleration, 0);
  Tick(10);
  EXPECT_TRUE(panel_->AlarmState.Active) << "a threshold of 0 gal is reached by every tick";
}

}  // namespace
}  // namespace tevra::test
