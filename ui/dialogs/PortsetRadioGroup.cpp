#include "ui/dialogs/PortsetRadioGroup.h"

#include <QGridLayout>
#include <algorithm>

namespace tevra {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent) {
  auto* layout = new QGridLayout(this);
  layout->setHorizontalSpacing(14);
  layout->setVerticalSpacing(2);
  const int perColumn = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    group_.addButton(button, i);
    layout->addWidget(button, i % perColumn, i / perColumn);
    buttons_.push_back(button);
  }
  QObject::connect(&group_, &QButtonGroup::idClicked, this, [this](int id) { Clicked(id); });
}

QString TRadioGroup::ItemText(int index) const {
  if (index < 0 || index >= Count()) return {};
  return buttons_[static_cast<std::size_t>(index)]->text();
}

void TRadioGroup::SetItemIndex(int index) {
  index = std::clamp(index, -1, Count() - 1);
  if (index == itemIndex_) return;
  itemIndex_ = index;
  if (index < 0) {
    // An exclusive group never lets its last checked button go.
    group_.setExclusive(false);
    for (QRadioButton* b : buttons_) b->setChecked(false);
    group_.setExclusive(true);
    return;
  }
  buttons_[static_cast<std::size_t>(index)]->setChecked(true);
  if (OnClick) OnClick();
}

void TRadioGroup::Clicked(int index) {
  itemIndex_ = index;
  if (OnClick) OnClick();
}

}  // namespace tevra
