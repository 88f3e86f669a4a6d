// Exceptions of the toolkit and of every component built on it. Each carries only a message;
// whoever catches one at an event boundary shows it in the standard error box.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

#define QV_EXCEPTION(Name, Base)                                                                                                 \
    class Name : public Base {                                                                                                   \
    public:                                                                                                                      \
        using Base::Base;                                                                                                        \
    }

QV_EXCEPTION(EConvertError, Exception);      // a text that is not a number
QV_EXCEPTION(EInOutError, Exception);        // files and streams
QV_EXCEPTION(EFOpenError, EInOutError);      // "Cannot open file %s"
QV_EXCEPTION(EStreamError, EInOutError);     // short reads and writes
QV_EXCEPTION(ERegistryException, Exception); // registry failures
QV_EXCEPTION(EInvalidOperation, Exception);  // a call the object's state does not allow
QV_EXCEPTION(EOutOfResources, Exception);    // the platform refused a window, timer or handle
QV_EXCEPTION(EListError, Exception);         // index out of range in a list

// A silent exception: it ends the running handler and no error box is shown.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    using Exception::Exception;
};
