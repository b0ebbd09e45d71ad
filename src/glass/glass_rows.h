// The built-in catalog rows, one glass per row: NAME|A0|A1|A2|A3|A4|A5.
//
// The rows are product data kept as text in data/glass/ and compiled into the
// core by the build (cmake/GlassData.cmake); nothing is read from disk when the
// program runs. The order of the rows is immaterial: loading a catalog sorts it.
#pragma once

#include <span>
#include <string_view>

namespace vn {

// The 241 Schott rows.
std::span<const std::string_view> BuiltInSchottRows();

// The 276 Ohara rows.
std::span<const std::string_view> BuiltInOharaRows();

}  // namespace vn
