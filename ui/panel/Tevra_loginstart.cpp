// The ファイル menu's check item that starts the panel at login.
#include <QCoreApplication>

#include "base/AtomicFile.h"
#include "station/LoginStart.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {

// The entry starts this program in the folder it runs in now, so the panel started at login keeps
// the settings and files of the one the user is looking at.
void TForm1::LoginStart1Click(bool checked) {
  const bool done =
      checked ? EnableLoginStart(QCoreApplication::applicationFilePath().toStdString(), CurrentDirectory())
              : DisableLoginStart();
  if (!done) {
    platform_.MessageBox(checked ? "ログイン時の起動を設定できません" : "ログイン時の起動を解除できません",
                         "", false);
  }
  LoginStart1->setChecked(LoginStartEnabled());
}

}  // namespace tevra
