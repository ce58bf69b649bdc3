#include "db/error.h"

Error::Error(const char* message, const char* tag, int code)
    : message_(message ? message : "Not Specified"), code_(code) {
  if (tag) tag_ = tag;
}

Error::Error(const std::string& message, const char* tag, int code) : Error(message.c_str(), tag, code) {}
