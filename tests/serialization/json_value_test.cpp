#include <gtest/gtest.h>
#include "serialization/json_value.h"
TEST(JsonValue, Builds) { EXPECT_EQ(JsonValue().size(), -1); }
