// The main window of a fresh program on the start-up entries, for the
// window tests: the controls are found by their object names.
#pragma once

#include <QtTest>
#include <QtWidgets>
#include <functional>

#include "common/shared_values.h"
#include "run/null_finder.h"
#include "ui/form_main.h"

namespace vn::test {

// The child of `parent` with this object name, or nullptr.
template <class T = QWidget>
T* Named(const QObject* parent, const char* name) {
  return parent->findChild<T*>(QString::fromUtf8(name));
}

// Runs `action` once the next modal window is up and active; exec() blocks
// the test until something closes it. Clicks that move the focus (into the
// amount box, say) only take effect in an active window, and a loaded machine
// may show a dialog a little before it activates it.
inline void WhenModalOpens(std::function<void(QWidget*)> action, int triesLeft = 200) {
  QTimer::singleShot(10, [action, triesLeft] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && (modal->isActiveWindow() || triesLeft < 100))
      return action(modal);
    if (triesLeft > 0) WhenModalOpens(action, triesLeft - 1);
  });
}

// Closes every message box that opens while it lives, keeping their texts.
struct MessageCatcher {
  QStringList texts;
  QTimer timer;
  MessageCatcher() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts << box->text();
        box->close();
      }
    });
    timer.start(5);
  }
};

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
