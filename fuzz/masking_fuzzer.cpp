// Masking: a logger with arbitrary mask words masks an arbitrary message. Words that
// would be found again in their own mask must be refused; every other set of words must
// be accepted, and the masked message must be what the rule gives (each word in turn,
// its first occurrence from the start replaced by "********" until none is left).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "LoggerHarness.h"

namespace {

const std::string kMask = "********";

bool isRefused(const std::string& word) {
  return word.size() <= kMask.size() && word.find_first_not_of('*') == std::string::npos;
}

std::string masked(std::string message, const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    for (std::size_t at = message.find(word); at != std::string::npos; at = message.find(word)) {
      message.replace(at, word.size(), kMask);
    }
  }
  return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Often words and message of asterisks and two letters only, where masks and words
  // run into each other.
  const bool smallAlphabet = input.ConsumeBool();
  auto text = [&](std::string raw) {
    if (smallAlphabet) {
      for (char& c : raw) {
        c = "*ab"[static_cast<unsigned char>(c) % 3];
      }
    }
    return raw;
  };
  std::vector<std::string> words(input.ConsumeIntegralInRange<std::size_t>(0, 4));
  bool anyRefused = false;
  for (std::string& word : words) {
    word = text(input.ConsumeRandomLengthString(12));
    anyRefused = anyRefused || isRefused(word);
  }
  const std::string message = text(input.ConsumeRemainingBytesAsString());

  auto sink = std::make_shared<fuzz::KeepingSink>();
  zelto::RootLogger::Settings settings;
  settings.enabled = true;
  settings.sinks.push_back(sink);
  settings.maskWords = words;
  std::unique_ptr<zelto::RootLogger> logger;
  try {
    logger = std::make_unique<zelto::RootLogger>(settings);
  } catch (const std::invalid_argument&) {
    FUZZ_CHECK(anyRefused, "an acceptable set of %zu words was refused", words.size());
    return 0;
  }
  FUZZ_CHECK(!anyRefused, "a word that its own mask contains was accepted");

  logger->log(message, zelto::RootLogger::Info, 1, "file.cpp", "f");
  logger->flush();
  FUZZ_CHECK(sink->entries().size() == 1, "%zu lines", sink->entries().size());
  const std::string& result = sink->entries().front().record.message;
  FUZZ_CHECK(result == masked(message, words), "masked \"%s\" as \"%s\"", message.c_str(),
             result.c_str());
  // The last word is gone; so is every word without an asterisk, which no later mask
  // can bring back.
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i + 1 == words.size() || words[i].find('*') == std::string::npos) {
      FUZZ_CHECK(result.find(words[i]) == std::string::npos, "word %zu left in \"%s\"", i,
                 result.c_str());
    }
  }
  const std::string& line = sink->entries().front().line;
  FUZZ_CHECK(line.size() >= result.size() &&
                 line.compare(line.size() - result.size(), result.size(), result) == 0,
             "the line does not end in the masked message");
  return 0;
}
