#include "ui/kit/DialogRows.h"

namespace tevra {

void AddRow(QGridLayout* grid, int row, const QString& caption, QWidget* field) {
  grid->addWidget(new QLabel(caption, grid->parentWidget()), row, 0);
  grid->addWidget(field, row, 1);
}

std::string Trimmed(const QLineEdit* edit) {
  return edit->text().trimmed().toStdString();
}

TGroupRows::TGroupRows(QGroupBox* group, int columns)
    : group_(group), grid_(new QGridLayout(group)), columns_(columns) {}

QCheckBox* TGroupRows::Check(const QString& text) {
  auto* check = new QCheckBox(text, group_);
  grid_->addWidget(check, row_++, 0, 1, columns_);
  return check;
}

QLineEdit* TGroupRows::Edit(const QString& caption, const QString& toolTip) {
  auto* edit = new QLineEdit(group_);
  if (!toolTip.isEmpty()) edit->setToolTip(toolTip);
  Field(caption, edit);
  return edit;
}

void TGroupRows::Field(const QString& caption, QWidget* field) {
  AddRow(grid_, row_++, caption, field);
}

QPushButton* TGroupRows::Beside(const QString& text) {
  auto* button = new QPushButton(text, group_);
  button->setAutoDefault(false);
  grid_->addWidget(button, row_ - 1, 2);
  return button;
}

QLabel* TGroupRows::Warning(const QString& text) {
  auto* label = new QLabel(text, group_);
  label->setWordWrap(true);
  label->setStyleSheet(QStringLiteral("color: #b00000;"));
  grid_->addWidget(label, row_++, 0, 1, columns_);
  return label;
}

}  // namespace tevra
