#include "ui/dialogs/Web_form.h"

#include <qrencode.h>

#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QPixmap>
#include <QVBoxLayout>

#include "base/NumberParse.h"
#include "alarm/HostAddress.h"
#include "ui/kit/DialogButtons.h"
#include "ui/panel/PanelWebOutput.h"
#include "ui/kit/QtPlatform.h"
#include "web/WebRules.h"

namespace tevra {
namespace {

constexpr const char* kTitle = "Web表示設定";

void AddField(QGridLayout* grid, int row, const QString& caption, QWidget* field) {
  grid->addWidget(new QLabel(caption), row, 0);
  grid->addWidget(field, row, 1);
}

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
    : QDialog(parent), platform_(platform), web_(web) {
  setWindowTitle(QString::fromUtf8(kTitle));
  setWindowIcon(ApplicationIcon());
  setModal(true);
  auto* server = new QGroupBox(QStringLiteral("Web表示（読み取り専用）"), this);
  WebCheck = new QCheckBox(QStringLiteral("Webブラウザに計測値を表示する"), server);
  AddressEdit = new QLineEdit(server);
  AddressEdit->setToolTip(QStringLiteral("127.0.0.1 ではこのコンピュータの中だけに表示します"));
  PortEdit = new QLineEdit(server);
  TokenFileEdit = new QLineEdit(server);
  TokenFileEdit->setToolTip(
      QStringLiteral("127.0.0.1 以外のアドレスでは必須です（所有者だけが読めるファイル）"));
  NewTokenButton = new QPushButton(QStringLiteral("新しいトークンを作成"), server);
  NewTokenButton->setAutoDefault(false);
  CertFileEdit = new QLineEdit(server);
  KeyFileEdit = new QLineEdit(server);
  auto* g = new QGridLayout(server);
  g->addWidget(WebCheck, 0, 0, 1, 3);
  AddField(g, 1, QStringLiteral("待ち受けアドレス"), AddressEdit);
  AddField(g, 2, QStringLiteral("ポート番号"), PortEdit);
  AddField(g, 3, QStringLiteral("トークンファイル"), TokenFileEdit);
  g->addWidget(NewTokenButton, 3, 2);
  AddField(g, 4, QStringLiteral("証明書ファイル（HTTPS）"), CertFileEdit);
  AddField(g, 5, QStringLiteral("鍵ファイル（HTTPS）"), KeyFileEdit);

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

  QHBoxLayout* buttons = OkCancelRow(this, OkButton, CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(server);
  layout->addWidget(open);
  layout->addLayout(buttons);
  connect(OkButton, &QPushButton::clicked, this, &TWebForm::OkClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(NewTokenButton, &QPushButton::clicked, this, &TWebForm::NewTokenClick);
}

void TWebForm::setVisible(bool visible) {
  if (visible && !isVisible()) {
    FormShow();
    adjustSize();
    CentreOnScreen(this);
  }
  QDialog::setVisible(visible);
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
  if (!ParseInteger(port, 1, 65535, s.WebPort)) {
    platform_.MessageBox("ポート番号が正しくありません: " + port, kTitle, false);
    return false;
  }
  s.WebTokenFile = TokenFileEdit->text().trimmed().toStdString();
  s.WebCertFile = CertFileEdit->text().trimmed().toStdString();
  s.WebKeyFile = KeyFileEdit->text().trimmed().toStdString();
  TStatus usable = CheckWebSettings(s);
  if (usable && s.Web && !s.WebTokenFile.empty()) {
    const TResult<std::string> token = ReadTokenFile(s.WebTokenFile);
    if (!token) usable = token.Error();
  }
  if (!usable) {
    platform_.MessageBox(usable.Error().Message, kTitle, false);
    return false;
  }
  return true;
}

void TWebForm::OkClick() {
  TWebSettings s = web_.Settings();
  if (!ReadControls(s)) return;
  web_.Apply(s);
  ShowAddress();
  if (s.Web && !web_.Server.Running()) {
    platform_.MessageBox("Web表示を開始できません。操作ログを確認してください。", kTitle, false);
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
    platform_.MessageBox(written.Error().Message, kTitle, false);
    return;
  }
  TokenFileEdit->setText(QString::fromStdString(path));
}

}  // namespace tevra
