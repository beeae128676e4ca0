#include "ui/kit/Ini_formFolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace tevra {

TFolderDialog::TFolderDialog(QWidget* parent, const QString& start)
    : QFileDialog(parent, QStringLiteral("フォルダの選択"), start) {
  setFileMode(QFileDialog::Directory);
  setOption(QFileDialog::ShowDirsOnly);
  // The desktop's own dialog would bypass accept(), and with it the question below.
  setOption(QFileDialog::DontUseNativeDialog);
  setLabelText(QFileDialog::Accept, QStringLiteral("選択"));
  setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
  // Qt's own dialog greys its accept button for a folder that does not exist; here that is the
  // way to ask for a new one. The button follows the typed name after Qt has looked at it.
  auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  if (name && box) {
    connect(name, &QLineEdit::textChanged, this, [this, box] {
      QPushButton* button = box->button(QDialogButtonBox::Open);
      const QString folder = Folder();
      if (button && !folder.isEmpty() && !QFileInfo::exists(folder)) button->setEnabled(true);
    });
  }
  ConfirmCreate = [this](const QString& folder) {
    return QMessageBox::question(this, windowTitle(),
                                 QStringLiteral("フォルダ '%1' はありません。作成しますか？").arg(folder)) ==
           QMessageBox::Yes;
  };
}

QString TFolderDialog::Folder() const {
  const QStringList files = selectedFiles();
  return files.isEmpty() ? QString() : QDir::cleanPath(files.first());
}

void TFolderDialog::accept() {
  const QString folder = Folder();
  if (!folder.isEmpty() && !QFileInfo::exists(folder)) {
    if (!ConfirmCreate || !ConfirmCreate(folder)) return;
    if (!QDir().mkpath(folder)) {
      QMessageBox::warning(this, windowTitle(),
                           QStringLiteral("フォルダ '%1' を作成できません。").arg(folder));
      return;
    }
  }
  QFileDialog::accept();
}

QString ChooseFolderWithCreate(QWidget* parent, const QString& start) {
  TFolderDialog dialog(parent, start);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.Folder();
}

}  // namespace tevra
