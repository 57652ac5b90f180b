// The general exception class.
#include "ZUX/Base/Exceptions.h"

namespace ZUX {

Exception::Exception(String message) : message_(std::move(message)), utf8_(ToUtf8(message_)) {}

} // namespace ZUX
