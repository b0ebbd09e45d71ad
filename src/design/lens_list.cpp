// Reading a lens list from CSV text, row by row, each bad row named and left
// out.
#include "design/lens_list.h"

#include <cmath>

#include "common/constants.h"
#include "common/failure.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "engine/optics_primitives.h"
#include "glass/glass_lookup.h"
#include "glass/glass_record.h"

namespace vn {

namespace {

constexpr int kFirstRequired = 1, kRequiredColumns = 7, kAllColumns = 8;
enum Column { kName = 1, kPart, kRadius1, kRadius2, kThickness, kDiameter, kGlass, kFocal };

// A vendor's focal length further than this from the one the radii give is
// reported: catalogue focal lengths are rounded to a few per cent at most,
// and a radius typed with the wrong sign changes it by far more.
constexpr double kFocalLengthTolerance = 0.05;

// Indices outside this are no glass: the test's lens must bend light toward
// the axis, and no optical glass exceeds 2.2 in the visible.
constexpr double kLowestIndex = 1.0, kHighestIndex = 3.0;

// ---- Records ----------------------------------------------------------------

struct Field {
  std::string text;
  bool quoted = false;
};

struct Record {
  int row = 0;  // line where it starts
  std::vector<Field> fields;
  std::string fault;  // a quoting fault, with the column it is in
  int faultColumn = 0;
};

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && Blank(s[b])) ++b;
  while (e > b && Blank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// Reads the record that starts at byte `i` of the text (RFC 4180, with LF,
// CR LF or CR line ends) and moves `i` and `line` past it; one record at a
// time, so that a long list is never held twice.
Record NextRecord(std::string_view text, std::size_t& i, int& line) {
  const auto lineEnd = [&](std::size_t at) {
    if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    return text[at] == '\n' ? 1 : 0;
  };
  Record record;
  record.row = line;
  for (;;) {
    // One field: blanks before a quote are allowed, as spreadsheets write them.
    Field field;
    std::size_t start = i;
    while (start < text.size() && Blank(text[start])) ++start;
    if (start < text.size() && text[start] == '"') {
      field.quoted = true;
      i = start + 1;
      bool closed = false;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field.text += '"';
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        if (const int n = lineEnd(i)) {
          ++line;
          field.text += '\n';
          i += static_cast<std::size_t>(n);
          continue;
        }
        field.text += text[i++];
      }
      const int column = static_cast<int>(record.fields.size()) + 1;
      if (!closed && record.fault.empty()) {
        record.fault = "the quoted field is not closed before the end of the file";
        record.faultColumn = column;
      }
      while (i < text.size() && Blank(text[i])) ++i;
      if (i < text.size() && text[i] != ',' && !lineEnd(i)) {
        if (record.fault.empty()) {
          record.fault = "text follows the closing quote";
          record.faultColumn = column;
        }
        while (i < text.size() && text[i] != ',' && !lineEnd(i)) ++i;
      }
    } else {
      i = start;
      while (i < text.size() && text[i] != ',' && !lineEnd(i)) ++i;
      field.text = Trimmed(text.substr(start, i - start));
    }
    record.fields.push_back(std::move(field));
    if (i < text.size() && text[i] == ',') {
      ++i;
      continue;
    }
    break;
  }
  if (i < text.size()) {
    i += static_cast<std::size_t>(lineEnd(i));
    ++line;
  }
  return record;
}

// Keeps the first kMaxListedProblems problems and counts the others: a list
// of a million bad rows must not bury the user in a million messages.
void Note(LensList& list, LensListProblem problem) {
  if (list.problems.size() < kMaxListedProblems) {
    list.problems.push_back(std::move(problem));
  } else {
    ++list.unlistedProblems;
  }
}

bool Skipped(const Record& r) {
  if (r.fields.empty()) return true;
  if (!r.fields[0].quoted && r.fields[0].text.rfind('#', 0) == 0) return true;
  for (const Field& f : r.fields) {
    if (!f.text.empty() || f.quoted) return false;
  }
  return true;
}

// ---- Fields -------------------------------------------------------------------

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool FlatWord(std::string_view text) {
  std::string word = Lower(text);
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.erase(0, 1);
  return word == "flat" || word == "plano" || word == "inf" || word == "infinity" ||
         word == "\xE2\x88\x9E";  // ∞
}

// A radius as listed: a number of the list's unit, or a flat face.
std::optional<double> ReadRadius(std::string_view text) {
  if (FlatWord(text)) return kFlatFaceRadius;
  return ReadNumber(text);
}

// The text with every byte that is not part of well-formed UTF-8 replaced by
// U+FFFD; `changed` says whether any was.
std::string ValidUtf8(std::string_view text, bool& changed) {
  std::string out;
  changed = false;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8SequenceLength(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      changed = true;
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

// The first fault of a row is a Failure(Syntax) whose place is its column
// (0: the row as a whole); the row is then left out.
[[noreturn]] void FailRow(int column, const std::string& what) {
  throw Failure(FailureKind::Syntax, what, static_cast<std::size_t>(column));
}

class RowReader {
 public:
  RowReader(const Record& record, const LensListOptions& options)
      : record_(record), options_(options) {}

  const std::string& Text(int column) const {
    static const std::string kEmpty;
    const auto i = static_cast<std::size_t>(column - 1);
    return i < record_.fields.size() ? record_.fields[i].text : kEmpty;
  }

  double Length(double entered) const { return inchFromUnit(entered, options_.inchLengths); }
  const char* Unit() const { return options_.inchLengths ? "inches" : "millimetres"; }

  double Radius(int column) const {
    const std::string& text = Text(column);
    const auto r = ReadRadius(text);
    if (!r) {
      FailRow(column, Quoted(text) + " is not a radius: write a number of " + Unit() +
                          ", or flat for a plane face");
    }
    if (*r == 0.0) {
      FailRow(column, "a radius of 0 is no surface: write flat (or inf) for a plane face");
    }
    return *r == kFlatFaceRadius ? kFlatFaceRadius : Length(*r);
  }

  double Positive(int column) const {
    const std::string& text = Text(column);
    const auto x = ReadNumber(text);
    if (!x) FailRow(column, Quoted(text) + " is not a number of " + Unit());
    if (!(*x > 0.0)) FailRow(column, Quoted(text) + " must be more than 0");
    return Length(*x);
  }

  static std::string Quoted(const std::string& text) {
    return text.empty() ? std::string("the empty field") : "\"" + text + "\"";
  }

 private:
  const Record& record_;
  const LensListOptions& options_;
};

std::string Where(int row, int column) {
  std::string where = "row " + std::to_string(row);
  if (column > 0) {
    where += ", column " + std::to_string(column) + " (" + kLensListColumns[column - 1] + ")";
  }
  return where + ": ";
}

// The glass: an index, or a catalog glass taken at the test wavelength with
// the rounding of the refractive-index dialog (so that the lens, chosen,
// gets the index the dialog would give it). Sets the d-line index for the
// focal-length check; returns a warning when the glass was stood in for.
std::string ReadGlass(const RowReader& reader, const LensListOptions& options, ListedLens& listed,
                      double& indexAtD) {
  const std::string& text = reader.Text(kGlass);
  if (const auto index = ReadNumber(text)) {
    if (!(*index > kLowestIndex && *index < kHighestIndex)) {
      FailRow(kGlass, RowReader::Quoted(text) + " is no refractive index of a glass " +
                          "(between 1 and 3)");
    }
    listed.lens.index = *index;
    indexAtD = *index;
    return {};
  }
  std::string warning;
  auto found = FindGlass(text);
  // Makers' lists name today's lead-free glasses ("N-BK7"); the catalogs hold
  // the classic glasses they were made to replace, index for index.
  if (!found && text.size() > 2 && (text[0] == 'N' || text[0] == 'n') && text[1] == '-') {
    found = FindGlass(std::string_view(text).substr(2));
    if (found) {
      warning = text + " is not in the catalogs; " + found->glass->Name +
                ", the classic glass it replaces, is taken for it";
    }
  }
  if (!found) {
    std::string what =
        RowReader::Quoted(text) + " is neither a refractive index nor a glass " + "of the catalogs";
    const auto close = CloseGlassNames(text);
    if (!close.empty()) {
      what += " (close:";
      for (const std::string& name : close) what += " " + name;
      what += ")";
    }
    FailRow(kGlass, what);
  }
  listed.glassName = found->glass->Name;
  listed.lens.index = *ReadNumber(RoundedIndexText(*found->glass, options.wavelengthNm));
  indexAtD = GlassIndex(*found->glass, kWavelengthDNm);
  return warning;
}

std::string FocalText(double inches, bool inch) {
  return inch ? RoundedText(inches, 3) + " in" : RoundedText(mmFromInch(inches), 1) + " mm";
}

ListedLens ReadRow(const Record& record, const LensListOptions& options, LensList& list) {
  if (!record.fault.empty()) FailRow(record.faultColumn, record.fault);
  const int fields = static_cast<int>(record.fields.size());
  if (fields < kRequiredColumns) {
    std::string what = std::to_string(fields) + (fields == 1 ? " field" : " fields") +
                       ", but a lens needs at least " + std::to_string(kRequiredColumns) +
                       " (name, part number, radius 1, radius 2, centre thickness, diameter, "
                       "glass)";
    if (fields == 1 && record.fields[0].text.find(';') != std::string::npos) {
      what += "; fields are separated by commas, with a point before decimals";
    }
    FailRow(0, what);
  }
  const RowReader reader(record, options);
  ListedLens listed;
  listed.row = record.row;
  for (int column : {kName, kPart}) {
    bool changed = false;
    std::string text = ValidUtf8(reader.Text(column), changed);
    if (changed) {
      Note(list, {record.row, column, true,
                  Where(record.row, column) +
                      "not UTF-8 text; the bytes that are not are shown as \xEF\xBF\xBD"});
    }
    (column == kName ? listed.name : listed.partNumber) = std::move(text);
  }
  if (listed.name.empty() && listed.partNumber.empty()) {
    FailRow(kFirstRequired, "the lens has neither a name nor a part number");
  }
  listed.lens.sourceRadius = reader.Radius(kRadius1);
  listed.lens.mirrorRadius = reader.Radius(kRadius2);
  listed.lens.thickness = reader.Positive(kThickness);
  listed.lens.diameter = reader.Positive(kDiameter);
  double indexAtD = 0;
  const std::string standIn = ReadGlass(reader, options, listed, indexAtD);
  if (!standIn.empty()) {
    Note(list, {record.row, kGlass, true, Where(record.row, kGlass) + standIn});
  }

  if (fields >= kFocal && !reader.Text(kFocal).empty()) {
    const std::string& text = reader.Text(kFocal);
    const auto f = ReadNumber(text);
    if (!f || *f == 0.0) {
      FailRow(kFocal, RowReader::Quoted(text) + " is not a focal length in " + reader.Unit() +
                          " (leave it empty when not known)");
    }
    listed.vendorFocalLength = reader.Length(*f);
    // The maker's focal length against the one the row's radii give: a
    // radius typed with the maker's sign the wrong way round shows here.
    const double computed = ThickLensFocalLength(listed.lens.sourceRadius, listed.lens.mirrorRadius,
                                                 listed.lens.thickness, indexAtD);
    const double listedF = *listed.vendorFocalLength;
    if (!(std::fabs(computed - listedF) <= kFocalLengthTolerance * std::fabs(listedF))) {
      const bool inch = options.inchLengths;
      Note(list,
           {record.row, kFocal, true,
            Where(record.row, kFocal) + "the radii, thickness and glass give a focal length of " +
                FocalText(computed, inch) + (listed.glassName.empty() ? "" : " at the d line") +
                ", the list says " + FocalText(listedF, inch) +
                "; check the radii's signs (a biconvex lens has a negative radius 2)"});
    }
  }
  if (fields > kAllColumns) {
    Note(list, {record.row, kAllColumns + 1, true,
                Where(record.row, 0) + "the fields after the 8th are not read"});
  }
  return listed;
}

}  // namespace

double ThickLensFocalLength(double radius1, double radius2, double thickness, double index) {
  return 1.0 / ThickLensPower(CurvatureFromRadius(radius1), CurvatureFromRadius(radius2), thickness,
                              index);
}

LensList ReadLensList(std::string_view text, const LensListOptions& options) {
  LensList list;
  bool first = true;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::size_t at = 0;
  int line = 1;
  while (at < text.size()) {
    if (CancelRequested(options.cancel)) {
      list.stopped = true;
      break;
    }
    const Record record = NextRecord(text, at, line);
    if (Skipped(record)) continue;
    // A first row with no number where the radii, the thickness and the
    // diameter stand names the columns (a lens row with a mistyped radius
    // still has numbers there, and is reported).
    if (first) {
      first = false;
      bool heading = record.fault.empty() && record.fields.size() >= kDiameter;
      for (int column = kRadius1; heading && column <= kDiameter; ++column) {
        heading = !ReadRadius(record.fields[static_cast<std::size_t>(column - 1)].text);
      }
      if (heading) continue;
    }
    try {
      list.lenses.push_back(ReadRow(record, options, list));
    } catch (const Failure& fault) {
      if (fault.kind() != FailureKind::Syntax) throw;
      const int column = static_cast<int>(fault.where());
      Note(list, {record.row, column, false,
                  Where(record.row, column) + fault.what() + "; the row is left out"});
    }
  }
  return list;
}

}  // namespace vn
