#pragma once
// The captioned rows of the settings dialogs' groups, and reading a text field.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

namespace tevra {

// A row of a settings group: its caption, then its field.
void AddRow(QGridLayout* grid, int row, const QString& caption, QWidget* field);
// The field's text without blanks around it, as UTF-8.
std::string Trimmed(const QLineEdit* edit);

// Builds a settings group row by row, top down; the controls are created in the order of the rows,
// which is the order the Tab key follows.
class TGroupRows {
 public:
  // `columns`: caption and field, and a third for a button beside a field.
  explicit TGroupRows(QGroupBox* group, int columns = 2);

  // A check box across the row.
  QCheckBox* Check(const QString& text);
  // A caption and its text field.
  QLineEdit* Edit(const QString& caption, const QString& toolTip = {});
  // A caption and a field made elsewhere.
  void Field(const QString& caption, QWidget* field);
  // A button beside the field of the last row; Enter keeps pressing OK.
  QPushButton* Beside(const QString& text);
  // A warning in red across the row.
  QLabel* Warning(const QString& text);

 private:
  QGroupBox* group_;
  QGridLayout* grid_;
  int columns_;
  int row_ = 0;
};

}  // namespace tevra
