// CEF's tests include GoogleTest from CEF's own copy; here it is the project's build of
// Debian's GoogleTest.
#include <gtest/gtest.h>
