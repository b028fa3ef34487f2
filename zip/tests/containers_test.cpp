#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/exceptions.h"
#include "zip/containers.h"

namespace zip {
namespace {

TEST(ObjectList, CapacityGrowsByTheRule) {
  TObjectList<int> list(false);
  std::vector<int> seen;
  int value = 0;
  for (int i = 0; i < 40; ++i) {
    list.Add(&value);
    if (seen.empty() || seen.back() != list.Capacity()) seen.push_back(list.Capacity());
  }
  EXPECT_EQ(seen, (std::vector<int>{4, 8, 16, 20, 24, 29, 34, 40}));
  TObjectList<int> other(false);
  other.SetCapacity(9);
  for (int i = 0; i < 10; ++i) other.Add(&value);
  EXPECT_EQ(other.Capacity(), 12);
}

TEST(ObjectList, IndexErrorsCarryTheRuntimeText) {
  TObjectList<int> list(false);
  int a = 1, b = 2;
  list.Add(&a);
  try {
    list.Item(3);
    FAIL();
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Insert(2, &b), platform::EListError);
  EXPECT_THROW(list.SetCapacity(0), platform::EListError);
  list.Insert(0, &b);
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Last(), &a);
  EXPECT_EQ(list.IndexOf(&a), 1);
  EXPECT_EQ(list.Relative(&b, true), &a);
  EXPECT_EQ(list.Relative(&a, true), nullptr);
  EXPECT_EQ(list.Relative(nullptr, false), &a);
  int stranger = 3;
  EXPECT_THROW(list.Relative(&stranger, true), platform::EListError);
}

TEST(ObjectList, OwnedObjectsAreFreedWithTheList) {
  auto alive = std::make_shared<int>(0);
  struct Tracker {
    std::shared_ptr<int> counter;
    explicit Tracker(std::shared_ptr<int> c) : counter(std::move(c)) { ++*counter; }
    ~Tracker() { --*counter; }
  };
  {
    TObjectList<Tracker> list;
    list.Add(new Tracker(alive));
    list.Add(new Tracker(alive));
    EXPECT_EQ(*alive, 2);
  }
  EXPECT_EQ(*alive, 0);
}

std::unique_ptr<TZipHeaderInfo> Entry(const std::string& path, uint32_t csize = 0, uint32_t usize = 0,
                                      uint32_t offset = 0, uint32_t time = 0x5A2B6000) {
  auto e = std::make_unique<TZipHeaderInfo>();
  const size_t cut = path.find_last_of('\\');
  e->SetDirectory(cut == std::string::npos ? "" : path.substr(0, cut + 1));
  e->SetFileName(cut == std::string::npos ? path : path.substr(cut + 1));
  e->SetCompressedSize(csize);
  e->SetUncompressedSize(usize);
  e->SetRelativeOffset(offset);
  e->FileDateTime = time;
  return e;
}

struct SortCase {
  const char* name;
  TZipSortMode mode;
  std::vector<std::string> paths;
  std::vector<uint32_t> csize, usize, time;
  std::vector<int> expected;  // indexes into paths, in view order
};

class SortedZipTest : public testing::TestWithParam<SortCase> {};

TEST_P(SortedZipTest, OrdersAndPlacesTies) {
  const SortCase& c = GetParam();
  std::vector<std::unique_ptr<TZipHeaderInfo>> entries;
  TSortedZip view(false, dupAccept);
  view.SortMode = c.mode;
  for (size_t i = 0; i < c.paths.size(); ++i) {
    entries.push_back(Entry(c.paths[i], c.csize.empty() ? 0 : c.csize[i], c.usize.empty() ? 0 : c.usize[i],
                            static_cast<uint32_t>(i * 100), c.time.empty() ? 0x5A2B6000 : c.time[i]));
    view.Add(entries.back().get());
  }
  std::vector<int> order;
  for (int i = 0; i < view.Count(); ++i)
    for (size_t k = 0; k < entries.size(); ++k)
      if (view.Item(i) == entries[k].get()) order.push_back(static_cast<int>(k));
  EXPECT_EQ(order, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SortedZipTest,
    testing::Values(
        SortCase{"name: equal paths, later-added first", ByName, {"a.txt", "B.txt", "a.TXT"}, {}, {}, {}, {2, 0, 1}},
        SortCase{"name: folders count", ByName, {"z\\a", "a\\z", "m"}, {}, {}, {}, {1, 2, 0}},
        SortCase{"file name", ByFileName, {"x\\b", "y\\a", "z\\b"}, {}, {}, {}, {1, 2, 0}},
        SortCase{"directory", ByDirectoryName, {"b\\1", "a\\2", "b\\3"}, {}, {}, {}, {1, 2, 0}},
        SortCase{"date: newest first, ties keep order", ByDate, {"1", "2", "3"}, {}, {},
                 {0x5A2B6000, 0x5B2B6000, 0x5A2B6000}, {1, 0, 2}},
        SortCase{"compressed size: largest first", ByCompressedSize, {"1", "2", "3", "4"}, {10, 30, 20, 30}, {},
                 {}, {1, 3, 2, 0}},
        SortCase{"uncompressed size", ByUnCompressedSize, {"1", "2", "3"}, {}, {5, 5, 9}, {}, {2, 0, 1}},
        SortCase{"rate: empty entry is 0", ByRate, {"empty", "half", "stored"}, {0, 50, 100}, {0, 100, 100}, {},
                 {2, 1, 0}},
        SortCase{"none: physical order", ByNone, {"c", "a", "b"}, {}, {}, {}, {0, 1, 2}}));

TEST(SortedZip, DuplicatePoliciesAndPut) {
  auto a = Entry("a", 0, 0, 100);
  auto b = Entry("b", 0, 0, 100);
  TSortedZip natural(false, dupError);
  natural.Add(a.get());
  try {
    natural.Add(b.get());
    FAIL();
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "Duplicate Object index");
  }
  EXPECT_EQ(natural.Count(), 1);
  TSortedZip ignoring(false, dupIgnore);
  ignoring.Add(a.get());
  ignoring.Add(b.get());
  EXPECT_EQ(ignoring.Count(), 1);
  EXPECT_EQ(ignoring.IndexOf(b.get()), 0);  // an equal entry, not the same object
  try {
    natural.Put(0, b.get());
    FAIL();
  } catch (const platform::EListError& e) {
    EXPECT_STREQ(e.what(), "Cannot <Put> an Object in a sorted list!");
  }
}

}  // namespace
}  // namespace zip
