// What the window keeps between sessions: its size and position and the
// folder of the last file chosen. The entries are not kept: every session
// starts from the start-up set-up, as the program always has; a set-up file
// keeps a set-up for as long as the user wants it.
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "ui/form_main.h"

namespace vn {

namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kFolderKey = QStringLiteral("files/lastFolder");

}  // namespace

void FormMain::UseSettings(QSettings* settings) {
  settings_ = settings;
  if (settings_ == nullptr) return;
  // The toolkit puts a window saved on a screen that is gone back onto one
  // that is there.
  const QByteArray geometry = settings_->value(kGeometryKey).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  const QString folder = settings_->value(kFolderKey).toString();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) lastFolder_ = folder;
}

void FormMain::SaveWindowSettings() {
  if (settings_ == nullptr) return;
  settings_->setValue(kGeometryKey, saveGeometry());
  settings_->sync();
}

QString FormMain::StartFolder() const {
  if (!lastFolder_.isEmpty()) return lastFolder_;
  // The documents folder is named even where it does not exist; a file
  // dialog would take a missing folder's name for a file name.
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void FormMain::RememberFolder(const QString& file) {
  lastFolder_ = QFileInfo(file).absolutePath();
  if (settings_ != nullptr) settings_->setValue(kFolderKey, lastFolder_);
}

}  // namespace vn
