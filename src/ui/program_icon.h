// The program's icon, drawn from data/icons/vantry-null.svg (compiled in as
// the resource ":/icons/vantry-null.svg"), for the window and its dialogs.
#pragma once

#include <QIcon>

namespace vn {

QIcon ProgramIcon();

}  // namespace vn
