// vantry-null: the window program. One main window; closing it ends the
// program. The window's size, position and last folder are kept from one start
// to the next in the user's settings; the entries are not.
#include <QApplication>
#include <QSettings>
#include <memory>

#include "common/shared_values.h"
#include "oslo/lens_file_platform.h"
#include "run/null_finder.h"
#include "ui/form_main.h"
#include "ui/program_icon.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantry Null"));
  QApplication::setOrganizationName(QStringLiteral("Vantry Null"));
  QApplication::setWindowIcon(vn::ProgramIcon());
#ifdef VN_DESKTOP_ID
  // The installed desktop entry's name: desktops (Wayland's above all) know
  // the window by it, and show it with the entry's name and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(VN_DESKTOP_ID));
#endif
  QSettings settings;

  vn::SharedValues shared;
  const std::unique_ptr<vn::LensFilePlatform> platform = vn::MakeSystemLensFilePlatform();
  vn::NullFinder finder(shared, platform.get());
  vn::FormMain window(shared, finder);
  window.UseSettings(&settings);
  window.show();
  return QApplication::exec();
}
