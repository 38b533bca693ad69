// The anchor records and the arithmetic of a re-layout: registration, the anchor letters, and
// the rectangles after a resize computed from the creation rectangles.
#include <gtest/gtest.h>

#include "ui/anchor.h"
#include "ui/platform/scale.h"

namespace vardune {

void PrintTo(const AnchorPlace& p, std::ostream* os) {
  *os << "{" << p.Control << ": " << p.X << "," << p.Y << " " << p.W << "x" << p.H << "}";
}

namespace {

constexpr int32_t K = kAnchorKeep;

const Anchor* Record(int32_t window, int32_t control) {
  for (const Anchor& a : Anchors) {
    if (a.Window == window && a.Control == control) return &a;
  }
  return nullptr;
}

class AnchorTest : public ::testing::Test {
 protected:
  void SetUp() override { Anchors.clear(); }
  void TearDown() override { Anchors.clear(); }
};

TEST_F(AnchorTest, RegisteringTwiceKeepsOneRecordWithTheSecondRectangle) {
  _AnchorAdd(1, K, 100, 100, 500, 334);
  _AnchorAdd(1, 3, 30, 5, 465, 20);
  _AnchorAdd(11, 3, 1, 2, 3, 4);  // same control number in another window: its own record
  _AnchorAdd(1, 3, 31, 6, 466, 21);
  ASSERT_EQ(Anchors.size(), 3u);
  EXPECT_EQ(Anchors[1].Control, 3);
  EXPECT_EQ(Anchors[1].X, 31);
  EXPECT_EQ(Anchors[1].H, 21);
  EXPECT_EQ(Anchors[2].Window, 11);
  EXPECT_EQ(Anchors[2].X, 1);

  // Through the letters as well, and reopening a window overwrites its own record.
  _Anchor(L"R", 1, 3, 30, 5, 465, 20);
  _AnchorAdd(1, K, 50, 60, 520, 340);
  ASSERT_EQ(Anchors.size(), 3u);
  EXPECT_EQ(Anchors[0].W, 520);
  EXPECT_EQ(Anchors[1].W, 465);
  EXPECT_EQ(Anchors[1].X, K);
}

TEST_F(AnchorTest, LettersChooseTheCoordinatesThatAreKept) {
  _Anchor(L"", 1, 2, 5, 5, 20, 20);
  EXPECT_TRUE(Anchors.empty()) << "an empty text registers nothing";

  _Anchor(L"R", 1, 3, 30, 5, 465, 20);
  _Anchor(L"RU", 1, 10, 5, 90, 490, 220);
  _Anchor(L"UR", 1, 11, 5, 90, 490, 220);
  _Anchor(L"ur", 1, 12, 5, 90, 490, 220);
  _Anchor(L"LO", 1, 13, 10, 20, 30, 40);
  _Anchor(L"xL-?", 1, 14, 10, 20, 30, 40);
  _Anchor(L"?", 1, 15, 10, 20, 30, 40);  // no anchor letter: registered, everything kept

  const Anchor* a = Record(1, 3);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->X, K);
  EXPECT_EQ(a->Y, K);
  EXPECT_EQ(a->W, 465);
  EXPECT_EQ(a->H, K);

  for (int32_t c : {10, 11, 12}) {
    const Anchor* r = Record(1, c);
    ASSERT_NE(r, nullptr) << c;
    EXPECT_EQ(r->X, K) << c;
    EXPECT_EQ(r->Y, K) << c;
    EXPECT_EQ(r->W, 490) << c;
    EXPECT_EQ(r->H, 220) << c;
  }
  const Anchor* lo = Record(1, 13);
  ASSERT_NE(lo, nullptr);
  EXPECT_EQ(lo->X, 10);
  EXPECT_EQ(lo->Y, 20);
  EXPECT_EQ(lo->W, K);
  EXPECT_EQ(lo->H, K);
  const Anchor* l = Record(1, 14);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->X, 10);
  EXPECT_EQ(l->Y, K);
  const Anchor* none = Record(1, 15);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->X, K);
  EXPECT_EQ(none->W, K);
}

TEST_F(AnchorTest, LayoutFollowsTheChangeOfTheInnerSize) {
  _AnchorAdd(1, K, 100, 100, 500, 334);
  _Anchor(L"R", 1, 3, 30, 5, 465, 20);
  _Anchor(L"RU", 1, 10, 5, 90, 490, 220);
  _Anchor(L"LO", 1, 13, 10, 20, 30, 40);
  _Anchor(L"RU", 11, 20, 1, 1, 100, 100);  // another window's control is not laid out

  EXPECT_EQ(_AnchorLayout(1, 600, 334),
            (std::vector<AnchorPlace>{{3, K, K, 565, K}, {10, K, K, 590, 220}, {13, 110, 20, K, K}}));
  EXPECT_EQ(_AnchorLayout(1, 400, 300),
            (std::vector<AnchorPlace>{{3, K, K, 365, K}, {10, K, K, 390, 186}, {13, -90, -14, K, K}}));
  EXPECT_EQ(_AnchorLayout(1, 520, 434),
            (std::vector<AnchorPlace>{{3, K, K, 485, K}, {10, K, K, 510, 320}, {13, 30, 120, K, K}}));
  // No drift: whatever came before, the registered size gives the creation rectangles.
  EXPECT_EQ(_AnchorLayout(1, 500, 334),
            (std::vector<AnchorPlace>{{3, K, K, 465, K}, {10, K, K, 490, 220}, {13, 10, 20, K, K}}));
}

TEST_F(AnchorTest, LayoutAtAnotherDpiScalesTheRecordsAndTakesTheChangeInPixels) {
  _AnchorAdd(1, K, 100, 100, 500, 334);
  _Anchor(L"R", 1, 3, 30, 5, 465, 20);
  _Anchor(L"RU", 1, 10, 5, 90, 490, 220);
  _Anchor(L"LO", 1, 13, 11, 21, 30, 40);
  // At 150 % a window of 750 x 501 is the design size: the design rectangles times 1.5, with
  // halves rounded up (697.5 -> 698, 16.5 -> 17, 31.5 -> 32).
  EXPECT_EQ(_AnchorLayoutAt(1, 750, 501, 144),
            (std::vector<AnchorPlace>{{3, K, K, 698, K}, {10, K, K, 735, 330}, {13, 17, 32, K, K}}));
  // The minimum of 400 x 300 at 150 %: the change counts in pixels, every record is scaled.
  EXPECT_EQ(_AnchorLayoutAt(1, 600, 450, 144),
            (std::vector<AnchorPlace>{{3, K, K, 548, K}, {10, K, K, 585, 279}, {13, -133, -19, K, K}}));
  // 125 % and 200 %, each at its design size and one pixel wider.
  EXPECT_EQ(_AnchorLayoutAt(1, 625, 418, 120),
            (std::vector<AnchorPlace>{{3, K, K, 581, K}, {10, K, K, 613, 275}, {13, 14, 26, K, K}}));
  EXPECT_EQ(_AnchorLayoutAt(1, 1001, 668, 192),
            (std::vector<AnchorPlace>{{3, K, K, 931, K}, {10, K, K, 981, 440}, {13, 23, 42, K, K}}));
  // At 96 dpi it is the layout of the design coordinates.
  EXPECT_EQ(_AnchorLayoutAt(1, 600, 400, 96), _AnchorLayout(1, 600, 400));
}

TEST(ScaleToDpi, RoundsHalvesAwayFromZeroBothWays) {
  EXPECT_EQ(ui::ScaleToDpi(5, 96), 5);
  EXPECT_EQ(ui::ScaleToDpi(5, 144), 8);     // 7.5
  EXPECT_EQ(ui::ScaleToDpi(-5, 144), -8);   // a negative position scales like its length
  EXPECT_EQ(ui::ScaleToDpi(25, 120), 31);   // 31.25
  EXPECT_EQ(ui::ScaleToDpi(-65535, 96), -65535);
  EXPECT_EQ(ui::DesignFromDpi(698, 144), 465);
  EXPECT_EQ(ui::DesignFromDpi(-8, 144), -5);
  EXPECT_EQ(ui::DesignFromDpi(37, 0), 37);  // no DPI known: taken as it is
  // The picture for 168 dpi, halfway between 144 and 192, is the larger one.
  int best = 0;
  for (int d : {96, 120, 144, 192}) {
    if (ui::NearerDpi(168, d, best)) best = d;
  }
  EXPECT_EQ(best, 192);
  best = 0;
  for (int d : {192, 144, 120, 96}) {
    if (ui::NearerDpi(110, d, best)) best = d;
  }
  EXPECT_EQ(best, 120);
}

TEST_F(AnchorTest, LAndRTogetherMoveThatEdgeTwice) {
  _AnchorAdd(1, K, 0, 0, 200, 100);
  _Anchor(L"LROU", 1, 5, 10, 10, 50, 50);
  EXPECT_EQ(_AnchorLayout(1, 210, 105), (std::vector<AnchorPlace>{{5, 20, 15, 60, 55}}));
}

TEST_F(AnchorTest, UnregisteredWindowHasNoLayout) {
  _Anchor(L"R", 1, 3, 30, 5, 465, 20);  // a control, but no record of the window itself
  EXPECT_TRUE(_AnchorLayout(1, 600, 400).empty());
  EXPECT_TRUE(_AnchorLayout(59, 600, 400).empty());
}

}  // namespace
}  // namespace vardune
