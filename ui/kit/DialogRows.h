#pragma once
// The captioned rows of the settings dialogs' groups, and reading a text field.
#include <QGridLayout>
#include <QLineEdit>
#include <string>

namespace tevra {

// A row of a settings group: its caption, then its field.
void AddRow(QGridLayout* grid, int row, const QString& caption, QWidget* field);
// The field's text without blanks around it, as UTF-8.
std::string Trimmed(const QLineEdit* edit);

}  // namespace tevra
