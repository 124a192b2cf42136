#pragma once
// Exceptions and small text helpers of the runtime.
#include <exception>
#include <string>

#include "core/Types.h"

// Every error of the system travels as an Exception carrying its message text.
class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : message_(std::move(message)) {}
  const AnsiString& Message() const { return message_; }
  void SetMessage(AnsiString m) { message_ = std::move(m); }
  const char* what() const noexcept override { return message_.c_str(); }
  // The class name, as the general error report and tests may show it.
  virtual const char* ClassName() const { return "Exception"; }

 private:
  AnsiString message_;
};

// Declares an exception class deriving from `Base` with its own class name.
#define QUELBO_DECLARE_EXCEPTION(Name, Base)                        \
  class Name : public Base {                                        \
   public:                                                          \
    using Base::Base;                                               \
    const char* ClassName() const override { return #Name; }        \
  }

QUELBO_DECLARE_EXCEPTION(EListError, Exception);
QUELBO_DECLARE_EXCEPTION(EStreamError, Exception);
QUELBO_DECLARE_EXCEPTION(EFCreateError, EStreamError);
QUELBO_DECLARE_EXCEPTION(EFOpenError, EStreamError);
QUELBO_DECLARE_EXCEPTION(EReadError, EStreamError);
QUELBO_DECLARE_EXCEPTION(EWriteError, EStreamError);
QUELBO_DECLARE_EXCEPTION(EOutOfMemory, Exception);
QUELBO_DECLARE_EXCEPTION(EInvalidOperation, Exception);
QUELBO_DECLARE_EXCEPTION(EInvalidArgument, Exception);
QUELBO_DECLARE_EXCEPTION(EConvertError, Exception);
QUELBO_DECLARE_EXCEPTION(EOSError, Exception);
// A broken usage contract, such as an unpaired EndUpdate.
QUELBO_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// printf-style formatting into an AnsiString.
AnsiString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

AnsiString IntToStr(long long v);
// Lower-cases the bytes 'A' to 'Z' only; every other byte stays.
AnsiString LowerCaseAscii(AnsiString s);
AnsiString UpperCaseAscii(AnsiString s);

// a * b / c with the intermediate in 64 bits, rounded half away from zero.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long q = (p >= 0) == (c > 0) ? (2 * p + c) / (2LL * c) : (2 * p - c) / (2LL * c);
  return static_cast<int>(q);
}
