#include "ui/kit/DialogRows.h"

#include <QLabel>

namespace tevra {

void AddRow(QGridLayout* grid, int row, const QString& caption, QWidget* field) {
  grid->addWidget(new QLabel(caption, grid->parentWidget()), row, 0);
  grid->addWidget(field, row, 1);
}

std::string Trimmed(const QLineEdit* edit) {
  return edit->text().trimmed().toStdString();
}

}  // namespace tevra
