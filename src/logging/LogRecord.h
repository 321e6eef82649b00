// One accepted log call as the calling thread packs it: the timestamp and thread id taken
// at the call, and copies of the timestamp text, the file's base name, the function and
// the message, side by side in a buffer inside the record. A call whose texts fit
// (kInlineText characters together) costs its caller no heap allocation; longer texts
// share one heap block. The worker unpacks the record into LogComponents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace zelto {

class LogRecord {
 public:
  // Room for a usual call: a 24-character timestamp, a file name, a function name and a
  // message of about a hundred characters.
  static constexpr std::size_t kInlineText = 160;

  LogRecord(std::string_view timestamp,
            int32_t level,
            uint32_t threadId,
            std::string_view file,
            std::string_view function,
            std::string_view message,
            int32_t line);

  LogRecord(LogRecord&&) noexcept = default;
  LogRecord& operator=(LogRecord&&) noexcept = default;

  std::string_view timestamp() const { return {text(), mTimestampLength}; }
  std::string_view file() const { return {text() + mTimestampLength, mFileLength}; }
  std::string_view function() const {
    return {text() + mTimestampLength + mFileLength, mFunctionLength};
  }
  std::string_view message() const {
    return {text() + mTimestampLength + mFileLength + mFunctionLength, mMessageLength};
  }
  int32_t level() const { return mLevel; }
  uint32_t threadId() const { return mThreadId; }
  int32_t line() const { return mLine; }

 private:
  const char* text() const { return mHeapText ? mHeapText.get() : mInlineText; }

  std::unique_ptr<char[]> mHeapText;  // set when the texts do not fit mInlineText
  std::size_t mTimestampLength;
  std::size_t mFileLength;
  std::size_t mFunctionLength;
  std::size_t mMessageLength;
  int32_t mLevel;
  uint32_t mThreadId;
  int32_t mLine;
  char mInlineText[kInlineText];
};

}  // namespace zelto
