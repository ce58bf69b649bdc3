#pragma once

#include <exception>
#include <optional>
#include <string>

#include "db/error_tags.h"

// The one exception type of the database and the file formats. It carries the context tag of
// the component that detected the problem (see error_tags.h), a message and a code that is
// always 0 in this system. Thrown and caught by value; what() gives "TAG: message", so one that
// escapes is still readable.
class Error : public std::exception {
 public:
  // A null message becomes "Not Specified"; a null tag stays absent.
  Error(const char* tag = nullptr, const char* message = nullptr, int code = 0);
  Error(const char* tag, const std::string& message, int code = 0);

  const std::string& Message() const { return message_; }
  bool HasTag() const { return tag_.has_value(); }
  // The tag, or "" when there is none, so that it can always be printed.
  const char* Tag() const { return tag_ ? tag_->c_str() : ""; }
  int Code() const { return code_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::string message_;
  std::optional<std::string> tag_;
  int code_;
  std::string what_;
};

// The line a caught error is logged and shown as: "ERROR: TAG: message\n".
std::string ErrorLine(const char* tag, const std::string& message);
std::string ErrorLine(const Error& error);
