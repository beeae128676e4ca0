#pragma once
// The OK and Cancel buttons of the settings dialogs, right-aligned in one row.
#include <QHBoxLayout>
#include <QPushButton>

namespace tevra {

// Creates both buttons (OK is the default) and returns the row that holds them.
QHBoxLayout* OkCancelRow(QWidget* parent, QPushButton*& ok, QPushButton*& cancel);

}  // namespace tevra
