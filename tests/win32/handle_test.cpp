// win32::handle closes what it owns, exactly once.
#include "win32/handle.h"

#include <utility>

#include <gtest/gtest.h>

namespace {

HANDLE newEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

bool isOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

TEST(Handle, ClosesOnDestructionAndOnReplacement) {
  HANDLE first = newEvent();
  HANDLE second = newEvent();
  {
    win32::handle owner(first);
    EXPECT_TRUE(owner);
    owner = second;  // closes the first
    EXPECT_FALSE(isOpen(first));
    EXPECT_TRUE(isOpen(second));
    EXPECT_EQ(owner.get(), second);
  }
  EXPECT_FALSE(isOpen(second));
}

TEST(Handle, MovesOwnershipAndReleases) {
  HANDLE event = newEvent();
  win32::handle moved;
  {
    win32::handle owner(event);
    moved = std::move(owner);
    EXPECT_FALSE(owner);
  }
  EXPECT_TRUE(isOpen(event));  // the moved-from owner closed nothing
  HANDLE released = moved.release();
  EXPECT_FALSE(moved);
  EXPECT_EQ(released, event);
  EXPECT_TRUE(isOpen(event));
  CloseHandle(event);
}

TEST(Handle, EmptyClosesNothing) {
  win32::handle empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.get(), nullptr);
  empty.reset();
  empty = nullptr;
}

}  // namespace
