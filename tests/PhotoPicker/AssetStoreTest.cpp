#include "PhotoPicker/AssetStore.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace photopicker {
namespace {

photos::AssetPtr asset(const std::string& id) {
  photos::Asset::Fields f;
  f.localIdentifier = id;
  return photos::Asset::make(f);
}

std::string ids(const AssetStore& store) {
  std::string out;
  for (const auto& a : store.assets()) out += a->localIdentifier();
  return out;
}

TEST(AssetStoreTest, OperationsKeepSelectionOrder) {
  auto A = asset("A"), B = asset("B"), C = asset("C");
  struct Case {
    const char* name;
    std::vector<photos::AssetPtr> start;
    std::function<void(AssetStore&)> act;
    std::string after;
  } cases[] = {
      {"append in order", {}, [&](AssetStore& s) { s.append(A); s.append(B); s.append(C); }, "ABC"},
      {"append again neither duplicates nor moves", {A, B, C}, [&](AssetStore& s) { s.append(B); }, "ABC"},
      {"an equal copy counts as held", {A, B}, [&](AssetStore& s) { s.append(asset("A")); }, "AB"},
      {"remove closes the gap", {A, B, C}, [&](AssetStore& s) { s.remove(B); }, "AC"},
      {"remove of a stranger changes nothing", {A, C}, [&](AssetStore& s) { s.remove(B); }, "AC"},
      {"remove takes the first of a duplicate", {A, B, A}, [&](AssetStore& s) { s.remove(A); }, "BA"},
      {"removeFirst takes the oldest", {A, B, C}, [&](AssetStore& s) { EXPECT_EQ(s.removeFirst(), A); }, "BC"},
      {"setAssets replaces the list as given", {A}, [&](AssetStore& s) { s.setAssets({C, C}); }, "CC"},
  };
  for (const auto& c : cases) {
    AssetStore store(c.start);
    c.act(store);
    EXPECT_EQ(ids(store), c.after) << c.name;
  }
}

TEST(AssetStoreTest, LookupsAnswerWithTheFirstOccurrence) {
  auto A = asset("A"), B = asset("B"), C = asset("C");
  AssetStore store({A, B, A});
  EXPECT_EQ(store.count(), 3);
  EXPECT_EQ(store.indexOf(A), 0);
  EXPECT_EQ(store.indexOf(asset("B")), 1);
  EXPECT_EQ(store.indexOf(C), std::nullopt);
  EXPECT_FALSE(store.contains(C));

  AssetStore moved({A, B, C});
  moved.remove(B);
  EXPECT_EQ(moved.indexOf(C), 1) << "later selections drop by one";

  AssetStore empty({});
  EXPECT_FALSE(empty.contains(A));
  EXPECT_EQ(empty.indexOf(A), std::nullopt);
  EXPECT_EQ(empty.removeFirst(), nullptr) << "an empty store gives nothing instead of stopping";
  EXPECT_EQ(empty.count(), 0);
}

}  // namespace
}  // namespace photopicker
