// The main window: controls, menus, start-up, the close flow and the menu handlers.
#include "ui/panel/Tevra_form.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QMenuBar>
#include <QMetaObject>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

#include "base/TextFormat.h"
#include "alarm/AlarmCriteria.h"
#include "station/LoginStart.h"
#include "settings/SettingsFile.h"
#include "ui/dialogs/Alarm_form.h"
#include "ui/dialogs/Ini_form.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelLongPeriod.h"
#include "ui/panel/PanelMqtt.h"
#include "ui/panel/PanelWebOutput.h"
#include "ui/panel/PanelViews.h"
#include "ui/dialogs/Portset.h"
#include "ui/kit/QtPlatform.h"
#include "ui/views/Unit4.h"
#include "ui/views/Unit5.h"

namespace tevra {
namespace {

constexpr int kAddressAttempts = 257;  // a first try and 256 retries

QLabel* NewLabel(const QString& text, QWidget* parent, int pixelSize = 0, bool bold = false) {
  auto* label = new QLabel(text, parent);
  if (pixelSize > 0 || bold) {
    QFont font = label->font();
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
  }
  return label;
}

// A modeless window already open behind the panel comes to the front.
void ShowInFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

TForm1::TForm1(TPlatform& platform, TPanelWindows& windows, QWidget* parent)
    : QMainWindow(parent), platform_(platform), windows_(windows) {
  setWindowTitle(QStringLiteral("計測震度"));
  setWindowIcon(ApplicationIcon());
  BuildControls();
  BuildMenus();
  DataOutput = std::make_unique<TPanelDataOutput>(platform_, *this);
  Mqtt = std::make_unique<TPanelMqtt>(platform_, *this);
  Web = std::make_unique<TPanelWeb>(platform_, *this);
  Health = std::make_unique<TPanelHealth>(
      Panel3, Settings, DataOutput->Settings(), platform_,
      [this](const std::string& line) { LogNoteLine(line, AlarmState.Active); });
  Views = std::make_unique<TPanelViews>(*this, platform_);
  Views->AddMenuItems(Show1);
  LongPeriod = std::make_unique<TPanelLongPeriod>(*this);

  Timer1.setInterval(500);
  Timer2.setInterval(100);
  Timer3.setInterval(500);
  Timer4.setInterval(5000);
  Timer5.setInterval(1000);
  connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
  connect(&Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
  connect(&Timer4, &QTimer::timeout, this, &TForm1::Timer4Timer);
  connect(&Timer5, &QTimer::timeout, this, &TForm1::Timer5Timer);
  SetUpRecovery();
  Timer3.start();

  // Without a notification area at start-up, the icon appears as soon as one does.
  trayRetry_.setInterval(2000);
  connect(&trayRetry_, &QTimer::timeout, this, &TForm1::RetryTrayIcon);
}

// The calculator, a member, is destroyed before the controls and writes "NoiseData.csv".
TForm1::~TForm1() {
  if (std::getenv("TEVRA_TICK_STATS")) {
    std::fprintf(stderr, "ticks %lld longest %.3f ms\n", TickDurations.Ticks, TickDurations.LongestMs);
  }
}

void TForm1::BuildControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel2 = new QFrame(central);
  Panel2->setFrameShape(QFrame::StyledPanel);
  auto* figures = new QGridLayout(Panel2);
  Image1 = new QLabel(Panel2);
  Image1->setPixmap(ApplicationIcon().pixmap(64, 64));
  Image1->setScaledContents(true);
  Image1->setFixedSize(56, 56);
  Label2 = NewLabel(QStringLiteral("計測震度"), Panel2, 16, true);
  Label5 = NewLabel(QStringLiteral(" 0000"), Panel2, 44, true);
  Label8 = NewLabel(QStringLiteral("停止中"), Panel2, 44, true);
  Label3 = NewLabel(QStringLiteral("合成加速度"), Panel2, 14);
  Label6 = NewLabel(QStringLiteral("0000"), Panel2, 22, true);
  Label7 = NewLabel(QStringLiteral("(gal)"), Panel2, 14);
  for (QLabel* big : {Label5, Label8}) big->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label5->hide();
  Label6->hide();
  figures->addWidget(Image1, 0, 0, 2, 1);
  figures->addWidget(Label2, 0, 1);
  figures->addWidget(Label5, 0, 2);  // the same place: one of the two shows
  figures->addWidget(Label8, 0, 2);
  figures->addWidget(Label3, 1, 1);
  figures->addWidget(Label6, 1, 2);
  figures->addWidget(Label7, 1, 3);
  figures->setColumnStretch(2, 1);
  figures->setColumnMinimumWidth(2, 200);
  layout->addWidget(Panel2);

  Panel1 = new QFrame(central);
  Panel1->setAutoFillBackground(true);
  auto* strip = new QVBoxLayout(Panel1);
  Label4 = NewLabel(QStringLiteral("daytime"), Panel1, 14);
  Label1 = NewLabel(QStringLiteral("2.0"), Panel1, 14);
  strip->addWidget(Label4);
  strip->addWidget(Label1);
  SetStripRed(false);
  layout->addWidget(Panel1);

  Panel3 = new QFrame(central);
  auto* logArea = new QVBoxLayout(Panel3);
  logArea->setContentsMargins(0, 0, 0, 0);
  ListBox1 = new QListWidget(Panel3);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPixelSize(16);
  ListBox1->setFont(fixed);
  StatusBar1 = new QStatusBar(Panel3);
  StatusBar1->setSizeGripEnabled(false);
  const int widths[4] = {90, 90, 90, 200};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel(StatusBar1);
    StatusPanels[i]->setMinimumWidth(widths[i]);
    StatusBar1->addWidget(StatusPanels[i], i == 3 ? 1 : 0);
  }
  logArea->addWidget(ListBox1, 1);
  logArea->addWidget(StatusBar1);
  layout->addWidget(Panel3, 1);

  setCentralWidget(central);
  resize(560, 460);
  CentreOnScreen(this);
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  File1 = bar->addMenu(QStringLiteral("ファイル(&F)"));
  LoginStart1 = File1->addAction(QStringLiteral("ログイン時に起動"), this, &TForm1::LoginStart1Click);
  LoginStart1->setCheckable(true);
  LoginStart1->setChecked(LoginStartEnabled());
  Exit1 = File1->addAction(QStringLiteral("終了(&X)"), this, &TForm1::Exit1Click);
  N2 = bar->addMenu(QStringLiteral("設定(&S)"));
  N5 = N2->addAction(QStringLiteral("警報設定(&K)"), this, &TForm1::N5Click);
  N4 = N2->addAction(QStringLiteral("計測設定(&S)"), this, &TForm1::N4Click);
  N6 = N2->addAction(QStringLiteral("COMポート設定(&C)"), this, &TForm1::N6Click);
  N7 = N2->addAction(QStringLiteral("環境振動情報リセット（&R)"), this, &TForm1::N7Click);
  Show1 = bar->addMenu(QStringLiteral("表示(&V)"));
  G1 = Show1->addAction(QStringLiteral("加速度グラフ(&G)"), this, &TForm1::G1Click);
  N3 = bar->addMenu(QStringLiteral("計測(&R)"));
  N8 = N3->addAction(QStringLiteral("計測開始(&R)"), this, &TForm1::N8Click);
  N1 = N3->addAction(QStringLiteral("計測終了(&X)"), this, &TForm1::N1Click);
  N1->setEnabled(false);
  I1 = bar->addMenu(QStringLiteral("情報(&I)"));
  V1 = I1->addAction(QStringLiteral("バージョン(&V)"), this, &TForm1::V1Click);

  PopupMenu1 = new QMenu(this);
  N0001 = PopupMenu1->addAction(QStringLiteral("計測Tevraパネルを表示する"), this, &TForm1::N0001Click);
  Exit2 = PopupMenu1->addAction(QStringLiteral("終了"), this, &TForm1::Exit2Click);
}

void TForm1::FormCreate() {
  ClearDetailRing(AlarmFiles.DetailRing);
  CloseConfirmed = false;
  ExitRequested = false;
  BlinkOn = false;
  AlarmState.Active = false;

  SettingsFile = LoadSettings(Settings, platform_, [this] {
    if (windows_.Form4) windows_.Form4->hide();
  });
  DataOutput->Load();
  Mqtt->Load();
  LongPeriod->Load();
  Web->Load();
  RegisterTrayIcon();

  bool found = false;
  for (int attempt = 0; attempt < kAddressAttempts && !found; ++attempt) found = Network.FindLocalAddress();
  if (!found) {
    platform_.MessageBox("IPアドレスが確認できません\nネットワークを確認し、ソフトウェアを再起動してください",
                         "", false);
    N2->menuAction()->setEnabled(false);
    N3->menuAction()->setEnabled(false);
    return;
  }
  UpdateAlarmLabel();
  Network.MakeBroadcastAddress();
  if (Settings.AutoStart) {
    Label8->setText(QStringLiteral("設定中"));
    Timer5.start();
    N2->menuAction()->setEnabled(false);
    N3->menuAction()->setEnabled(false);
  } else {
    Reader = std::make_unique<VXTRRR>(windows_.ComPortForm->Port(), platform_);
    Reader->ReopenPort();
  }
  UpdateStatusBar();
}

bool TForm1::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(e);
}

void TForm1::FormActivate() {
  Network.FindLocalAddress();
  Network.MakeBroadcastAddress();
  UpdateStatusBar();
}

void TForm1::closeEvent(QCloseEvent* e) {
  const QScopedValueRollback closing(inCloseEvent_, true);
  bool allowed = false;
  if (CloseConfirmed) {
    allowed = true;
  } else if (!ExitRequested) {
    HidePanel();  // the title-bar button sends the panel to the notification area
  } else {
    allowed = platform_.Confirm("Tevraパネルを終了しますか？");
  }
  if (SettingsFile) SaveSettings(Settings, *SettingsFile);
  if (!allowed) {
    e->ignore();
    return;
  }
  e->accept();
  FormClose();
}

void TForm1::FormClose() {
  FinishRecordsAtExit();
  RemoveTrayIcon();
  if (windows_.Form4) windows_.Form4->close();
}

void TForm1::OnQueryEndSession() {
  Timer2.stop();
  ExitRequested = true;
  CloseConfirmed = true;
  SessionEnding = true;
  // The close flow saves the settings; leaving the message loop destroys the calculator, which
  // saves the baseline. Qt ignores a close inside a close in progress (the exit question is
  // open): the program ends all the same, and every open box's loop with it.
  if (inCloseEvent_) {
    SaveAll();
    FormClose();
  } else {
    close();
  }
}

void TForm1::SaveAll() {
  if (SettingsFile) SaveSettings(Settings, *SettingsFile);
  if (!Calculator.BaselinePath().empty()) Calculator.SaveBaselineAs(Calculator.BaselinePath());
}

void TForm1::InsertLine(const std::string& line) {
  ListBox1->insertItem(0, QString::fromStdString(line));
  DropOldestLines();
}

void TForm1::DropOldestLines() {
  while (ListBox1->count() > OperationLogLines) delete ListBox1->takeItem(ListBox1->count() - 1);
}

void TForm1::LogNote(const std::string& text) {
  LogNoteLine(NowLine(text), AlarmState.Active);
}

std::function<void(const std::string&)> TForm1::LogNoteFromAnyThread() {
  return [this](const std::string& line) {
    QMetaObject::invokeMethod(
        this, [this, line] { LogNote(line); }, Qt::QueuedConnection);
  };
}

void TForm1::LogNoteLine(const std::string& line, bool belowAlarmLine) {
  ListBox1->insertItem(belowAlarmLine && ListBox1->count() > 0 ? 1 : 0, QString::fromStdString(line));
  DropOldestLines();
}

std::string TForm1::NowLine(const std::string& text) const {
  // A box's line breaks would split the list line.
  return OnOneLine(OperationLine(DateTimeText(platform_.LocalNow()), text), "　");
}

void TForm1::ReplaceTopLine(const std::string& line) {
  delete ListBox1->takeItem(0);
  InsertLine(line);
}

void TForm1::SetStripRed(bool red) {
  QPalette p = Panel1->palette();
  p.setColor(QPalette::Window, red ? QColor(Qt::red) : palette().color(QPalette::Button));
  Panel1->setPalette(p);
}

void TForm1::UpdateAlarmLabel() {
  const TAlarmLabels labels = AlarmLabelTexts(Settings);
  Label1->setText(QString::fromStdString(labels.Label1));
  Label2->setText(QString::fromStdString(labels.Label2));
}

void TForm1::Exit1Click() {
  ExitRequested = true;
  close();
}

void TForm1::Exit2Click() {
  Exit1Click();
}

void TForm1::N5Click() {
  ShowInFront(windows_.Form3);
  UpdateStatusBar();
}

void TForm1::N4Click() {
  AbandonRetry();
  windows_.Form2->exec();
  UpdateStatusBar();
  TipText = StateTip("計測停止中");
  SendTipUpdate();
}

void TForm1::N6Click() {
  AbandonRetry();
  ShowInFront(windows_.ComPortForm);
  if (Reader) {
    Reader->ReopenPort();
  } else {
    windows_.ComPortForm->Port().ReopenPort();
  }
  UpdateStatusBar();
}

void TForm1::N7Click() {
  if (platform_.MessageBox("環境振動情報をリセットしますか？", "環境振動情報リセット", true)) {
    Calculator.ResetBaseline();
  }
}

void TForm1::G1Click() {
  ShowInFront(windows_.Form5);
}

void TForm1::V1Click() {
  platform_.MessageBox(
      std::string("tevra_panel.exe\rVersion 2007/10/30\rtevra_panel\rVersion ") + TEVRA_VERSION, "TevraPanel",
      false);
}

void TForm1::Timer3Timer() {
  Label4->setText(QString::fromStdString(DateTimeText(platform_.LocalNow())));
  Health->Refresh();
}

void TForm1::Timer4Timer() {
  Network.SendHeartbeat(Settings, platform_.LocalNow(), platform_);
}

}  // namespace tevra
