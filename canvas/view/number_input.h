#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A whole number typed into a dialog or a prompt: base 10, optional sign, blanks around it
// allowed, nothing else; the value must fit 32 bits. Anything else gives nothing, so that every
// field refuses "5000000000" as it refuses "abc".
std::optional<int32_t> ParseInt32(const std::string& text);
