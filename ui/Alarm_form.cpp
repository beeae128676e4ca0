#include "ui/Alarm_form.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "ui/QtPlatform.h"

namespace tevra {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("警報設定"));
  setWindowIcon(ApplicationIcon());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buttons);
}

}  // namespace tevra
