// The GoogleTest entry point of every Windows test executable.
#include <gtest/gtest.h>

#include "common/error_log.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Tests see failures in the log and through the seam, never in a real box waiting for a click.
  SuppressErrorBox = true;
  return RUN_ALL_TESTS();
}
