#include "logging/LogRecord.h"

#include "util/JoinedText.h"

namespace zelto {

LogRecord::LogRecord(std::string_view timestamp,
                     int32_t level,
                     uint32_t threadId,
                     std::string_view file,
                     std::string_view function,
                     std::string_view message,
                     int32_t line)
    : mTimestampLength(timestamp.size()),
      mFileLength(file.size()),
      mFunctionLength(function.size()),
      mMessageLength(message.size()),
      mLevel(level),
      mThreadId(threadId),
      mLine(line) {
  const std::size_t total = timestamp.size() + file.size() + function.size() + message.size();
  char* out = mInlineText;
  if (total > kInlineText) {
    mHeapText.reset(new char[total]);
    out = mHeapText.get();
  }
  copyJoined(out, {timestamp, file, function, message});
}

}  // namespace zelto
