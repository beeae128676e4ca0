#include "ui/kit/DialogButtons.h"

namespace tevra {

QHBoxLayout* OkCancelRow(QWidget* parent, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton(QStringLiteral("OK"), parent);
  ok->setDefault(true);
  cancel = new QPushButton(QStringLiteral("キャンセル"), parent);
  cancel->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace tevra
