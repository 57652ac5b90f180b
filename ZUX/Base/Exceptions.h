// The general exception class: every failure carries a UTF-16 message; the
// operating system's failures also keep its error code. Families of the
// installer derive from it.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <exception>
#include <string>

namespace ZUX {

class Exception : public std::exception {
public:
    explicit Exception(String message);
    const String& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    String message_;
    std::string utf8_;
};

#define ZUX_DECLARE_EXCEPTION(Name, Base)                                                          \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        explicit Name(::ZUX::String message) : Base(std::move(message)) {}                         \
    }

ZUX_DECLARE_EXCEPTION(EStreamError, Exception);
ZUX_DECLARE_EXCEPTION(EReadError, EStreamError);
ZUX_DECLARE_EXCEPTION(EWriteError, EStreamError);
ZUX_DECLARE_EXCEPTION(EInvalidOperation, Exception);

// An exception of the family Base that also keeps the operating system's
// error code (Windows: GetLastError, POSIX: errno), 0 when there is none.
template <typename Base> class TZUXSystemError : public Base {
public:
    explicit TZUXSystemError(String message, uint32_t code = 0)
        : Base(std::move(message)), code_(code) {}
    uint32_t Code() const noexcept { return code_; }

private:
    uint32_t code_;
};

// A failure the operating system reported.
class EOSError : public TZUXSystemError<Exception> {
public:
    using TZUXSystemError::TZUXSystemError;
};

// A file that could not be opened.
class EFOpenError : public TZUXSystemError<EStreamError> {
public:
    using TZUXSystemError::TZUXSystemError;
};

// Ends a search or a loop silently when raised by a callback.
ZUX_DECLARE_EXCEPTION(EAbort, Exception);

inline const char16_t* const SReadError = u"Stream read error";
inline const char16_t* const SWriteError = u"Stream write error";

} // namespace ZUX
