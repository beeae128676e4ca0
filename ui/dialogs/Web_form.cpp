#include "ui/dialogs/Web_form.h"

#include <qrencode.h>

#include <QGroupBox>
#include <QImage>
#include <QPixmap>
#include <QVBoxLayout>

#include "base/NumberParse.h"
#include "alarm/HostAddress.h"
#include "ui/kit/DialogRows.h"
#include "ui/panel/PanelWebOutput.h"
#include "web/WebRules.h"

namespace tevra {
namespace {

constexpr const char* kTitle = "Web表示設定";

}  // namespace

QImage WebQrImage(const std::string& text, int scale) {
  QRcode* code = QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
  if (!code) return {};
  constexpr int Quiet = 4;  // modules of white around the code, as readers need
  const int size = code->width + 2 * Quiet;
  QImage image(size * scale, size * scale, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 0; y < code->width; ++y)
    for (int x = 0; x < code->width; ++x)
      if (code->data[y * code->width + x] & 1)
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx)
            image.setPixel((x + Quiet) * scale + dx, (y + Quiet) * scale + dy, 0);
  QRcode_free(code);
  return image;
}

TWebForm::TWebForm(TPlatform& platform, TPanelWeb& web, QWidget* parent)
    : TSettingsDialog(platform, kTitle, parent), web_(web) {
  auto* server = new QGroupBox(QStringLiteral("Web表示（読み取り専用）"), this);
  TGroupRows g(server, 3);
  WebCheck = g.Check(QStringLiteral("Webブラウザに計測値を表示する"));
  AddressEdit = g.Edit(QStringLiteral("待ち受けアドレス"),
                       QStringLiteral("127.0.0.1 ではこのコンピュータの中だけに表示します"));
  PortEdit = g.Edit(QStringLiteral("ポート番号"));
  TokenFileEdit =
      g.Edit(QStringLiteral("トークンファイル"),
             QStringLiteral("127.0.0.1 以外のアドレスでは必須です（所有者だけが読めるファイル）"));
  NewTokenButton = g.Beside(QStringLiteral("新しいトークンを作成"));
  CertFileEdit = g.Edit(QStringLiteral("証明書ファイル（HTTPS）"));
  KeyFileEdit = g.Edit(QStringLiteral("鍵ファイル（HTTPS）"));

  auto* open = new QGroupBox(QStringLiteral("開くアドレス"), this);
  PageAddress = new QLabel(open);
  PageAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
  PageAddress->setWordWrap(true);
  QrCode = new QLabel(open);
  QrNote = new QLabel(
      QStringLiteral("QRコードにはトークンが含まれます。知らせてよい人にだけ見せてください。"), open);
  QrNote->setWordWrap(true);
  auto* o = new QVBoxLayout(open);
  o->addWidget(PageAddress);
  o->addWidget(QrCode);
  o->addWidget(QrNote);

  StackGroups({server, open});
  connect(NewTokenButton, &QPushButton::clicked, this, &TWebForm::NewTokenClick);
}

void TWebForm::FormShow() {
  const TWebSettings& s = web_.Settings();
  WebCheck->setChecked(s.Web);
  AddressEdit->setText(QString::fromStdString(s.WebAddress));
  PortEdit->setText(QString::number(s.WebPort));
  TokenFileEdit->setText(QString::fromStdString(s.WebTokenFile));
  CertFileEdit->setText(QString::fromStdString(s.WebCertFile));
  KeyFileEdit->setText(QString::fromStdString(s.WebKeyFile));
  ShowAddress();
}

// The address of the settings in force, with their token.
void TWebForm::ShowAddress() {
  const TWebSettings& s = web_.Settings();
  const TResult<std::string> read = web_.Token();
  const std::string token = read ? read.Value() : std::string();
  std::vector<std::string> hosts;
  HostAddresses(hosts);
  const std::string address = WebPageAddress(s, token, hosts.empty() ? std::string() : hosts.front());
  PageAddress->setText(s.Web && web_.Server.Running() ? QString::fromStdString(address)
                                                      : QStringLiteral("（Web表示は動いていません）"));
  const QImage qr = s.Web && web_.Server.Running() ? WebQrImage(address, 4) : QImage();
  QrCode->setPixmap(QPixmap::fromImage(qr));
  QrCode->setVisible(!qr.isNull());
  QrNote->setVisible(!qr.isNull() && !token.empty());
}

bool TWebForm::ReadControls(TWebSettings& s) {
  s.Web = WebCheck->isChecked();
  s.WebAddress = AddressEdit->text().trimmed().toStdString();
  const std::string port = PortEdit->text().trimmed().toStdString();
  if (!ParseInteger(port, 1, 65535, s.WebPort)) return Refuse("ポート番号が正しくありません: " + port);
  s.WebTokenFile = TokenFileEdit->text().trimmed().toStdString();
  s.WebCertFile = CertFileEdit->text().trimmed().toStdString();
  s.WebKeyFile = KeyFileEdit->text().trimmed().toStdString();
  TStatus usable = CheckWebSettings(s);
  if (usable && s.Web && !s.WebTokenFile.empty()) {
    const TResult<std::string> token = ReadTokenFile(s.WebTokenFile);
    if (!token) usable = token.Error();
  }
  return usable || Refuse(usable.Error().Message);
}

void TWebForm::OkClick() {
  TWebSettings s = web_.Settings();
  if (!ReadControls(s)) return;
  web_.Apply(s);
  ShowAddress();
  if (s.Web && !web_.Server.Running()) {
    Refuse("Web表示を開始できません。操作ログを確認してください。");
    return;
  }
  accept();
}

void TWebForm::NewTokenClick() {
  std::string path = TokenFileEdit->text().trimmed().toStdString();
  if (path.empty()) path = platform_.ChooseSaveFile("web-token.txt", "Token (*.txt)");
  if (path.empty()) return;
  const TResult<std::string> token = NewToken();
  const TStatus written = token ? WriteTokenFile(path, token.Value()) : TStatus(token.Error());
  if (!written) {
    Refuse(written.Error().Message);
    return;
  }
  TokenFileEdit->setText(QString::fromStdString(path));
}

}  // namespace tevra
