#pragma once
// The folder selection of the measurement settings dialog: pick or type a folder; one that does
// not exist yet is created once the user has confirmed it.
#include <QFileDialog>
#include <functional>

namespace tevra {

class TFolderDialog : public QFileDialog {
  Q_OBJECT
 public:
  TFolderDialog(QWidget* parent, const QString& start);

  // Asks whether to create the missing folder; true creates it. A question box by default.
  std::function<bool(const QString& folder)> ConfirmCreate;
  // The chosen folder after an accepted dialog.
  QString Folder() const;

  void accept() override;
};

// Runs the dialog; "" when cancelled.
QString ChooseFolderWithCreate(QWidget* parent, const QString& start);

}  // namespace tevra
