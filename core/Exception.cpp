#include "core-interface/Exception.h"

namespace Nimbal {

Exception::Exception(const String& message, int code) : message_(message), code_(code) {
    // Build the narrow cache now so what() normally has nothing to allocate.
    message_.c_str();
}

Exception::Exception(const Exception& other) : std::exception(other), Polymorphic(other), message_(other.message_), code_(other.code_) {}

Exception& Exception::operator=(const Exception& other) {
    message_ = other.message_;
    code_ = other.code_;
    return *this;
}

Exception::~Exception() = default;

const char* Exception::what() const noexcept {
    try {
        return message_.c_str();
    } catch (...) {
        return "Nimbal::Exception";
    }
}

const String& Exception::getMessage() const { return message_; }

int Exception::getCode() const { return code_; }

void raiseStop(const char* file, int line) {
    // Source paths are UTF-8 on this platform, not ANSI.
    throw Exception(String("STOP@") + String::fromUtf8(file ? file : "") + "(" + line + ")", STOP_CODE);
}

} // namespace Nimbal
