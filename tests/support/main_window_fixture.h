// The main window of a fresh program on the start-up entries, for the
// window tests: the controls are found by their object names.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "common/shared_values.h"
#include "run/null_finder.h"
#include "ui/form_main.h"

namespace vn::test {

// The child of `parent` with this object name, or nullptr.
template <class T = QWidget>
T* Named(const QObject* parent, const char* name) {
  return parent->findChild<T*>(QString::fromUtf8(name));
}

struct MainWindow {
  SharedValues shared;
  NullFinder finder{shared, nullptr};
  FormMain window{shared, finder};

  template <class T = QWidget>
  T* Get(const char* name) {
    return Named<T>(&window, name);
  }
  QLineEdit* Edit(const char* name) { return Get<QLineEdit>(name); }
  void Click(const char* name) { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
};

}  // namespace vn::test
