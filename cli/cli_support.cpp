#include "cli/cli_support.h"

#include "oslo/lens_file_export.h"

namespace vn::cli {

std::string ListGlasses() { throw UsageProblem("--list-glasses: the glass catalogs are not built in yet"); }

std::string ChooseGlass(const std::optional<std::string>&, const std::optional<std::string>&,
                        SharedValues&) {
  throw UsageProblem("--glass/--wavelength: the glass catalogs are not built in yet");
}

bool ChooseExploration(const std::string&, SharedValues&) {
  throw UsageProblem("--explore: not available yet");
}

std::unique_ptr<LensFilePlatform> MakePlatform() { return nullptr; }

std::string ExactText(const NullFinder&, const SharedValues&) { return ""; }
std::string ExactJson(const NullFinder&, const SharedValues&) { return "null"; }

}  // namespace vn::cli
