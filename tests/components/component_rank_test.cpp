// Column and row ranks of components among their siblings.

#include <gtest/gtest.h>

#include "component_test.h"
#include "debug_output_capture.h"

namespace mv::test {
namespace {

using ComponentRanks = ComponentTest;

struct Ranks {
    LONG x, y;
    bool operator==(const Ranks& o) const { return x == o.x && y == o.y; }
};
std::ostream& operator<<(std::ostream& os, const Ranks& r) { return os << "(" << r.x << ", " << r.y << ")"; }

Ranks RanksOf(IJAwtComponent* component) {
    Ranks r{-2, -2};
    EXPECT_EQ(component->GetRelXPos(&r.x), S_OK);
    EXPECT_EQ(component->GetRelYPos(&r.y), S_OK);
    return r;
}

TEST_F(ComponentRanks, EqualOffsetsShareADenseRankStartingAtOne) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 5, 7, 400, 300);
    UINT64 fields[4];
    const int bounds[4][2] = {{10, 20}, {10, 20}, {120, 20}, {230, 60}};
    for (int i = 0; i < 4; ++i) {
        fields[i] = New("javax/swing/JTextField");
        Place(panel, fields[i], bounds[i][0], bounds[i][1], 100, 24);
    }
    DebugOutputCapture debug;
    EXPECT_EQ(RanksOf(Component<IJAwtComponent>(fields[0]).get()), (Ranks{1, 1}));
    EXPECT_EQ(RanksOf(Component<IJAwtComponent>(fields[1]).get()), (Ranks{1, 1}));
    EXPECT_EQ(RanksOf(Component<IJAwtComponent>(fields[2]).get()), (Ranks{2, 1}));
    EXPECT_EQ(RanksOf(Component<IJAwtComponent>(fields[3]).get()), (Ranks{3, 2}));
    EXPECT_EQ(debug.Messages(), std::vector<std::string>(8, "[Same Object - Match]"));
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ComponentRanks, AnOffsetOfMinus9999TakesRankZero) {
    const UINT64 panel = NewPanel("java/awt/Panel", 10009, 0, 100, 100);
    const UINT64 left = New("java/awt/Button"), right = New("java/awt/Button");
    Place(panel, left, 10, 0, 10, 10);   // offset 10 - 10009 = -9999
    Place(panel, right, 20, 0, 10, 10);  // offset -9989
    LONG rank = -2;
    EXPECT_EQ(Component<IJAwtComponent>(left)->GetRelXPos(&rank), S_OK);
    EXPECT_EQ(rank, 0);
    EXPECT_EQ(Component<IJAwtComponent>(right)->GetRelXPos(&rank), S_OK);
    EXPECT_EQ(rank, 1);
}

TEST_F(ComponentRanks, WithoutAParentThereIsNoRank) {
    const auto frame = Component<IJAwtComponent>(NewWindow("java/awt/Frame", 0, 0, 10, 10));
    const auto loose = Component<IJAwtComponent>(New("java/awt/Button"));
    for (IJAwtComponent* component : {frame.get(), loose.get()}) {
        LONG rank = 5;
        EXPECT_EQ(component->GetRelXPos(&rank), E_FAIL);
        EXPECT_EQ(rank, -1);
        rank = 5;
        EXPECT_EQ(component->GetRelYPos(&rank), E_FAIL);
        EXPECT_EQ(rank, -1);
    }
    EXPECT_EQ(frame->GetRelXPos(nullptr), E_INVALIDARG);
    EXPECT_EQ(LiveGlobalRefs(), 2) << "only the two objects' own references";
}

}  // namespace
}  // namespace mv::test
