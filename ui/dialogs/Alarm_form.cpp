#include "ui/dialogs/Alarm_form.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

#include "alarm/AlarmCriteria.h"
#include "ui/kit/DialogButtons.h"
#include "ui/kit/QtPlatform.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {
namespace {

// The class list, items 0 ... 8.
const char* const kClassItems[] = {"１", "２", "３", "４", "５弱", "５強", "６弱", "６強", "７"};

QLabel* ValueLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  QFont font = label->font();
  font.setPixelSize(28);
  font.setBold(true);
  label->setFont(font);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(70);
  return label;
}

QSlider* Slider(int maximum, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(0, maximum);
  slider->setSingleStep(1);
  slider->setPageStep(2);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(1);
  return slider;
}

// A threshold row: caption, large value and unit on one line, the slider under them.
void SliderRow(QGroupBox* group, QLabel* caption, QLabel* value, QLabel* unit, QSlider* slider) {
  auto* grid = new QGridLayout(group);
  grid->addWidget(caption, 0, 0);
  grid->addWidget(value, 0, 1);
  grid->addWidget(unit, 0, 2);
  grid->setColumnStretch(3, 1);
  grid->addWidget(slider, 1, 0, 1, 4);
}

// Slider position of an intensity. The factor 10.01 lifts a value just below its tenth over it
// before the cut (0.7 + 0.1 is 0.7999..., which would give 7 with 10). Clamped while still a
// double: a hand-edited 1e10 would overflow the int, and NaN counts as below the range.
int IntensityPosition(double intensity, const QSlider* slider) {
  const double position = intensity * 10.01;
  if (!(position >= slider->minimum())) return slider->minimum();
  if (position > slider->maximum()) return slider->maximum();
  return static_cast<int>(std::trunc(position));
}

}  // namespace

TForm3::TForm3(TPanelWindows& windows, QWidget* parent) : QDialog(parent), windows_(windows) {
  setWindowTitle(QStringLiteral("警報震度の設定"));
  setWindowIcon(ApplicationIcon());
  setModal(false);
  BuildControls();
  // 471 x 419 with the frame.
  resize(463, 392);

  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
    if (on && !showing_) RadioButton1Click();
  });
  connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
    if (on && !showing_) RadioButton2Click();
  });
  connect(RadioButton3, &QRadioButton::toggled, this, [this](bool on) {
    if (on && !showing_) RadioButton3Click();
  });
  // Only a choice by the user applies a class; the list also follows the slider without that.
  connect(ComboBox1, &QComboBox::activated, this, &TForm3::ComboBox1Change);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm3::TrackBar1Change);
  connect(TrackBar2, &QSlider::valueChanged, this, &TForm3::TrackBar2Change);
  connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
}

void TForm3::BuildControls() {
  RadioButton1 = new QRadioButton(QStringLiteral("震度階級で警報設定する"), this);
  GroupBox1 = new QGroupBox(this);
  Label3 = new QLabel(QStringLiteral("震度階級"), GroupBox1);
  ComboBox1 = new QComboBox(GroupBox1);
  for (const char* item : kClassItems) ComboBox1->addItem(QString::fromUtf8(item));
  Label1 = new QLabel(QStringLiteral("以上で警報する"), GroupBox1);
  auto* classRow = new QHBoxLayout(GroupBox1);
  classRow->addWidget(Label3);
  classRow->addWidget(ComboBox1);
  classRow->addWidget(Label1);
  classRow->addStretch(1);

  RadioButton2 = new QRadioButton(QStringLiteral("計測震度で警報設定する"), this);
  GroupBox2 = new QGroupBox(this);
  Label2 = new QLabel(QStringLiteral("計測震度"), GroupBox2);
  Label5 = ValueLabel(GroupBox2);
  Label4 = new QLabel(QStringLiteral("以上で警報する"), GroupBox2);
  TrackBar1 = Slider(70, GroupBox2);
  SliderRow(GroupBox2, Label2, Label5, Label4, TrackBar1);

  RadioButton3 = new QRadioButton(QStringLiteral("合成加速度で警報設定する"), this);
  GroupBox3 = new QGroupBox(this);
  Label6 = new QLabel(QStringLiteral("合成加速度"), GroupBox3);
  Label7 = ValueLabel(GroupBox3);
  Label8 = new QLabel(QStringLiteral("gal 以上で警報する"), GroupBox3);
  TrackBar2 = Slider(100, GroupBox3);
  SliderRow(GroupBox3, Label6, Label7, Label8, TrackBar2);

  QHBoxLayout* buttons = OkCancelRow(this, Button1, Button2);

  // The radio buttons are siblings outside their groups: exactly one is on, and a disabled row
  // never disables the button that selects it.
  auto* layout = new QVBoxLayout(this);
  for (auto [radio, group] : {std::pair<QRadioButton*, QGroupBox*>{RadioButton1, GroupBox1},
                              {RadioButton2, GroupBox2},
                              {RadioButton3, GroupBox3}}) {
    layout->addWidget(radio);
    layout->addWidget(group);
    layout->addSpacing(4);
  }
  layout->addStretch(1);
  layout->addLayout(buttons);
}

void TForm3::setVisible(bool visible) {
  if (visible && isVisible()) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    return;
  }
  if (visible) {
    FormShow();
    if (!placed_) {
      placed_ = true;
      CentreOnScreen(this);
    }
  }
  QDialog::setVisible(visible);
}

void TForm3::EnableRow(int kind) {
  GroupBox1->setEnabled(kind == akIntensityClass);
  GroupBox2->setEnabled(kind == akInstrumentalIntensity);
  GroupBox3->setEnabled(kind != akIntensityClass && kind != akInstrumentalIntensity);
}

void TForm3::FormShow() {
  TPanelSettings& s = windows_.Form1->Settings;
  savedKind_ = s.AlarmKind;
  savedIntensity_ = s.AlarmIntensity;

  showing_ = true;
  QRadioButton* radio = s.AlarmKind == akIntensityClass          ? RadioButton1
                        : s.AlarmKind == akInstrumentalIntensity ? RadioButton2
                                                                 : RadioButton3;
  radio->setChecked(true);
  showing_ = false;
  EnableRow(s.AlarmKind);

  ComboBox1->setCurrentIndex(ClassItemOf(s.AlarmIntensity));
  Label5->setText(QString::asprintf("%.1f", s.AlarmIntensity));
  // A move of a slider is a movement: out-of-range and off-grid thresholds are rewritten here.
  TrackBar1->setValue(IntensityPosition(s.AlarmIntensity, TrackBar1));
  TrackBar2->setValue(s.AlarmAcceleration);
  Label7->setText(QString::number(s.AlarmAcceleration));
}

void TForm3::ApplyClassSelection() {
  TPanelSettings& s = windows_.Form1->Settings;
  if (ComboBox1->currentIndex() >= 0) s.AlarmIntensity = ClassItemThreshold(ComboBox1->currentIndex());
  Label5->setText(QString::asprintf("%.1f", s.AlarmIntensity));
  TrackBar1->setValue(IntensityPosition(s.AlarmIntensity, TrackBar1));
  windows_.Form1->UpdateAlarmLabel();
}

void TForm3::ComboBox1Change() {
  ApplyClassSelection();
}

void TForm3::TrackBar1Change() {
  TPanelSettings& s = windows_.Form1->Settings;
  // The nearest double to position x 0.1: the product with the double 0.1 lies above 1.4 for 14
  // (and 2.4, 3.4), which would show and choose the next class.
  s.AlarmIntensity = TrackBar1->value() / 10.0;
  windows_.Form1->UpdateAlarmLabel();
  Label5->setText(QString::asprintf("%.1f", s.AlarmIntensity));
  ComboBox1->setCurrentIndex(ClassItemOf(s.AlarmIntensity));
}

void TForm3::TrackBar2Change() {
  TPanelSettings& s = windows_.Form1->Settings;
  s.AlarmAcceleration = TrackBar2->value();
  windows_.Form1->UpdateAlarmLabel();
  Label7->setText(QString::number(TrackBar2->value()));
}

void TForm3::RadioButton1Click() {
  windows_.Form1->Settings.AlarmKind = akIntensityClass;
  EnableRow(akIntensityClass);
  ApplyClassSelection();
  windows_.Form1->UpdateAlarmLabel();
}

void TForm3::RadioButton2Click() {
  // The threshold stays: coming from the class row, the slider starts at the class's bound.
  windows_.Form1->Settings.AlarmKind = akInstrumentalIntensity;
  EnableRow(akInstrumentalIntensity);
  windows_.Form1->UpdateAlarmLabel();
}

void TForm3::RadioButton3Click() {
  windows_.Form1->Settings.AlarmKind = akCompositeAcceleration;
  EnableRow(akCompositeAcceleration);
  windows_.Form1->UpdateAlarmLabel();
}

void TForm3::Button1Click() {
  hide();
}

void TForm3::Button2Click() {
  // The acceleration is not put back: it keeps the last slider movement.
  TPanelSettings& s = windows_.Form1->Settings;
  s.AlarmKind = savedKind_;
  s.AlarmIntensity = savedIntensity_;
  windows_.Form1->UpdateAlarmLabel();
  hide();
}

void TForm3::reject() {
  Button2Click();
}

void TForm3::closeEvent(QCloseEvent* event) {
  Button1Click();
  event->accept();
}

}  // namespace tevra
