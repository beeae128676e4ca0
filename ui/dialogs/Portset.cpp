#include "ui/dialogs/Portset.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "base/TextFormat.h"
#include "sensor/LineHealth.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

const char* const kParityTexts[] = {"NONE", "ODD", "EVEN"};

// Finds the item showing `value`; the first item when none does.
// The item of a stored value whose items count up from `first`. Wide arithmetic: a hand-edited
// -2147483648 must select nothing (and leave the file alone), not wrap round to the last item.
int IndexFromFirst(int value, int first) {
  const long long index = static_cast<long long>(value) - first;
  return index < -1 ? -1 : static_cast<int>(std::min<long long>(index, std::numeric_limits<int>::max()));
}

int IndexOfNumber(const TRadioGroup& group, int value) {
  const QString text = QString::number(value);
  for (int i = 0; i < group.Count(); ++i) {
    if (group.ItemText(i) == text) return i;
  }
  return 0;
}

void Paint(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// A small red note that wraps within `width`; hidden until it has something to say.
QLabel* RedNote(int width, QWidget* parent) {
  auto* note = new QLabel(parent);
  note->setWordWrap(true);
  note->setMaximumWidth(width);
  note->setStyleSheet(QStringLiteral("color: #b00000;"));
  note->hide();
  return note;
}

}  // namespace

TComPortForm::TComPortForm(const std::string& fileName, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("ComPort SET"));
  setWindowIcon(ApplicationIcon());
  BuildControls();
  port_ = std::make_unique<ComPort>(fileName, [this](const std::string& text) {
    Label1->setText(QString::fromStdString(text));
    if (port_) ShowOpenDevice();
  });
  Label1->setText(QString::fromStdString(port_->StatusText()));
  ShowDevices();
  LoadControls();
  adjustSize();
  CentreOnScreen(this);
}

// The port closes before the controls its status callback writes to go.
TComPortForm::~TComPortForm() {
  port_->SetStatusCallback({});
  port_.reset();
}

void TComPortForm::BuildControls() {
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Paint(panel, QColor(0xC0, 0xC0, 0xC0));
  BuildGroups(panel);
  BuildStatus(panel);
  LayOut(panel);
}

void TComPortForm::BuildGroups(QWidget* panel) {
  QStringList ports;
  for (int i = 1; i <= 16; ++i) ports << QString::number(i);
  PortGroup = new TRadioGroup(QStringLiteral("Num"), ports, 2, panel);
  BaudGroup = new TRadioGroup(QStringLiteral("Baud"),
                              {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400",
                               "57600", "115200", "230400", "460800", "921600"},
                              2, panel);
  RadioGroup2 = new TRadioGroup(QStringLiteral("Bit"), {"7", "8"}, 1, panel);
  RadioGroup3 = new TRadioGroup(QStringLiteral("Stop"), {"1", "2"}, 1, panel);
  RadioGroup4 = new TRadioGroup(QStringLiteral("Parity"), {"None", "Odd", "Even"}, 1, panel);
  for (TRadioGroup* group : {PortGroup, BaudGroup, RadioGroup2, RadioGroup3, RadioGroup4}) {
    Paint(group, QColor(0xFF, 0xFF, 0x00));
  }
  PortGroup->OnClick = [this] { PortGroupClick(); };
  // Every setting of the line changes how many frames it carries a second.
  const auto thenNote = [this](void (TComPortForm::*click)()) {
    return [this, click] {
      (this->*click)();
      ShowBaudNote();
    };
  };
  BaudGroup->OnClick = thenNote(&TComPortForm::BaudGroupClick);
  RadioGroup2->OnClick = thenNote(&TComPortForm::RadioGroup2Click);
  RadioGroup3->OnClick = thenNote(&TComPortForm::RadioGroup3Click);
  RadioGroup4->OnClick = thenNote(&TComPortForm::RadioGroup4Click);
  BaudNote = RedNote(BaudGroup->sizeHint().width(), panel);
}

void TComPortForm::BuildStatus(QWidget* panel) {
  Label1 = new QLabel(QStringLiteral("NG"), panel);
  QFont big = Label1->font();
  big.setPixelSize(20);
  big.setBold(true);
  Label1->setFont(big);
  // Wide enough for the longer status, so the dialog keeps its size when it changes.
  Label1->setMinimumWidth(QFontMetrics(big).horizontalAdvance(QString::fromLatin1(ComPort::NotReadyText)) +
                          8);
  ReasonLabel = RedNote(PortGroup->sizeHint().width() + BaudGroup->sizeHint().width(), panel);
  ReasonLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  DeviceLabel = new QLabel(panel);
  DeviceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Button1 = new QPushButton(QStringLiteral("閉じる"), panel);
  QFont bold = Button1->font();
  bold.setBold(true);
  Button1->setFont(bold);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TComPortForm::Button1Click);
}

void TComPortForm::LayOut(QFrame* panel) {
  auto* line = new QVBoxLayout;
  line->addWidget(RadioGroup2);
  line->addWidget(RadioGroup3);
  line->addWidget(RadioGroup4);
  line->addStretch(1);
  auto* groups = new QHBoxLayout;
  groups->addWidget(PortGroup);
  auto* baud = new QVBoxLayout;
  baud->addWidget(BaudGroup, 1);
  baud->addWidget(BaudNote);
  groups->addLayout(baud);
  groups->addLayout(line);
  auto* status = new QVBoxLayout;
  status->setSpacing(0);
  status->addWidget(Label1);
  status->addWidget(ReasonLabel);
  status->addWidget(DeviceLabel);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(status);
  bottom->addStretch(1);
  bottom->addWidget(Button1, 0, Qt::AlignBottom);
  auto* inside = new QVBoxLayout(panel);
  inside->addLayout(groups);
  inside->addLayout(bottom);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(panel);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

void TComPortForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ShowDevices();  // "ComPort.ini" may have been edited by hand meanwhile
}

// Which device each number stands for, so a user knows what "3" is.
void TComPortForm::ShowDevices() {
  for (int i = 0; i < PortGroup->Count(); ++i) {
    PortGroup->Button(i)->setToolTip(QString::fromStdString(port_->DeviceName(i + 1)));
  }
  ShowOpenDevice();
}

// The device of the port just opened and, when it is not ready, why.
void TComPortForm::ShowOpenDevice() {
  const RS232C* open = port_->Port();
  DeviceLabel->setText(
      open ? QStringLiteral("COM%1 = %2").arg(open->PortNumber()).arg(QString::fromStdString(open->Device()))
           : QString());
  const TStatus ready = port_->Readiness();
  ReasonLabel->setText(ready ? QString() : QString::fromStdString(ready.Error().Message));
  ReasonLabel->setVisible(!ready);
}

void TComPortForm::LoadControls() {
  const Profile& file = port_->Settings();
  PortGroup->SetItemIndex(IndexOfNumber(*PortGroup, file.ReadInteger(ComPort::Section, "COM", 1)));
  BaudGroup->SetItemIndex(IndexOfNumber(*BaudGroup, file.ReadInteger(ComPort::Section, "BAUD", 9600)));
  const std::string parity = file.ReadString(ComPort::Section, "PARITY", "NONE", 15);
  const char first = parity.empty() ? '\0' : parity[0];
  RadioGroup4->SetItemIndex(first == 'N' ? 0 : first == 'O' ? 1 : 2);
  RadioGroup2->SetItemIndex(IndexFromFirst(file.ReadInteger(ComPort::Section, "BIT", 8), 7));
  RadioGroup3->SetItemIndex(IndexFromFirst(file.ReadInteger(ComPort::Section, "STOP", 1), 1));
  ShowBaudNote();
}

// The sensor sends 100 frames of 17 bytes a second; each byte takes a start bit, its data bits, a
// parity bit if any and its stop bits on the line. A slower line drops frames without an error.
void TComPortForm::ShowBaudNote() {
  const Profile& file = port_->Settings();
  const int baud = file.ReadInteger(ComPort::Section, "BAUD", 9600);
  const bool parity = file.ReadString(ComPort::Section, "PARITY", "NONE", 15) != "NONE";
  const int data = file.ReadInteger(ComPort::Section, "BIT", 8);
  const int stop = file.ReadInteger(ComPort::Section, "STOP", 1);
  // Settings no line can have (edited by hand) open no port: there is no rate to speak of.
  if (data < 5 || data > 8 || stop < 1 || stop > 2) {
    BaudNote->hide();
    return;
  }
  const int bits = 1 + data + (parity ? 1 : 0) + stop;
  const double frames = LineFrameCapacity(baud, bits);
  if (frames >= 100.0) {
    BaudNote->hide();
    return;
  }
  int enough = 0;
  for (int i = 0; i < BaudGroup->Count() && enough == 0; ++i) {
    const int rate = BaudGroup->ItemText(i).toInt();
    if (LineFrameCapacity(rate, bits) >= 100.0) enough = rate;
  }
  BaudNote->setText(QString::fromStdString(
      Printf("%d bps では 1 秒に約 %d フレームしか届きません（毎秒 100 フレームには %d bps 以上が必要です）",
             baud, static_cast<int>(frames), enough)));
  BaudNote->show();
}

void TComPortForm::PortGroupClick() {
  const int chosen = PortGroup->ItemText(PortGroup->ItemIndex()).toInt();
  const RS232C* open = port_->Port();
  if (open && open->PortNumber() == chosen) return;
  port_->Settings().WriteInteger(ComPort::Section, "COM", chosen);
  port_->OpenPort(true);
}

void TComPortForm::BaudGroupClick() {
  const int chosen = BaudGroup->ItemText(BaudGroup->ItemIndex()).toInt();
  if (port_->Settings().ReadInteger(ComPort::Section, "BAUD", 9600) == chosen) return;
  port_->Settings().WriteInteger(ComPort::Section, "BAUD", chosen);
  port_->OpenPort(true);
}

void TComPortForm::RadioGroup2Click() {
  const int chosen = RadioGroup2->ItemIndex() + 7;
  if (port_->Settings().ReadInteger(ComPort::Section, "BIT", 8) == chosen) return;
  port_->Settings().WriteInteger(ComPort::Section, "BIT", chosen);
  port_->OpenPort(true);
}

void TComPortForm::RadioGroup3Click() {
  const int chosen = RadioGroup3->ItemIndex() + 1;
  if (port_->Settings().ReadInteger(ComPort::Section, "STOP", 1) == chosen) return;
  port_->Settings().WriteInteger(ComPort::Section, "STOP", chosen);
  port_->OpenPort(true);
}

void TComPortForm::RadioGroup4Click() {
  const int index = RadioGroup4->ItemIndex();
  if (index < 0 || index > 2) return;
  const std::string chosen = kParityTexts[index];
  if (port_->Settings().ReadString(ComPort::Section, "PARITY", "NONE", 15) == chosen) return;
  port_->Settings().WriteString(ComPort::Section, "PARITY", chosen);
  port_->OpenPort(true);
}

}  // namespace tevra
