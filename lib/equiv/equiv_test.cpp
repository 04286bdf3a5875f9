#include <gtest/gtest.h>

TEST(EquivTest, Placeholder) {}
