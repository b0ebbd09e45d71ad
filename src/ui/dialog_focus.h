// When a dialog's entry checks what was typed in it: on the focus moving
// to another of its controls, but neither when the dialog itself loses or
// regains activation (to its own message box, say) nor when the focus moves
// to OK or Cancel. Those are pressed with the mouse, and a message box from
// the check would swallow the click: the dialog could then never be left.
// OK makes the check itself, and Cancel does not need it.
#pragma once

#include <QApplication>
#include <QFocusEvent>
#include <QWidget>

namespace vn {

// A focus change that the user made inside the dialog.
inline bool MovedWithinDialog(const QFocusEvent& event) {
  return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

// A focus-out of a dialog's entry after which the entry is checked. Asked
// while the entry handles the event, when the application already names the
// control that receives the focus.
inline bool ChecksOnLeaving(const QFocusEvent& event, const QWidget* ok, const QWidget* cancel) {
  const QWidget* to = QApplication::focusWidget();
  return MovedWithinDialog(event) && (to == nullptr || (to != ok && to != cancel));
}

}  // namespace vn
