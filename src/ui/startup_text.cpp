// The help text the report box shows when the program starts.
#include "ui/startup_text.h"

#include <array>

#include "common/app_info.h"

namespace vn {

std::string StartupText() {
  const std::array<std::string, 24> lines = {
      "Vantry Null Test Setup Calculations Version " + VersionText(),
      // About block: authorship and licence.
      "Written by the Vantry Null developers, 2026",
      "    for amateur and professional opticians testing concave conic mirrors",
      "Copyright (c) 2026 The Vantry Null developers",
      "    Released under the MIT licence; see the file LICENSE that comes with the program",
      "Special Thanks to:",
      "\tthe amateur telescope making community, for keeping the null test in use",
      "\teveryone who built a null lens and reported how well the set-up matched",
      "\tthe Schott and Ohara glass catalogs, for the data behind the refractive index",
      "This program is free software: you may use, copy, change and pass it on under the MIT "
      "licence, without warranty of any kind.",
      "",
      "Enter Mirror and Vantry Null Lens data above and press the 'Find Null Variables' buton",
      "",
      "For Vantry Null Surface radii,with light source on the left of null lens,  and Mirror on "
      "Right of the null lens:",
      "",
      "A) Light source side of null lens will have Positive value for Convex surface, Negative "
      "value for Concave Surface",
      "B) Mirror side of null lens will have Negative value for Convex surface, Positive value for "
      "Concave Surface.",
      "C) For a flat surface use 9e99 for the radius",
      "",
      "******** NOTE ********",
      "Default Vantry Null Data is for Tarvel's Vantry Null Lens when testing at a wave length of "
      "632.8nm (HeNe)",
      "",
      "** If you are going to test at some other wavelength, update the refractive index data to "
      "get reliable results",
      "\t(Click refractive index, and change wave length to that used in your test enviroment)",
  };
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

}  // namespace vn
