// A configured logger with a recording sink and a fixed clock, for tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "logging/RecordingSink.h"
#include "logging/RootLogger.h"
#include "logging/TimestampSeams.h"

namespace zelto::testing {

class LoggerTest : public ::testing::Test {
 protected:
  using Level = RootLogger::Level;

  LoggerTest() { mSeams.fixClock(kSampleMilliseconds); }

  // Enabled and sending every line to mSink unless the settings say otherwise.
  static RootLogger::Settings enabledSettings() {
    RootLogger::Settings settings;
    settings.enabled = true;
    return settings;
  }

  std::unique_ptr<RootLogger> makeLogger(RootLogger::Settings settings) {
    if (settings.sinks.empty()) {
      settings.sinks.push_back(mSink);
    }
    return std::make_unique<RootLogger>(settings);
  }

  ScopedTimestampSeams mSeams;
  std::shared_ptr<RecordingSink> mSink = std::make_shared<RecordingSink>();
};

}  // namespace zelto::testing
