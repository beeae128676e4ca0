#include "ui/Portset.h"

#include <QVBoxLayout>

#include "ui/QtPlatform.h"

namespace tevra {

TComPortForm::TComPortForm(const std::string& fileName, QWidget* parent)
    : QDialog(parent), port_(fileName, [this](const std::string& text) {
        if (Label1) Label1->setText(QString::fromStdString(text));
      }) {
  setWindowTitle(QStringLiteral("COMポート設定"));
  setWindowIcon(ApplicationIcon());
  Label1 = new QLabel(QString::fromStdString(port_.StatusText()), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
}

}  // namespace tevra
