// The number box of the one number rule.
#include "ui/point_spin_box.h"

#include <QLineEdit>
#include <QLocale>

#include "common/number_text.h"

namespace vn {

PointSpinBox::PointSpinBox(const QString& name, QWidget* parent)
    : QDoubleSpinBox(parent), name_(name) {
  // Nothing of the box goes through the user's locale: the texts below are
  // the program's own, and stepping needs no separator.
  setLocale(QLocale::c());
  connect(lineEdit(), &QLineEdit::textEdited, this, &PointSpinBox::Typed);
}

namespace {

// The room of a point and the box's decimals, in its font.
int DecimalsWidth(const QDoubleSpinBox& box) {
  return box.fontMetrics().horizontalAdvance(QString(box.decimals() + 1, QLatin1Char('0')));
}

}  // namespace

QSize PointSpinBox::sizeHint() const {
  return QDoubleSpinBox::sizeHint() + QSize(DecimalsWidth(*this), 0);
}

QSize PointSpinBox::minimumSizeHint() const {
  return QDoubleSpinBox::minimumSizeHint() + QSize(DecimalsWidth(*this), 0);
}

QString PointSpinBox::Bare(const QString& text) const {
  QString bare = text;
  if (!prefix().isEmpty() && bare.startsWith(prefix())) bare.remove(0, prefix().size());
  if (!suffix().isEmpty() && bare.endsWith(suffix())) bare.chop(suffix().size());
  return bare.trimmed();
}

QValidator::State PointSpinBox::validate(QString& text, int& /*pos*/) const {
  const QString bare = Bare(text);
  if (const auto value = ReadNumber(bare.toStdString())) {
    return *value >= minimum() && *value <= maximum() ? QValidator::Acceptable
                                                      : QValidator::Intermediate;
  }
  // A number on its way ("-", "1e") or one with a comma, which stays on
  // screen with its message rather than vanishing or being read otherwise.
  for (const QChar c : bare) {
    if (!c.isDigit() && !QStringLiteral("+-.eE,").contains(c)) return QValidator::Invalid;
  }
  return QValidator::Intermediate;
}

double PointSpinBox::valueFromText(const QString& text) const {
  return ReadNumber(Bare(text).toStdString()).value_or(value());
}

void PointSpinBox::fixup(QString& /*text*/) const {
  // Nothing is mended: the box's own fixup drops the C locale's group
  // separator, which would read "-0,2" as -2.
}

QString PointSpinBox::textFromValue(double value) const {
  return QString::fromStdString(RoundedText(value, decimals()));
}

void PointSpinBox::Typed(const QString& text) {
  // A number on its way ("-", "1e") is no problem yet; a comma is one at once.
  const QString bare = Bare(text);
  const QString problem =
      bare.contains(QLatin1Char(','))
          ? name_ + " " + QString::fromStdString(NumberTextProblem(bare.toStdString()))
          : QString();
  if (problem == problem_) return;
  problem_ = problem;
  emit problemChanged(problem_);
}

PointSpinBox* NewPointSpinBox(const QString& name, double low, double high, double step,
                              int decimals, double value) {
  auto* spin = new PointSpinBox(name);
  spin->setRange(low, high);
  spin->setSingleStep(step);
  spin->setDecimals(decimals);
  spin->setValue(value);
  spin->setKeyboardTracking(false);
  return spin;
}

}  // namespace vn
