#include "controls/list_box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrel::controls {
namespace {

using ::testing::ElementsAre;

// Deleting keeps the order of the rest, and the selection stays with its items.
TEST(ListBox, DeletingKeepsTheOrderAndTheSelectionOfTheRest) {
  ListBox list;
  for (const char* name : {"BSC9", "BSC10", "BSC9", "BSC11", "BSC12"}) list.Add(name);
  list.SetSelected(0, true);
  list.SetSelected(3, true);
  list.SetSelected(4, true);
  list.DeleteSelected();
  EXPECT_THAT(list.Items(), ElementsAre("BSC10", "BSC9"));
  EXPECT_FALSE(list.Selected(0));
  list.Add("BSC13");
  list.SetSelected(2, true);
  list.Delete(0);
  EXPECT_EQ(list.First(), "BSC9");
  EXPECT_TRUE(list.Selected(1));
}

TEST(ComboBox, TypedTextLeavesThePosition) {
  ComboBox combo({"BSC9", "BSC10"}, "BSC9");
  EXPECT_EQ(combo.ItemIndex(), -1);  // built with a text, not a pick
  combo.SetItemIndex(1);
  EXPECT_EQ(combo.Text(), "BSC10");
  combo.SetText("BSC10");
  EXPECT_EQ(combo.ItemIndex(), 1);
  combo.SetText("BSC1");
  EXPECT_EQ(combo.ItemIndex(), -1);
  combo.SetItemIndex(7);
  EXPECT_EQ(combo.ItemIndex(), -1);
}

}  // namespace
}  // namespace kestrel::controls
