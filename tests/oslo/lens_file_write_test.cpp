// Writing lens files so that nothing is lost: the names a file may take, a
// held name (file, folder, link) never replaced nor followed, writers side by
// side each keeping their own file, and no temporary file left behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "oslo/fake_lens_file_platform.h"
#include "oslo/lens_file_name.h"
#include "oslo/lens_file_platform.h"

namespace vn {
namespace {

using Names = std::vector<std::string>;
namespace fs = std::filesystem;

Names Take(const NextFileName& next, std::size_t most) {
  Names names;
  for (std::string name; names.size() < most && !(name = next()).empty();) names.push_back(name);
  return names;
}

// The plain name, then _2, _3 ...; names this run wrote already are passed
// over, and the list ends after _9999 (9,999 names, less those passed over).
TEST(LensFileNames, NumberedAfterThePlainNameAndFinite) {
  EXPECT_EQ(Take(LensFileNames("/d/a.len", {}), 3),
            (Names{"/d/a.len", "/d/a_2.len", "/d/a_3.len"}));
  EXPECT_EQ(Take(LensFileNames("/d/a.len", {"/d/a.len", "/d/a_3.len"}), 3),
            (Names{"/d/a_2.len", "/d/a_4.len", "/d/a_5.len"}));
  const Names all = Take(LensFileNames("/d/a.len", {"/d/a_2.len"}), 20000);
  EXPECT_EQ(all.size(), 9998u);
  EXPECT_EQ(all.back(), "/d/a_9999.len");
}

// The names offered in turn, then none.
NextFileName Offer(Names names) {
  return [names, k = std::size_t{0}]() mutable { return k < names.size() ? names[k++] : ""; };
}

// Every kind of held name is passed over and left as it was, a link at a name
// is not followed (its target is not created), and the text lands whole
// under the first free name with nothing else added to the folder.
TEST(WriteFileUnderFreeName, HeldNamesAreNeitherReplacedNorFollowed) {
  test::TempFolder folder("free_name");
  const std::string d = folder.path + "/";
  { std::ofstream(d + "file") << "mine"; }
  fs::create_directory(d + "folder");
  // Links where the system lets a user make them (Windows asks for a privilege).
  std::error_code noLinks;
  fs::create_symlink(d + "elsewhere", d + "dangling", noLinks);
  if (!noLinks) fs::create_symlink(d + "file", d + "link", noLinks);
  Names held = {d + "file", d + "folder"}, names = {"file", "folder", "free"};
  if (!noLinks) {
    held.insert(held.end(), {d + "dangling", d + "link"});
    names = {"dangling", "file", "folder", "free", "link"};
  }
  held.push_back(d + "free");

  const FileWriteResult r = WriteFileUnderFreeName(Offer(held), "text\r\n");
  EXPECT_EQ(r.path, d + "free");
  EXPECT_EQ(r.why, "");
  EXPECT_EQ(test::FileText(d + "free"), "text\r\n");
  EXPECT_EQ(test::FileText(d + "file"), "mine");
  EXPECT_EQ(folder.Names(), names);
}

// No name free, no folder, no folder at all: the system's reason, nothing left.
TEST(WriteFileUnderFreeName, FailureSaysWhyAndLeavesNothing) {
  test::TempFolder folder("no_name");
  const std::string d = folder.path + "/";
  { std::ofstream(d + "a") << "a"; }
  const struct {
    Names names;
    const char* why;
  } cases[] = {
      {{d + "a"}, "File exists"},
      {{}, "File exists"},
      {{d + "missing/a"}, "No such file or directory"},
      {{d + "a/b"}, "Not a directory"},
  };
  for (const auto& c : cases) {
    const FileWriteResult r = WriteFileUnderFreeName(Offer(c.names), "text");
    EXPECT_EQ(r.path, "");
    EXPECT_EQ(r.why, c.why);
    EXPECT_EQ(folder.Names(), Names{"a"});
  }
}

// Eight writers in one folder at once, each writing twelve files under the
// same list of names: every file is kept, each under a name of its own and
// holding its own writer's text.
TEST(WriteFileUnderFreeName, WritersSideBySideKeepEveryFile) {
  test::TempFolder folder("side_by_side");
  constexpr int kWriters = 8, kFiles = 12;
  std::vector<Names> written(kWriters);
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int f = 0; f < kFiles; ++f) {
        const std::string text = std::to_string(w) + " " + std::to_string(f);
        written[w].push_back(
            WriteFileUnderFreeName(LensFileNames(folder.path + "/x.len", {}), text).path);
      }
    });
  }
  for (auto& t : writers) t.join();
  Names all;
  for (int w = 0; w < kWriters; ++w) {
    for (int f = 0; f < kFiles; ++f) {
      EXPECT_EQ(test::FileText(written[w][f]), std::to_string(w) + " " + std::to_string(f));
      all.push_back(written[w][f]);
    }
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::unique(all.begin(), all.end()), all.end());
  EXPECT_EQ(folder.Names().size(), std::size_t{kWriters * kFiles});
}

}  // namespace
}  // namespace vn
