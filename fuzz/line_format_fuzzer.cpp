// The root logger's line and counters: any level, line number, file, function and
// message, through a logger that lets every level pass and routes the tagged file.
// The line must be the record's fields joined as the format says, the record must hold
// the call's values, the line must reach exactly the sink routing picks, and the
// counters must move only for counted levels.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "LoggerHarness.h"
#include "logging/ThreadId.h"

namespace {

std::string baseName(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool isCounted(int32_t level) {
  return level != zelto::RootLogger::Trace && level != zelto::RootLogger::Detail &&
         level != zelto::RootLogger::Private;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int32_t level = input.ConsumeBool() ? input.ConsumeIntegralInRange<int32_t>(0, 9)
                                            : input.ConsumeIntegral<int32_t>();
  const int32_t lineNumber = input.ConsumeIntegral<int32_t>();
  const std::string file = input.ConsumeBool() ? "src\\KVR" : input.ConsumeRandomLengthString(64);
  const std::string function = input.ConsumeRandomLengthString(64);
  const std::string message = input.ConsumeRemainingBytesAsString();

  auto sink = std::make_shared<fuzz::KeepingSink>();
  auto tagged = std::make_shared<fuzz::KeepingSink>();
  zelto::RootLogger::Settings settings;
  settings.enabled = true;
  settings.verbose = true;
  settings.privateEnabled = true;
  settings.routeTagged = true;
  settings.taggedSink = tagged;
  settings.sinks.push_back(sink);
  zelto::RootLogger logger(settings);

  logger.log(message, static_cast<zelto::RootLogger::Level>(level), lineNumber, file, function);
  const zelto::RootLogger::Counts counts = logger.counts();

  const std::string name = baseName(file);
  const bool toTagged = name == "KVR";
  const auto& entries = (toTagged ? tagged : sink)->entries();
  FUZZ_CHECK(entries.size() == 1 && (toTagged ? sink : tagged)->entries().empty(),
             "routing of file \"%s\"", file.c_str());
  const zelto::LogComponents& record = entries.front().record;
  FUZZ_CHECK(record.level == zelto::RootLogger::levelName(level), "level %d as %s", level,
             record.level.c_str());
  FUZZ_CHECK(record.file == name && record.function == function && record.message == message &&
                 record.line == lineNumber && record.threadId == zelto::currentThreadId(),
             "record fields of file \"%s\"", file.c_str());
  FUZZ_CHECK(record.timestamp.size() == 24 && record.timestamp.back() == 'Z', "timestamp %s",
             record.timestamp.c_str());
  const std::string expected = record.timestamp + " <" + record.level + "> [" +
                               std::to_string(record.threadId) + "] " + name + ":" +
                               std::to_string(lineNumber) + " " + function + ":" + message;
  FUZZ_CHECK(entries.front().line == expected, "line \"%s\"", entries.front().line.c_str());

  if (isCounted(level)) {
    const std::string location = name + ": " + std::to_string(lineNumber);
    FUZZ_CHECK(counts.totalLines == 1 && counts.totalBytes == expected.size() &&
                   counts.byFile.size() == 1 && counts.byFile.at(name) == 1 &&
                   counts.byLocation.size() == 1 && counts.byLocation.at(location) == 1,
               "counts of level %d", level);
  } else {
    FUZZ_CHECK(counts.totalLines == 0 && counts.totalBytes == 0 && counts.byFile.empty() &&
                   counts.byLocation.empty(),
               "level %d was counted", level);
  }
  return 0;
}
