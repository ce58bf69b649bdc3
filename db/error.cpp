#include "db/error.h"

Error::Error(const char* tag, const char* message, int code)
    : message_(message ? message : "Not Specified"), code_(code) {
  if (tag) tag_ = tag;
  what_ = std::string(Tag()) + ": " + message_;
}

Error::Error(const char* tag, const std::string& message, int code) : Error(tag, message.c_str(), code) {}

std::string ErrorLine(const char* tag, const std::string& message) {
  return std::string("ERROR: ") + (tag ? tag : "") + ": " + message + "\n";
}

std::string ErrorLine(const Error& error) { return ErrorLine(error.Tag(), error.Message()); }
