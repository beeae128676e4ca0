#include "ui/dialogs/DataOutput_form.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "base/AtomicFile.h"
#include "base/TextFormat.h"
#include "settings/PanelSettings.h"
#include "settings/SettingsFile.h"
#include "archive/StationXml.h"
#include "ui/kit/DialogButtons.h"
#include "ui/kit/DialogRows.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Upper(const QLineEdit* edit) {
  return edit->text().trimmed().toUpper().toStdString();
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
  double v = 0;
  if (!ParseNumberIn(text, low, high, v) || v != static_cast<int>(v)) return false;
  value = static_cast<int>(v);
  return true;
}

// A warning in red under a group's fields.
QLabel* WarningLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setStyleSheet(QStringLiteral("color: #b00000;"));
  return label;
}

}  // namespace

TDataOutputForm::TDataOutputForm(TPlatform& platform, TPanelDataOutput& output, QWidget* parent)
    : QDialog(parent), platform_(platform), output_(output) {
  setWindowTitle(QStringLiteral("データ出力設定"));
  setWindowIcon(ApplicationIcon());
  setModal(true);
  BuildControls();
  connect(OkButton, &QPushButton::clicked, this, &TDataOutputForm::OkClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(FolderButton, &QPushButton::clicked, this, &TDataOutputForm::FolderClick);
}

void TDataOutputForm::BuildControls() {
  auto* archive = new QGroupBox(QStringLiteral("連続記録（miniSEED・SDS形式）"), this);
  ArchiveCheck = new QCheckBox(QStringLiteral("連続記録をアーカイブに保存する"), archive);
  FolderEdit = new QLineEdit(archive);
  FolderButton = new QPushButton(QStringLiteral("参照"), archive);
  FolderButton->setAutoDefault(false);
  FlushEdit = new QLineEdit(archive);
  FlushEdit->setToolTip(QStringLiteral("記録がいっぱいにならなくても、この秒数で書き出します（1〜60）"));
  auto* a = new QGridLayout(archive);
  a->addWidget(ArchiveCheck, 0, 0, 1, 3);
  AddRow(a, 1, QStringLiteral("保存先フォルダ"), FolderEdit);
  a->addWidget(FolderButton, 1, 2);
  AddRow(a, 2, QStringLiteral("書き出し間隔（秒）"), FlushEdit);

  auto* codes = new QGroupBox(QStringLiteral("観測点コード（英大文字と数字）"), this);
  NetworkEdit = new QLineEdit(codes);
  StationEdit = new QLineEdit(codes);
  LocationEdit = new QLineEdit(codes);
  auto* c = new QGridLayout(codes);
  AddRow(c, 0, QStringLiteral("ネットワーク（1〜2文字）"), NetworkEdit);
  AddRow(c, 1, QStringLiteral("観測点（1〜5文字）"), StationEdit);
  AddRow(c, 2, QStringLiteral("ロケーション（0〜2文字）"), LocationEdit);
  const char* axes[3] = {"チャンネル X（3文字）", "チャンネル Y（3文字）", "チャンネル Z（3文字）"};
  for (int i = 0; i < 3; ++i) {
    ChannelEdits[i] = new QLineEdit(codes);
    AddRow(c, 3 + i, QString::fromUtf8(axes[i]), ChannelEdits[i]);
  }

  auto* live = new QGroupBox(QStringLiteral("リアルタイム配信（SeedLink）"), this);
  SeedLinkCheck = new QCheckBox(QStringLiteral("SeedLinkで配信する"), live);
  AddressEdit = new QLineEdit(live);
  AddressEdit->setToolTip(QStringLiteral("127.0.0.1 ではこのコンピュータの中だけに配信します"));
  PortEdit = new QLineEdit(live);
  auto* l = new QGridLayout(live);
  l->addWidget(SeedLinkCheck, 0, 0, 1, 2);
  AddRow(l, 1, QStringLiteral("待ち受けアドレス"), AddressEdit);
  AddRow(l, 2, QStringLiteral("ポート番号"), PortEdit);

  auto* site = new QGroupBox(QStringLiteral("観測点の情報（StationXML用）"), this);
  LatitudeEdit = new QLineEdit(site);
  LongitudeEdit = new QLineEdit(site);
  ElevationEdit = new QLineEdit(site);
  SiteWarning = WarningLabel(
      QStringLiteral("位置が未設定です。StationXMLには緯度・経度・標高とも0を書き込みます。"), site);
  auto* s = new QGridLayout(site);
  AddRow(s, 0, QStringLiteral("緯度（度、北が正）"), LatitudeEdit);
  AddRow(s, 1, QStringLiteral("経度（度、東が正）"), LongitudeEdit);
  AddRow(s, 2, QStringLiteral("標高（m）"), ElevationEdit);
  s->addWidget(SiteWarning, 3, 0, 1, 2);
  const char* azimuths[2] = {"方位 X（度、北から時計回り）", "方位 Y（度、北から時計回り）"};
  AzimuthXEdit = new QLineEdit(site);
  AzimuthYEdit = new QLineEdit(site);
  for (int i = 0; i < 2; ++i) {
    QLineEdit* edit = AzimuthEdits()[i];
    edit->setToolTip(QStringLiteral("空欄: チャンネルコードの末尾がEなら90、Nなら0、ほかは書きません"));
    AddRow(s, 4 + i, QString::fromUtf8(azimuths[i]), edit);
    connect(edit, &QLineEdit::textChanged, this, &TDataOutputForm::UpdateAzimuthWarning);
    connect(ChannelEdits[i], &QLineEdit::textChanged, this, &TDataOutputForm::UpdateAzimuthWarning);
  }
  AzimuthWarning =
      WarningLabel(QStringLiteral("方位がチャンネルコードの向き（末尾Eは90度、Nは0度）と違います。"
                                  "StationXMLには設定した方位を書き込みます。"),
                   site);
  s->addWidget(AzimuthWarning, 6, 0, 1, 2);
  StartDateEdit = new QLineEdit(site);
  StartDateEdit->setToolTip(
      QStringLiteral("空欄: アーカイブの最も古い記録の日、なければOKを押した日に決まり、以後そのままです"));
  AddRow(s, 7, QStringLiteral("開始日（YYYY-MM-DD、UTC）"), StartDateEdit);

  QHBoxLayout* buttons = OkCancelRow(this, OkButton, CancelButton);
  auto* layout = new QVBoxLayout(this);
  for (QGroupBox* box : {archive, codes, live, site}) layout->addWidget(box);
  layout->addLayout(buttons);
}

void TDataOutputForm::setVisible(bool visible) {
  if (visible && !isVisible()) {
    FormShow();
    adjustSize();  // the layout's size, before it is centred
    CentreOnScreen(this);
  }
  QDialog::setVisible(visible);
}

void TDataOutputForm::FormShow() {
  const TDataOutputSettings& s = output_.Settings();
  ArchiveCheck->setChecked(s.Archive);
  FolderEdit->setText(Text(s.ArchiveFolder));
  FlushEdit->setText(QString::number(s.FlushSeconds));
  NetworkEdit->setText(Text(s.Network));
  StationEdit->setText(Text(s.Station));
  LocationEdit->setText(Text(s.Location));
  for (int i = 0; i < 3; ++i) ChannelEdits[i]->setText(Text(s.Channels[i]));
  SeedLinkCheck->setChecked(s.SeedLink);
  AddressEdit->setText(Text(s.SeedLinkAddress));
  PortEdit->setText(QString::number(s.SeedLinkPort));
  const auto number = [&](double v) { return s.SiteSet ? QString::number(v, 'f', 6) : QString(); };
  LatitudeEdit->setText(number(s.Latitude));
  LongitudeEdit->setText(number(s.Longitude));
  ElevationEdit->setText(s.SiteSet ? QString::number(s.Elevation, 'f', 1) : QString());
  SiteWarning->setVisible(!s.SiteSet);
  for (int i = 0; i < 2; ++i) {
    const auto& azimuth = s.Azimuths[static_cast<std::size_t>(i)];
    AzimuthEdits()[i]->setText(azimuth ? QString::number(*azimuth, 'g', 10) : QString());
  }
  StartDateEdit->setText(Text(s.StartDate));
  UpdateAzimuthWarning();
}

void TDataOutputForm::UpdateAzimuthWarning() {
  bool differs = false;
  for (int i = 0; i < 2; ++i) {
    const std::optional<double> byCode = ConventionalAzimuth(Upper(ChannelEdits[i]));
    double given = 0;
    if (byCode && ParseAzimuth(Trimmed(AzimuthEdits()[i]), given) && given != *byCode) differs = true;
  }
  AzimuthWarning->setVisible(differs);
}

void TDataOutputForm::FolderClick() {
  const std::string folder = platform_.ChooseFolder(
      FolderEdit->text().isEmpty() ? CurrentDirectory() : FolderEdit->text().toStdString());
  if (!folder.empty()) FolderEdit->setText(Text(folder));
}

bool TDataOutputForm::Refuse(const char* text) {
  platform_.MessageBox(text, "データ出力設定", false);
  return false;
}

bool TDataOutputForm::ReadControls(TDataOutputSettings& s) {
  s.Archive = ArchiveCheck->isChecked();
  s.ArchiveFolder = Trimmed(FolderEdit);
  // A folder that would not read back from the settings file would send the records elsewhere.
  if (!FolderReadsBack(s.ArchiveFolder)) {
    return Refuse(Printf("保存先フォルダ名に設定ファイルに保存できない文字が含まれているか、長すぎます"
                         "（%zuバイトまで）。",
                         TPanelSettings::FolderMaxBytes)
                      .c_str());
  }
  if (s.Archive && s.ArchiveFolder.empty()) return Refuse("アーカイブの保存先フォルダを指定してください。");
  if (!ParseInt(Trimmed(FlushEdit), TDataOutputSettings::MinFlushSeconds,
                TDataOutputSettings::MaxFlushSeconds, s.FlushSeconds))
    return Refuse("書き出し間隔は1〜60の整数（秒）で入力してください。");
  s.Network = Upper(NetworkEdit);
  if (!IsNetworkCode(s.Network))
    return Refuse("ネットワークコードは英大文字と数字の1〜2文字で入力してください。");
  s.Station = Upper(StationEdit);
  if (!IsStationCode(s.Station)) return Refuse("観測点コードは英大文字と数字の1〜5文字で入力してください。");
  s.Location = Upper(LocationEdit);
  if (!IsLocationCode(s.Location))
    return Refuse("ロケーションコードは英大文字と数字の0〜2文字で入力してください。");
  for (int i = 0; i < 3; ++i) {
    s.Channels[i] = Upper(ChannelEdits[i]);
    if (!IsChannelCode(s.Channels[i]))
      return Refuse("チャンネルコードは英大文字と数字の3文字で入力してください。");
  }
  s.SeedLink = SeedLinkCheck->isChecked();
  s.SeedLinkAddress = Trimmed(AddressEdit);
  if (!IsIpv4Address(s.SeedLinkAddress))
    return Refuse("待ち受けアドレスはIPv4アドレス（例: 127.0.0.1）で入力してください。");
  if (!ParseInt(Trimmed(PortEdit), 1, 65535, s.SeedLinkPort))
    return Refuse("ポート番号は1〜65535の整数で入力してください。");
  for (std::size_t i = 0; i < s.Azimuths.size(); ++i) {
    const std::string text = Trimmed(AzimuthEdits()[i]);
    double azimuth = 0;
    s.Azimuths[i].reset();
    if (text.empty()) continue;
    if (!ParseAzimuth(text, azimuth))
      return Refuse("方位は0以上360未満の数値（度）で入力するか、空欄にしてください。");
    s.Azimuths[i] = azimuth;
  }
  s.StartDate = Trimmed(StartDateEdit);
  if (!s.StartDate.empty() && !IsStartDate(s.StartDate))
    return Refuse("開始日は2024-03-09のような1970〜2261年の日付で入力するか、空欄にしてください。");
  const std::string lat = Trimmed(LatitudeEdit), lon = Trimmed(LongitudeEdit), elev = Trimmed(ElevationEdit);
  s.SiteSet = !(lat.empty() && lon.empty() && elev.empty());
  if (!s.SiteSet) return true;
  if (!ParseLatitude(lat, s.Latitude)) return Refuse("緯度は-90以上90未満の数値（度）で入力してください。");
  if (!ParseLongitude(lon, s.Longitude)) return Refuse("経度は-180〜180の数値（度）で入力してください。");
  if (!ParseElevation(elev, s.Elevation)) return Refuse("標高は-12000〜9000の数値（m）で入力してください。");
  return true;
}

void TDataOutputForm::OkClick() {
  TDataOutputSettings s = output_.Settings();
  if (!ReadControls(s)) return;
  output_.Apply(s);
  accept();
}

}  // namespace tevra
