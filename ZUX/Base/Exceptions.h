// The general exception class: every failure carries a UTF-16 message and
// nothing else. Families of the installer derive from it.
#pragma once

#include "ZUX/Base/Strings.h"

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
ZUX_DECLARE_EXCEPTION(EFOpenError, EStreamError);
ZUX_DECLARE_EXCEPTION(EInvalidOperation, Exception);
ZUX_DECLARE_EXCEPTION(EOSError, Exception);
// Ends a search or a loop silently when raised by a callback.
ZUX_DECLARE_EXCEPTION(EAbort, Exception);

inline const char16_t* const SReadError = u"Stream read error";
inline const char16_t* const SWriteError = u"Stream write error";

} // namespace ZUX
