// A number box that follows the program's one number rule (common/
// number_text.h): it shows and takes the point as the decimal separator,
// whatever the user's locale, reads nothing the rule does not read, and says
// why when the typed text is refused (a comma typed for the point, above
// all) instead of reading it some other way. The box then keeps its last
// value.
#pragma once

#include <QDoubleSpinBox>
#include <QString>

namespace vn {

class PointSpinBox : public QDoubleSpinBox {
  Q_OBJECT

 public:
  // `name`: how messages call the box ("ΔK", "Grating offset").
  PointSpinBox(const QString& name, QWidget* parent = nullptr);

  const QString& Name() const { return name_; }
  // Why the text typed last is refused, as a sentence naming the box; empty
  // when it reads.
  const QString& Problem() const { return problem_; }

  // Wide enough for every decimal the box may show (its texts drop trailing
  // zeros, so the toolkit's measure of its range would be too narrow).
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The user typed; `problem` is empty when the text reads.
  void problemChanged(const QString& problem);

 protected:
  QValidator::State validate(QString& text, int& pos) const override;
  double valueFromText(const QString& text) const override;
  QString textFromValue(double value) const override;
  void fixup(QString& text) const override;

 private:
  QString Bare(const QString& text) const;  // without prefix, suffix and blanks
  void Typed(const QString& text);

  QString name_;
  QString problem_;
};

// A box of this range, step and decimals showing `value`, that takes a
// typed number when the typing ends (one redraw per value, not per key).
PointSpinBox* NewPointSpinBox(const QString& name, double low, double high, double step,
                              int decimals, double value);

}  // namespace vn
