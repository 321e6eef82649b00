// The yardstick's stand-in for CEF's test suite header: the tests it compiles use none of
// the suite itself (test_util.h includes this header for macros they do not expand).
#ifndef CEF_DOUBLE_CEFTESTS_TEST_SUITE_H_
#define CEF_DOUBLE_CEFTESTS_TEST_SUITE_H_

#include "include/cef_command_line.h"

#endif  // CEF_DOUBLE_CEFTESTS_TEST_SUITE_H_
