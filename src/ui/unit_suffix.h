// The unit of a length field, shown inside the field's right end as a
// suffix: it stays with the field wherever the window's layout puts it and
// whatever size it gives it, and the typed text keeps clear of it.
#pragma once

#include <QLabel>

class QLineEdit;

namespace vn {

class UnitSuffix : public QLabel {
  Q_OBJECT

 public:
  // Shown in `field`, which owns it.
  explicit UnitSuffix(QLineEdit* field);

  void SetUnit(const QString& unit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();

  QLineEdit* field_;
};

}  // namespace vn
