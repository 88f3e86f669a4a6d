// The text rule of the standard error box, kept portable so it can be tested anywhere.
#pragma once

#include <string>

// The message with a full stop appended when it is not empty and its last character sorts after ".".
std::string ErrorBoxText(const std::string& message);
