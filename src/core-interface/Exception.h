#pragma once

#include <exception>

#include "core-interface/Object.h"
#include "core-interface/String.h"

namespace Nimbal {

// Raised for programming errors (the STOP assertion, code 123) and reused by
// file readers for their own failures.
class Exception : public std::exception, public Polymorphic {
public:
    Exception(const String& message, int code);
    Exception(const Exception& other);
    Exception& operator=(const Exception& other);
    ~Exception() override;

    // The narrow (ANSI) form of the message.
    const char* what() const noexcept override;
    virtual const String& getMessage() const;
    virtual int getCode() const;

private:
    String message_;
    int code_;
};

// The code every internal assertion carries.
inline constexpr int STOP_CODE = 123;

// Throws Exception("STOP@" + file + "(" + line + ")", 123).
[[noreturn]] void raiseStop(const char* file, int line);

} // namespace Nimbal

#define NIMBAL_STOP() ::Nimbal::raiseStop(__FILE__, __LINE__)
#define NIMBAL_ASSERT(cond)        \
    do {                           \
        if (!(cond)) NIMBAL_STOP(); \
    } while (0)
