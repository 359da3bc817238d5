#include "map/dynamic_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "map/map_store.h"

namespace {

// Runs access and expects DynArrayOutOfRange carrying index and length.
template <typename Access>
void ExpectOutOfRange(Access access, int32_t index, int32_t length) {
  try {
    access();
    ADD_FAILURE() << "no exception for index " << index;
  } catch (const DynArrayOutOfRange& e) {
    EXPECT_EQ(e.Index(), index);
    EXPECT_EQ(e.Length(), length);
  }
}

DynamicArray<TPoint> Vertices(std::initializer_list<TPoint> list) {
  DynamicArray<TPoint> v;
  v.SetLength(static_cast<int32_t>(list.size()));
  int32_t i = 0;
  for (const TPoint& p : list) v[i++] = p;
  return v;
}

}  // namespace

TEST(DynamicArray, EveryAccessOutsideTheLengthRaises) {
  DynamicArray<int32_t> a;
  ExpectOutOfRange([&] { a[0]; }, 0, 0);
  a.SetLength(3);
  const struct { int32_t index; } cases[] = {{-1}, {3}, {INT32_MIN}, {INT32_MAX}};
  for (const auto& c : cases) ExpectOutOfRange([&] { a[c.index]; }, c.index, 3);
  a.SetLength(0);
  EXPECT_EQ(a.Length(), 0);
  EXPECT_EQ(a.RefCount(), 0);
  ExpectOutOfRange([&] { a[2]; }, 2, 0);
}

TEST(DynamicArray, NewElementsAreZeroAndEmpty) {
  DynamicArray<TFieldM> m;
  m.SetLength(2);
  EXPECT_EQ(m[1].X, 0);
  EXPECT_EQ(m[1].Y, 0);
  EXPECT_EQ(m[1].Code, 0);
  EXPECT_TRUE(m[1].Text.empty());
  DynamicArray<TFieldS> s;
  s.SetLength(1);
  EXPECT_EQ(s[0].From + s[0].To + s[0].Length, 0);
  EXPECT_EQ(s[0].Vertices.Length(), 0);
}

TEST(DynamicArray, CopiesShareOneBlock) {
  DynamicArray<int32_t> a;
  a.SetLength(2);
  DynamicArray<int32_t> b = a;
  EXPECT_EQ(a.RefCount(), 2);
  b[1] = 7;
  EXPECT_EQ(a[1], 7);
  b = b;  // self-assignment changes nothing
  EXPECT_EQ(a.RefCount(), 2);
  b.SetLength(2);  // a new block on every SetLength, also at the same length
  EXPECT_EQ(a.RefCount(), 1);
  EXPECT_EQ(b[1], 7);
  b[1] = 9;
  EXPECT_EQ(a[1], 7);
  a = DynamicArray<int32_t>();
  EXPECT_EQ(a.Length(), 0);
}

TEST(DynamicArray, GrowingSegmentsSharesVertexListsWithoutCopying) {
  DynamicArray<TFieldS> table;
  table.SetLength(1);
  table[0].From = 1;
  table[0].To = 2;
  table[0].Length = 200;
  table[0].Vertices = Vertices({{100, 200}, {300, 200}});
  const DynamicArray<TPoint> before = table[0].Vertices;
  EXPECT_EQ(before.RefCount(), 2);

  table.SetLength(2);  // the old table block goes; the vertex block stays
  EXPECT_EQ(before.RefCount(), 2);
  EXPECT_EQ(table[0].From, 1);
  EXPECT_EQ(table[0].To, 2);
  EXPECT_EQ(table[0].Length, 200);
  EXPECT_EQ(table[0].Vertices[1].x, 300);
  table[0].Vertices[1].x = 301;  // the same block, not a copy
  EXPECT_EQ(before[1].x, 301);
  EXPECT_EQ(table[1].Vertices.Length(), 0);
}

// A load carves its texts from chunks it then drops: the texts outlive
// them, and a growing table shares rather than copies them.
TEST(DynamicArray, GrowingPointsSharesTextsCarvedFromChunks) {
  DynamicArray<TFieldM> table;
  table.SetLength(2);
  {
    ArrayChunks chunks;
    table[0].Text = SharedText("\"High Street\"", chunks);
    table[1].Text = SharedText("", chunks);
  }
  const char* characters = table[0].Text.View().data();
  table.SetLength(3);
  EXPECT_EQ(table[0].Text.View().data(), characters);
  EXPECT_EQ(table[0].Text, "\"High Street\"");
  EXPECT_TRUE(table[1].Text.empty());
  EXPECT_TRUE(table[2].Text.empty());
}

TEST(DynamicArray, ShrinkingReleasesTheDroppedElements) {
  DynamicArray<TFieldS> table;
  table.SetLength(3);
  table[2].Vertices = Vertices({{1, 1}});
  const DynamicArray<TPoint> kept = table[2].Vertices;
  DynamicArray<TFieldM> names;
  names.SetLength(2);
  names[0].Text = "Gate";
  names[1].Text = "Mill";

  table.SetLength(2);
  names.SetLength(1);
  EXPECT_EQ(kept.RefCount(), 1);  // only this handle still refers to it
  EXPECT_EQ(table.Length(), 2);
  EXPECT_EQ(names.Length(), 1);
  EXPECT_EQ(names[0].Text, "Gate");
}

TEST(DynamicArray, NegativeLengthRaisesAndKeepsTheArray) {
  DynamicArray<TPoint> a = Vertices({{1, 2}});
  EXPECT_THROW(a.SetLength(-1), DynArrayException);
  EXPECT_EQ(a.Length(), 1);
}

// A block made larger than needed, filled in part and shortened in place:
// the filled segments keep their numbers and sole vertex blocks; a shared
// block or a longer length is refused.
TEST(DynamicArray, DropUnfilledTailKeepsWhatWasFilled) {
  DynamicArray<TFieldS> room;
  room.SetLength(100000);
  for (int32_t j = 0; j < 3; ++j) {
    room[j].From = j + 1;
    room[j].Vertices = Vertices({{j, -j}});
  }
  room.DropUnfilledTail(3);
  ASSERT_EQ(room.Length(), 3);
  for (int32_t j = 0; j < 3; ++j) {
    EXPECT_EQ(room[j].From, j + 1);
    EXPECT_EQ(room[j].Vertices[0].y, -j);
    EXPECT_EQ(room[j].Vertices.RefCount(), 1);
  }
  EXPECT_THROW(room.DropUnfilledTail(4), DynArrayException);
  const DynamicArray<TFieldS> shared = room;
  EXPECT_THROW(room.DropUnfilledTail(2), DynArrayException);
  room = DynamicArray<TFieldS>();
  EXPECT_EQ(shared.Length(), 3);
}

// Arrays carved from chunks, some too large to be, copied, regrown and
// shortened, then released in random order after the chunks object is
// gone: each starts zero and keeps its values until its last handle goes
// (the sanitizers see a chunk freed too early).
TEST(DynamicArray, CarvedArraysOutliveTheirChunksAndKeepTheirValues) {
  struct Kept {
    int32_t number, filled;
    DynamicArray<TPoint> array;
  };
  std::mt19937 random(11);
  std::vector<Kept> arrays;
  {
    ArrayChunks chunks;
    for (int32_t k = 0; k < 60000; ++k) {  // several chunks' worth
      DynamicArray<TPoint> a;
      a.SetLength(k % 5000 == 0 ? 1000 : 1 + k % 5, chunks);
      ASSERT_EQ(a[a.Length() - 1].y, 0);
      for (int32_t i = 0; i < a.Length(); ++i) a[i] = {k, i};
      const int32_t filled = a.Length();
      if (k % 7 == 0) a.SetLength(a.Length() + 1);  // onto the heap
      if (k % 11 == 0) a.DropUnfilledTail(1);
      arrays.push_back({k, std::min(filled, a.Length()), a});
      if (k % 3 == 0) arrays.push_back(arrays.back());
    }
  }
  std::shuffle(arrays.begin(), arrays.end(), random);
  for (; !arrays.empty(); arrays.pop_back()) {
    const Kept& kept = arrays.back();
    for (int32_t i = 0; i < kept.array.Length(); ++i)
      ASSERT_EQ(kept.array[i].x, i < kept.filled ? kept.number : 0);
  }
}
