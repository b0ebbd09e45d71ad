// vantry-null: the window program. One main window; closing it ends the
// program, and nothing is kept from one start to the next.
#include <QApplication>
#include <memory>

#include "common/shared_values.h"
#include "oslo/lens_file_platform.h"
#include "run/null_finder.h"
#include "ui/form_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantry Null"));

  vn::SharedValues shared;
  const std::unique_ptr<vn::LensFilePlatform> platform = vn::MakeSystemLensFilePlatform();
  vn::NullFinder finder(shared, platform.get());
  vn::FormMain window(shared, finder);
  window.show();
  return QApplication::exec();
}
