// What the built Quorvane.exe carries: a 32-bit GUI program with its resources, the
// message texts in plain form and the log calls' file and function names only scrambled.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

#include "wine/harness.h"

namespace {

std::string readExecutable() {
  std::ifstream in(harness::quorvaneExe(), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string utf16(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

uint32_t readU32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof(value));
  return value;
}

uint16_t readU16(const std::string& bytes, size_t at) {
  uint16_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof(value));
  return value;
}

class Executable : public testing::Test {
 protected:
  static void SetUpTestSuite() { sBytes = readExecutable(); }
  static bool contains(const std::string& text) { return sBytes.find(text) != std::string::npos; }
  static std::string sBytes;
};

std::string Executable::sBytes;

TEST_F(Executable, IsA32BitGuiProgram) {
  ASSERT_GT(sBytes.size(), 0x200u) << harness::quorvaneExe();
  ASSERT_EQ(sBytes.compare(0, 2, "MZ"), 0);
  const size_t pe = readU32(sBytes, 0x3C);
  ASSERT_EQ(sBytes.compare(pe, 4, std::string("PE\0\0", 4)), 0);
  EXPECT_EQ(readU16(sBytes, pe + 4), 0x014C);   // i386
  EXPECT_EQ(readU16(sBytes, pe + 24), 0x010B);  // PE32 optional header
  EXPECT_EQ(readU16(sBytes, pe + 24 + 68), 2);  // IMAGE_SUBSYSTEM_WINDOWS_GUI
}

TEST_F(Executable, CarriesIconVersionRecordAndManifest) {
  EXPECT_TRUE(contains(utf16("IDI_ZELTO_LOGO")));
  EXPECT_TRUE(contains(utf16("FileDescription")));
  EXPECT_TRUE(contains(utf16("ProductName")));
  EXPECT_TRUE(contains(utf16("1.0.0.0")));
  EXPECT_TRUE(contains("level=\"asInvoker\""));
}

TEST_F(Executable, LogCallNamesAreOnlyStoredScrambled) {
  const char* scrambled[] = {
      "C:\\Users\\builder\\source\\repos\\orvex\\tandu-teams\\zelto-native\\src\\host\\"
      "remote_debugging.cpp",
      "void logRemoteDebugEnabled(RootLogger&)",
      "C:\\jenkins\\workspace\\zelto-native\\quorvane\\src\\async\\AsyncQueue.cpp",
      "IAsyncQueue::stop",
      "AsyncQueue::runLoop",
      "AsyncQueue::swapQueues()",
      "IAsyncQueue::addTask(...)",
      "IAsyncQueue::resumeProcessing",
      "IAsyncQueue::suspendProcessingWhenFinished",
  };
  for (const char* text : scrambled) {
    EXPECT_FALSE(contains(text)) << text;
    EXPECT_FALSE(contains(utf16(text))) << text;
  }
}

TEST_F(Executable, MessageTextsArePlain) {
  const char* plain[] = {
      "CEF remote debug port enabled",
      "Failure waiting for worker thread to finish. code=",
      "Encountered an exception while running a task: ",
      " with a task name of ",
      "Threadpool mIsSuspended value is ",
      "We are suspended and suspendProcessingWhenFinished was called: ",
      "Exiting, mIsSuspended state is ",
  };
  for (const char* text : plain) {
    EXPECT_TRUE(contains(text)) << text;
  }
}

}  // namespace
