// Exception classes: the framework's base exception and its standard
// descendants, and the library's own EZELError, base of every unit's class.
#pragma once

#include <exception>
#include <string>

namespace zel {

/// Base of all exceptions the library raises; carries a message text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

#define ZEL_DECLARE_EXCEPTION(Name, Base)      \
  class Name : public Base {                   \
   public:                                     \
    using Base::Base;                          \
  };

/// A value that cannot be converted, or an Assign between unrelated classes.
ZEL_DECLARE_EXCEPTION(EConvertError, Exception)
/// A floating-point fault (overflow, division by zero, invalid operation).
ZEL_DECLARE_EXCEPTION(EMathError, Exception)
ZEL_DECLARE_EXCEPTION(EZeroDivide, EMathError)
ZEL_DECLARE_EXCEPTION(EOverflow, EMathError)
ZEL_DECLARE_EXCEPTION(EInvalidOp, EMathError)
/// A file or stream operation failed.
ZEL_DECLARE_EXCEPTION(EInOutError, Exception)
/// A stream could not be read or written as asked.
ZEL_DECLARE_EXCEPTION(EStreamError, Exception)
ZEL_DECLARE_EXCEPTION(EReadError, EStreamError)
ZEL_DECLARE_EXCEPTION(EWriteError, EStreamError)
ZEL_DECLARE_EXCEPTION(EFOpenError, EStreamError)
/// A list index out of bounds.
ZEL_DECLARE_EXCEPTION(EListError, Exception)
/// Storage could not be allocated.
ZEL_DECLARE_EXCEPTION(EOutOfMemory, Exception)
/// Two components with the same name under one owner, or an invalid name.
ZEL_DECLARE_EXCEPTION(EComponentError, Exception)

/// The library's own error; every unit's exception class derives from it.
ZEL_DECLARE_EXCEPTION(EZELError, Exception)

/// Message of a failed file operation: What "<name>". <system reason>
/// (the reason is left out when Err is 0).
std::string FileErrorMessage(const char* What, const std::string& FileName, int Err);

/// Message of an error that concerns one component:
/// Component "<name>": <text>
std::string ComponentMessage(const std::string& componentName, const std::string& text);

}  // namespace zel
