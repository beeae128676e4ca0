#include "ui/dialogs/DataOutput_form.h"

#include <QGroupBox>

#include "base/AtomicFile.h"
#include "base/TextFormat.h"
#include "settings/PanelSettings.h"
#include "settings/SettingsFile.h"
#include "archive/StationXml.h"
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

}  // namespace

TDataOutputForm::TDataOutputForm(TPlatform& platform, TPanelDataOutput& output, QWidget* parent)
    : TSettingsDialog(platform, "データ出力設定", parent), output_(output) {
  BuildControls();
  connect(FolderButton, &QPushButton::clicked, this, &TDataOutputForm::FolderClick);
}

void TDataOutputForm::BuildControls() {
  auto* archive = new QGroupBox(QStringLiteral("連続記録（miniSEED・SDS形式）"), this);
  TGroupRows a(archive, 3);
  ArchiveCheck = a.Check(QStringLiteral("連続記録をアーカイブに保存する"));
  FolderEdit = a.Edit(QStringLiteral("保存先フォルダ"));
  FolderButton = a.Beside(QStringLiteral("参照"));
  FlushEdit = a.Edit(QStringLiteral("書き出し間隔（秒）"),
                     QStringLiteral("記録がいっぱいにならなくても、この秒数で書き出します（1〜60）"));

  auto* codes = new QGroupBox(QStringLiteral("観測点コード（英大文字と数字）"), this);
  TGroupRows c(codes);
  NetworkEdit = c.Edit(QStringLiteral("ネットワーク（1〜2文字）"));
  StationEdit = c.Edit(QStringLiteral("観測点（1〜5文字）"));
  LocationEdit = c.Edit(QStringLiteral("ロケーション（0〜2文字）"));
  const char* axes[3] = {"チャンネル X（3文字）", "チャンネル Y（3文字）", "チャンネル Z（3文字）"};
  for (int i = 0; i < 3; ++i) ChannelEdits[i] = c.Edit(QString::fromUtf8(axes[i]));

  auto* live = new QGroupBox(QStringLiteral("リアルタイム配信（SeedLink）"), this);
  TGroupRows l(live);
  SeedLinkCheck = l.Check(QStringLiteral("SeedLinkで配信する"));
  AddressEdit = l.Edit(QStringLiteral("待ち受けアドレス"),
                       QStringLiteral("127.0.0.1 ではこのコンピュータの中だけに配信します"));
  PortEdit = l.Edit(QStringLiteral("ポート番号"));

  auto* site = new QGroupBox(QStringLiteral("観測点の情報（StationXML用）"), this);
  TGroupRows s(site);
  LatitudeEdit = s.Edit(QStringLiteral("緯度（度、北が正）"));
  LongitudeEdit = s.Edit(QStringLiteral("経度（度、東が正）"));
  ElevationEdit = s.Edit(QStringLiteral("標高（m）"));
  SiteWarning =
      s.Warning(QStringLiteral("位置が未設定です。StationXMLには緯度・経度・標高とも0を書き込みます。"));
  const char* azimuths[2] = {"方位 X（度、北から時計回り）", "方位 Y（度、北から時計回り）"};
  const QString azimuthTip =
      QStringLiteral("空欄: チャンネルコードの末尾がEなら90、Nなら0、ほかは書きません");
  AzimuthXEdit = s.Edit(QString::fromUtf8(azimuths[0]), azimuthTip);
  AzimuthYEdit = s.Edit(QString::fromUtf8(azimuths[1]), azimuthTip);
  for (int i = 0; i < 2; ++i) {
    connect(AzimuthEdits()[i], &QLineEdit::textChanged, this, &TDataOutputForm::UpdateAzimuthWarning);
    connect(ChannelEdits[i], &QLineEdit::textChanged, this, &TDataOutputForm::UpdateAzimuthWarning);
  }
  AzimuthWarning =
      s.Warning(QStringLiteral("方位がチャンネルコードの向き（末尾Eは90度、Nは0度）と違います。"
                               "StationXMLには設定した方位を書き込みます。"));
  StartDateEdit = s.Edit(
      QStringLiteral("開始日（YYYY-MM-DD、UTC）"),
      QStringLiteral("空欄: アーカイブの最も古い記録の日、なければOKを押した日に決まり、以後そのままです"));

  StackGroups({archive, codes, live, site});
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

bool TDataOutputForm::ReadControls(TDataOutputSettings& s) {
  s.Archive = ArchiveCheck->isChecked();
  s.ArchiveFolder = Trimmed(FolderEdit);
  // A folder that would not read back from the settings file would send the records elsewhere.
  if (!FolderReadsBack(s.ArchiveFolder)) {
    return Refuse(
        Printf("保存先フォルダ名に設定ファイルに保存できない文字が含まれているか、長すぎます"
               "（%zuバイトまで）。",
               TPanelSettings::FolderMaxBytes));
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
