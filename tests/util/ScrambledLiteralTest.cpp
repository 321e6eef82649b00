#include "util/ScrambledLiteral.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using zelto::kScrambleKey;
using zelto::kScrambleKeySize;
using zelto::scramble;

// Every stored byte is the text's byte XOR the key byte at its position, modulo 50.
template <std::size_t N>
void expectScrambledForm(const zelto::ScrambledLiteral<N>& literal, const char* text) {
  ASSERT_EQ(N, std::strlen(text));
  for (std::size_t i = 0; i < N; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(literal.stored()[i],
              static_cast<uint8_t>(static_cast<uint8_t>(text[i]) ^ kScrambleKey[i % 50]));
  }
  EXPECT_EQ(literal.str(), text);
}

constexpr char kPath90[] =
    "D:/builds/zelto/native/embedded-browser/src/host/bootstrap/RemoteDebuggingSwitchLogger.cpp";
static_assert(sizeof(kPath90) - 1 == 90);

// Scrambling runs in the compiler.
static constexpr auto kAtCompileTime = scramble("AsyncQueue::stop()");
static_assert(kAtCompileTime.size() == 18);
static_assert((kAtCompileTime.stored()[0] ^ kScrambleKey[0]) == 'A');

TEST(ScrambledLiteral, StoresTextXorKeyAndWrapsAroundTheKey) {
  static constexpr auto kOne = scramble("x");
  static constexpr auto kFunction = scramble("AsyncQueue::run()xx");
  static constexpr auto kFifty = scramble("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN");
  static constexpr auto kFiftyOne = scramble("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNO");
  static constexpr auto kNinety = scramble(kPath90);
  expectScrambledForm(kOne, "x");
  expectScrambledForm(kFunction, "AsyncQueue::run()xx");
  expectScrambledForm(kFifty, "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN");
  expectScrambledForm(kFiftyOne, "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNO");
  expectScrambledForm(kNinety, kPath90);

  // Position 50 starts the key again; the 90th byte uses key byte 39.
  EXPECT_EQ(kNinety.stored()[50] ^ static_cast<uint8_t>(kPath90[50]), kScrambleKey[0]);
  EXPECT_EQ(kNinety.stored()[89] ^ static_cast<uint8_t>(kPath90[89]), kScrambleKey[39]);
}

TEST(ScrambledLiteral, KeyLeavesNoByteInPlainForm) {
  static_assert(kScrambleKeySize == 50 && kScrambleKey.size() == 50);
  for (uint8_t byte : kScrambleKey) {
    EXPECT_NE(byte, 0);  // a zero key byte would store its text byte unchanged
  }
  static constexpr auto kText = scramble("src/async/AsyncQueue.cpp");
  const std::string stored(kText.stored().begin(), kText.stored().end());
  EXPECT_EQ(stored.find("Async"), std::string::npos);
}

// Every byte value but NUL, so the round trip is checked for all of them.
struct AllBytes {
  char text[256];
};
constexpr AllBytes makeAllBytes() {
  AllBytes bytes{};
  for (int i = 0; i < 255; ++i) {
    bytes.text[i] = static_cast<char>(i + 1);
  }
  return bytes;
}
constexpr AllBytes kAllBytes = makeAllBytes();

TEST(ScrambledLiteral, RestoresEveryByteValue) {
  static constexpr auto kLiteral = scramble(kAllBytes.text);
  static_assert(kLiteral.size() == 255);
  EXPECT_EQ(kLiteral.str(), std::string(kAllBytes.text, 255));
}

TEST(ScrambledLiteral, EachRestoreIsANewIndependentString) {
  static constexpr auto kLiteral = scramble("ZeltoCefApp::OnBeforeCommandLine");
  std::string first = kLiteral.str();
  const std::string second = kLiteral.str();
  EXPECT_EQ(first, second);
  first[0] = '?';
  EXPECT_EQ(second, "ZeltoCefApp::OnBeforeCommandLine");
  EXPECT_EQ(kLiteral.str(), "ZeltoCefApp::OnBeforeCommandLine");
}

}  // namespace
