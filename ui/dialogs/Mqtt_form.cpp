#include "ui/dialogs/Mqtt_form.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "base/Cp932.h"
#include "base/NumberParse.h"
#include "ui/kit/DialogButtons.h"
#include "ui/kit/DialogRows.h"
#include "ui/panel/PanelMqtt.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

constexpr int kTestPollMs = 100;
constexpr std::size_t kLongestValue = 255;

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

TMqttForm::TMqttForm(TPlatform& platform, TPanelMqtt& mqtt, QWidget* parent)
    : QDialog(parent), platform_(platform), mqtt_(mqtt) {
  setWindowTitle(QStringLiteral("MQTT設定"));
  setWindowIcon(ApplicationIcon());
  setModal(true);
  BuildControls();
  connect(OkButton, &QPushButton::clicked, this, &TMqttForm::OkClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(TestButton, &QPushButton::clicked, this, &TMqttForm::TestClick);
  // The usual port follows the choice, unless another one was given.
  connect(TlsCheck, &QCheckBox::toggled, this, [this](bool tls) {
    const int from = tls ? TMqttSettings::PlainPort : TMqttSettings::TlsPort;
    if (PortEdit->text().trimmed() == QString::number(from))
      PortEdit->setText(QString::number(tls ? TMqttSettings::TlsPort : TMqttSettings::PlainPort));
  });
  testTimer_.setInterval(kTestPollMs);
  connect(&testTimer_, &QTimer::timeout, this, &TMqttForm::PollTest);
}

TMqttForm::~TMqttForm() = default;

void TMqttForm::BuildControls() {
  auto* broker = new QGroupBox(QStringLiteral("ブローカー"), this);
  EnabledCheck = new QCheckBox(QStringLiteral("MQTTで送信する"), broker);
  HostEdit = new QLineEdit(broker);
  PortEdit = new QLineEdit(broker);
  PortEdit->setToolTip(QStringLiteral("通常1883、TLSでは8883"));
  TlsCheck = new QCheckBox(QStringLiteral("TLSで暗号化する"), broker);
  CaFileEdit = new QLineEdit(broker);
  CertFileEdit = new QLineEdit(broker);
  KeyFileEdit = new QLineEdit(broker);
  UsernameEdit = new QLineEdit(broker);
  PasswordFileEdit = new QLineEdit(broker);
  PasswordFileEdit->setToolTip(
      QStringLiteral("パスワードを1行目に書いたファイル（所有者だけが読めること: chmod 600）"));
  auto* b = new QGridLayout(broker);
  b->addWidget(EnabledCheck, 0, 0, 1, 2);
  AddRow(b, 1, QStringLiteral("ホスト"), HostEdit);
  AddRow(b, 2, QStringLiteral("ポート番号"), PortEdit);
  b->addWidget(TlsCheck, 3, 0, 1, 2);
  AddRow(b, 4, QStringLiteral("CA証明書ファイル"), CaFileEdit);
  AddRow(b, 5, QStringLiteral("クライアント証明書ファイル"), CertFileEdit);
  AddRow(b, 6, QStringLiteral("クライアント鍵ファイル"), KeyFileEdit);
  AddRow(b, 7, QStringLiteral("ユーザー名"), UsernameEdit);
  AddRow(b, 8, QStringLiteral("パスワードファイル"), PasswordFileEdit);

  auto* topics = new QGroupBox(QStringLiteral("トピック"), this);
  TopicPrefixEdit = new QLineEdit(topics);
  TopicPrefixEdit->setPlaceholderText(QStringLiteral("tevra/<ネットワーク>.<観測点>"));
  DiscoveryCheck = new QCheckBox(QStringLiteral("Home Assistantに機器を登録する（ディスカバリー）"), topics);
  DiscoveryPrefixEdit = new QLineEdit(topics);
  auto* t = new QGridLayout(topics);
  AddRow(t, 0, QStringLiteral("接頭辞"), TopicPrefixEdit);
  t->addWidget(DiscoveryCheck, 1, 0, 1, 2);
  AddRow(t, 2, QStringLiteral("ディスカバリーの接頭辞"), DiscoveryPrefixEdit);

  TestButton = new QPushButton(QStringLiteral("接続テスト"), this);
  TestButton->setAutoDefault(false);
  TestResult = new QLabel(this);
  TestResult->setWordWrap(true);
  auto* test = new QHBoxLayout;
  test->addWidget(TestButton);
  test->addWidget(TestResult, 1);

  QHBoxLayout* buttons = OkCancelRow(this, OkButton, CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(broker);
  layout->addWidget(topics);
  layout->addLayout(test);
  layout->addLayout(buttons);
}

void TMqttForm::setVisible(bool visible) {
  if (visible && !isVisible()) {
    FormShow();
    adjustSize();
    CentreOnScreen(this);
  }
  QDialog::setVisible(visible);
}

void TMqttForm::FormShow() {
  const TMqttSettings& s = mqtt_.Settings();
  EnabledCheck->setChecked(s.Enabled);
  HostEdit->setText(Text(s.Host));
  PortEdit->setText(QString::number(s.Port));
  TlsCheck->setChecked(s.Tls);
  CaFileEdit->setText(Text(s.CaFile));
  CertFileEdit->setText(Text(s.CertFile));
  KeyFileEdit->setText(Text(s.KeyFile));
  UsernameEdit->setText(Text(s.Username));
  PasswordFileEdit->setText(Text(s.PasswordFile));
  TopicPrefixEdit->setText(Text(s.TopicPrefix));
  DiscoveryCheck->setChecked(s.Discovery);
  DiscoveryPrefixEdit->setText(Text(s.DiscoveryPrefix));
  TestResult->clear();
}

bool TMqttForm::Refuse(const std::string& text) {
  platform_.MessageBox(text, "MQTT設定", false);
  return false;
}

bool TMqttForm::ReadControls(TMqttSettings& s) {
  s.Enabled = EnabledCheck->isChecked();
  s.Host = Trimmed(HostEdit);
  if (!ParseInteger(Trimmed(PortEdit), 1, 65535, s.Port))
    return Refuse("ポート番号は1〜65535の整数で入力してください。");
  s.Tls = TlsCheck->isChecked();
  s.CaFile = Trimmed(CaFileEdit);
  s.CertFile = Trimmed(CertFileEdit);
  s.KeyFile = Trimmed(KeyFileEdit);
  s.Username = Trimmed(UsernameEdit);
  s.PasswordFile = Trimmed(PasswordFileEdit);
  s.TopicPrefix = Trimmed(TopicPrefixEdit);
  s.Discovery = DiscoveryCheck->isChecked();
  s.DiscoveryPrefix = Trimmed(DiscoveryPrefixEdit);
  // Each value is kept in the settings file as CP932.
  for (const std::string* v : {&s.Host, &s.CaFile, &s.CertFile, &s.KeyFile, &s.Username, &s.PasswordFile,
                               &s.TopicPrefix, &s.DiscoveryPrefix}) {
    if (Cp932ToUtf8(Utf8ToCp932(*v)) != *v || v->size() > kLongestValue)
      return Refuse("設定ファイルに保存できない文字が含まれているか、長すぎる値があります。");
  }
  const TStatus usable = CheckMqttSettings(s);
  return usable || Refuse(usable.Error().Message + "。");
}

void TMqttForm::OkClick() {
  TMqttSettings s = mqtt_.Settings();
  if (!ReadControls(s)) return;
  if (const TStatus applied = mqtt_.Apply(s); !applied) {
    Refuse(applied.Error().Message + "。");
    return;
  }
  accept();
}

void TMqttForm::TestClick() {
  TMqttSettings s = mqtt_.Settings();
  if (!ReadControls(s)) return;
  TResult<TMqttConnection> connection = mqtt_.ConnectionFor(s);
  if (!connection) {
    TestResult->setText(Text(connection.Error().Message));
    return;
  }
  probe_ = std::make_unique<TMqttProbe>(std::move(connection).Value());
  TestButton->setEnabled(false);
  PollTest();
  testTimer_.start();
}

void TMqttForm::PollTest() {
  if (!probe_) return;
  const TMqttProbeResult result = probe_->Result();
  TestResult->setText(Text(MqttProbeText(result)));
  if (result.Outcome == TMqttProbeOutcome::Pending) return;
  testTimer_.stop();
  TestButton->setEnabled(true);
}

}  // namespace tevra
