// The tree library on hand-built trees: readers, texts, dumps and copies,
// including the node kinds the grammar never produces.

#include "parser/tree.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kNames[] = {"", "Item", "Label"};

std::string take(char* text) {
  std::string copy = text;
  std::free(text);
  return copy;
}

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ll_tree_init(&t_);
    ll_tree_bind_strings(&t_, kNames, 3);
    ll_tree_bind_input(&t_, input_.data(), static_cast<std::int32_t>(input_.size()));
  }
  void TearDown() override { ll_tree_free(&t_); }

  std::string input_ = "ab\t\"c\\d\r\ne";
  ll_tree t_;
};

TEST_F(TreeTest, ReadersFollowTheNodeKinds) {
  ll_node_id a = ll_tree_add_string(&t_, 0, 2);
  ll_node_id rest = ll_tree_add_string(&t_, 2, 10);
  ll_node_id both[] = {a, rest};
  ll_node_id seq = ll_tree_add_sequence(&t_, both, 2, 0, 10);
  ll_node_id item = ll_tree_add_node(&t_, 1, 0, 10, static_cast<std::int32_t>(seq));
  ll_node_id empty = ll_tree_add_node(&t_, 7, 3, 3, -1);  // name out of range, no child

  EXPECT_FALSE(ll_tree_root(&t_, nullptr));
  ll_tree_set_root(&t_, item);
  ll_node_id root = 99;
  ASSERT_TRUE(ll_tree_root(&t_, &root));
  EXPECT_EQ(root, item);

  EXPECT_EQ(ll_tree_type(&t_, seq), LL_NODE_SEQUENCE);
  EXPECT_STREQ(ll_tree_name(&t_, item), "Item");
  EXPECT_STREQ(ll_tree_name(&t_, empty), "");
  EXPECT_STREQ(ll_tree_name(&t_, a), "");
  EXPECT_EQ(ll_tree_range(&t_, rest).start, 2);
  EXPECT_EQ(ll_tree_range(&t_, rest).end, 10);

  ll_node_id child = 0;
  EXPECT_TRUE(ll_tree_child(&t_, item, &child));
  EXPECT_EQ(child, seq);
  EXPECT_FALSE(ll_tree_child(&t_, empty, &child));
  EXPECT_FALSE(ll_tree_child(&t_, seq, &child));  // sequences use the indexed readers

  EXPECT_EQ(ll_tree_children_len(&t_, seq), 2u);
  EXPECT_EQ(ll_tree_children_len(&t_, item), 1u);
  EXPECT_EQ(ll_tree_children_len(&t_, empty), 0u);
  EXPECT_EQ(ll_tree_children_len(&t_, a), 0u);
  EXPECT_TRUE(ll_tree_children_at(&t_, seq, 1, &child));
  EXPECT_EQ(child, rest);
  EXPECT_FALSE(ll_tree_children_at(&t_, seq, 2, &child));
  EXPECT_TRUE(ll_tree_children_at(&t_, item, 0, &child));
  EXPECT_FALSE(ll_tree_children_at(&t_, item, 1, &child));

  ll_node_id out[1] = {};
  EXPECT_EQ(ll_tree_children(&t_, seq, out, 1), 2u);  // the count, even past the capacity
  EXPECT_EQ(out[0], a);

  // Unknown ids read as nothing.
  EXPECT_EQ(ll_tree_children_len(&t_, 1000), 0u);
  EXPECT_FALSE(ll_tree_children_at(&t_, 1000, 0, &child));
  EXPECT_STREQ(ll_tree_name(&t_, 1000), "");
}

TEST_F(TreeTest, TextConcatenatesLeavesAndNamesErrors) {
  ll_node_id a = ll_tree_add_string(&t_, 0, 2);
  ll_node_id clipped = ll_tree_add_string(&t_, 9, 40);  // clamped to the input
  ll_node_id error = ll_tree_add_error(&t_, 2, -1, 2, 2);
  ll_node_id wrapped = ll_tree_add_error_with_child(&t_, 2, -1, 0, 2, a);
  ll_node_id parts[] = {a, error, wrapped, clipped};
  ll_node_id seq = ll_tree_add_sequence(&t_, parts, 4, 0, 10);
  ll_node_id bare = ll_tree_add_node(&t_, 1, 0, 0, -1);

  EXPECT_EQ(take(ll_tree_text(&t_, clipped)), "e");
  EXPECT_EQ(take(ll_tree_text(&t_, error)), "error[Label]");
  EXPECT_EQ(take(ll_tree_text(&t_, wrapped)), "ab");
  EXPECT_EQ(take(ll_tree_text(&t_, seq)), "aberror[Label]abe");
  EXPECT_EQ(take(ll_tree_text(&t_, bare)), "");
}

TEST_F(TreeTest, PrettyDumpEscapesAndDrawsBranches) {
  ll_node_id whole = ll_tree_add_string(&t_, 0, 11);
  ll_node_id inner = ll_tree_add_node(&t_, 1, 0, 11, static_cast<std::int32_t>(whole));
  ll_node_id error = ll_tree_add_error(&t_, 2, -1, 4, 5);
  ll_node_id parts[] = {inner, error};
  ll_node_id seq = ll_tree_add_sequence(&t_, parts, 2, 0, 11);
  ll_node_id top = ll_tree_add_node(&t_, 1, 0, 11, static_cast<std::int32_t>(seq));

  EXPECT_EQ(take(ll_tree_pretty(&t_, top)),
            "Item (0..11)\n"
            "└── Sequence (0..11)\n"
            "    ├── Item (0..11)\n"
            "    │   └── \"ab\\t\\\"c\\\\d\\r\\ne\"\n"
            "    └── Error<Label> (4..5)\n");
  EXPECT_EQ(take(ll_tree_highlight(&t_, error)), "Error<Label> (4..5)\n");
  EXPECT_EQ(take(ll_tree_pretty(&t_, 1000)), "(unknown)\n");
}

TEST_F(TreeTest, CopyIsIndependentAndResetKeepsCapacity) {
  ll_node_id a = ll_tree_add_string(&t_, 0, 2);
  ll_node_id pair[] = {a, a};
  ll_node_id seq = ll_tree_add_sequence(&t_, pair, 2, 0, 2);
  ll_tree_set_root(&t_, seq);

  ll_tree copy = ll_tree_copy(&t_);
  ll_tree_reset(&t_);
  EXPECT_FALSE(ll_tree_root(&t_, nullptr));
  EXPECT_GE(t_.nodes_cap, 2u);
  ll_tree_add_string(&t_, 9, 11);  // reuses the slot the copy still reads as "ab"

  ll_node_id root = 0;
  ASSERT_TRUE(ll_tree_root(&copy, &root));
  EXPECT_EQ(take(ll_tree_text(&copy, root)), "abab");
  ll_tree_free(&copy);
  EXPECT_EQ(copy.nodes, nullptr);
  EXPECT_EQ(copy.nodes_len, 0u);
}

TEST_F(TreeTest, ArraysGrowPastTheirInitialSize) {
  std::vector<ll_node_id> ids;
  for (int i = 0; i < 2000; ++i) ids.push_back(ll_tree_add_string(&t_, i % 11, i % 11 + 1));
  ll_node_id seq = ll_tree_add_sequence(&t_, ids.data(), static_cast<std::uint32_t>(ids.size()), 0, 11);
  ASSERT_EQ(ll_tree_children_len(&t_, seq), 2000u);
  ll_node_id last = 0;
  ASSERT_TRUE(ll_tree_children_at(&t_, seq, 1999, &last));
  EXPECT_EQ(ll_tree_range(&t_, last).start, 1999 % 11);
}

}  // namespace
