#pragma once
// A captioned group of radio buttons with one selected index, filled column by column. Selecting
// an item from code behaves like a click when it changes the selection; selecting nothing does not.
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>
#include <functional>
#include <vector>

namespace tevra {

class TRadioGroup : public QGroupBox {
 public:
  TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent);

  // Runs after every click on an item and after every selection from code that changed it.
  std::function<void()> OnClick;

  int ItemIndex() const { return itemIndex_; }
  // Below -1 selects nothing (-1); beyond the last item selects the last item.
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  QString ItemText(int index) const;
  QRadioButton* Button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

 private:
  void Clicked(int index);

  QButtonGroup group_;
  std::vector<QRadioButton*> buttons_;
  int itemIndex_ = -1;
};

}  // namespace tevra
