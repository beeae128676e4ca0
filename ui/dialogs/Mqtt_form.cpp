#include "ui/dialogs/Mqtt_form.h"

#include <QGroupBox>
#include <QHBoxLayout>

#include "base/Cp932.h"
#include "base/NumberParse.h"
#include "ui/kit/DialogRows.h"
#include "ui/panel/PanelMqtt.h"

namespace tevra {
namespace {

constexpr int kTestPollMs = 100;
constexpr std::size_t kLongestValue = 255;

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

TMqttForm::TMqttForm(TPlatform& platform, TPanelMqtt& mqtt, QWidget* parent)
    : TSettingsDialog(platform, "MQTT設定", parent), mqtt_(mqtt) {
  BuildControls();
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
  TGroupRows b(broker);
  EnabledCheck = b.Check(QStringLiteral("MQTTで送信する"));
  HostEdit = b.Edit(QStringLiteral("ホスト"));
  PortEdit = b.Edit(QStringLiteral("ポート番号"), QStringLiteral("通常1883、TLSでは8883"));
  TlsCheck = b.Check(QStringLiteral("TLSで暗号化する"));
  CaFileEdit = b.Edit(QStringLiteral("CA証明書ファイル"));
  CertFileEdit = b.Edit(QStringLiteral("クライアント証明書ファイル"));
  KeyFileEdit = b.Edit(QStringLiteral("クライアント鍵ファイル"));
  UsernameEdit = b.Edit(QStringLiteral("ユーザー名"));
  PasswordFileEdit =
      b.Edit(QStringLiteral("パスワードファイル"),
             QStringLiteral("パスワードを1行目に書いたファイル（所有者だけが読めること: chmod 600）"));

  auto* topics = new QGroupBox(QStringLiteral("トピック"), this);
  TGroupRows t(topics);
  TopicPrefixEdit = t.Edit(QStringLiteral("接頭辞"));
  TopicPrefixEdit->setPlaceholderText(QStringLiteral("tevra/<ネットワーク>.<観測点>"));
  DiscoveryCheck = t.Check(QStringLiteral("Home Assistantに機器を登録する（ディスカバリー）"));
  DiscoveryPrefixEdit = t.Edit(QStringLiteral("ディスカバリーの接頭辞"));

  TestButton = new QPushButton(QStringLiteral("接続テスト"), this);
  TestButton->setAutoDefault(false);
  TestResult = new QLabel(this);
  TestResult->setWordWrap(true);
  auto* test = new QHBoxLayout;
  test->addWidget(TestButton);
  test->addWidget(TestResult, 1);
  StackGroups({broker, topics}, test);
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
