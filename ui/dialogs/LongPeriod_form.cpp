#include "ui/dialogs/LongPeriod_form.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/LongPeriod.h"
#include "ui/kit/DialogButtons.h"
#include "ui/panel/PanelLongPeriod.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {

TLongPeriodForm::TLongPeriodForm(TPanelLongPeriod& owner, QWidget* parent) : QDialog(parent), owner_(owner) {
  setWindowTitle(QStringLiteral("長周期地震動設定"));
  setWindowIcon(ApplicationIcon());
  auto* layout = new QVBoxLayout(this);
  auto* explanation =
      new QLabel(QStringLiteral("周期1.6～7.8秒の揺れ（高層建物を大きく揺らす長周期地震動）の階級で\n"
                                "警報を出します。警報設定の基準とどちらかを超えれば警報です。"),
                 this);
  layout->addWidget(explanation);
  auto* form = new QFormLayout;
  AlarmCheck = new QCheckBox(QStringLiteral("長周期地震動階級で警報を出す"), this);
  form->addRow(AlarmCheck);
  ClassCombo = new QComboBox(this);
  for (int c = 1; c <= 4; ++c) {
    ClassCombo->addItem(QStringLiteral("階級 %1 以上（%2 cm/s 以上）").arg(c).arg(LongPeriodClassFloor(c)));
  }
  form->addRow(QStringLiteral("警報の階級"), ClassCombo);
  layout->addLayout(form);
  layout->addLayout(OkCancelRow(this, OkButton, CancelButton));
  connect(AlarmCheck, &QCheckBox::toggled, ClassCombo, &QWidget::setEnabled);
  connect(OkButton, &QPushButton::clicked, this, &TLongPeriodForm::OkClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TLongPeriodForm::FormShow() {
  const TLongPeriodSettings& s = owner_.Settings();
  AlarmCheck->setChecked(s.Alarm);
  ClassCombo->setCurrentIndex(s.AlarmClass - 1);
  ClassCombo->setEnabled(s.Alarm);
}

void TLongPeriodForm::OkClick() {
  owner_.Apply({AlarmCheck->isChecked(), ClassCombo->currentIndex() + 1});
  accept();
}

void TLongPeriodForm::setVisible(bool visible) {
  if (visible) FormShow();
  QDialog::setVisible(visible);
}

}  // namespace tevra
