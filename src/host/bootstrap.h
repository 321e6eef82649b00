// Hands the process to CEF: runs a child process to its end, or initialises CEF as the
// browser process and returns.
#pragma once

#include <string>

void bootstrapCef(int argc, wchar_t** argv, const std::string& userDataPath);
