#pragma once

#include <optional>
#include <string>

// The one exception type of the database and the file formats. It carries a message, the
// context tag of the component that detected the problem ("GDSIN", "LIBOUT", "DB", ...) and
// a code that is always 0 in this system. Thrown and caught by value.
class Error {
 public:
  // A null message becomes "Not Specified"; a null tag stays absent.
  Error(const char* message = nullptr, const char* tag = nullptr, int code = 0);
  Error(const std::string& message, const char* tag, int code = 0);

  const std::string& Message() const { return message_; }
  bool HasTag() const { return tag_.has_value(); }
  // The tag, or "" when there is none, so that it can always be printed.
  const char* Tag() const { return tag_ ? tag_->c_str() : ""; }
  int Code() const { return code_; }

 private:
  std::string message_;
  std::optional<std::string> tag_;
  int code_;
};
