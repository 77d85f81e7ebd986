// Every test of every test executable starts from the process state of a
// fresh process: a flag that a test before it left set (the loading flag,
// the quiet lookup flag), however that test ended, does not reach it.

#include <gtest/gtest.h>

#include "support/process_state.h"

namespace {

class ResetBeforeEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { testing_support::ResetProcessStates(); }
};

// Registered before main runs; GoogleTest owns the listener from then on.
[[maybe_unused]] const bool kRegistered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetBeforeEachTest);
  return true;
}();

}  // namespace
