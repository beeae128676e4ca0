#include "ui/Ini_form.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "ui/QtPlatform.h"

namespace tevra {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("計測設定"));
  setWindowIcon(ApplicationIcon());
  setModal(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buttons);
}

}  // namespace tevra
