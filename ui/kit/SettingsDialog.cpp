#include "ui/kit/SettingsDialog.h"

#include <QVBoxLayout>

#include "ui/kit/DialogButtons.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {

TSettingsDialog::TSettingsDialog(TPlatform& platform, const char* title, QWidget* parent)
    : QDialog(parent), platform_(platform), title_(title) {
  setWindowTitle(QString::fromUtf8(title));
  setWindowIcon(ApplicationIcon());
  setModal(true);
}

void TSettingsDialog::StackGroups(std::initializer_list<QWidget*> groups, QLayout* extra) {
  // The buttons come last so that they end the tab order, as in every dialog of the panel.
  QHBoxLayout* buttons = OkCancelRow(this, OkButton, CancelButton);
  auto* layout = new QVBoxLayout(this);
  for (QWidget* group : groups) layout->addWidget(group);
  if (extra) layout->addLayout(extra);
  layout->addLayout(buttons);
  connect(OkButton, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TSettingsDialog::setVisible(bool visible) {
  if (visible && !isVisible()) {
    FormShow();
    adjustSize();  // the layout's size, before it is centred
    CentreOnScreen(this);
  }
  QDialog::setVisible(visible);
}

bool TSettingsDialog::Refuse(const std::string& text) {
  platform_.MessageBox(text, title_, false);
  return false;
}

}  // namespace tevra
