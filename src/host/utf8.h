// Text conversion for command-line arguments.
#pragma once

#include <string>

// UTF-16 to UTF-8, up to the first NUL; text that cannot be converted gives "".
std::string toUtf8(const std::wstring& text);
