// URL encoding and decoding of form data (application/x-www-form-urlencoded).
// Portable.
#pragma once

#include <functional>
#include <string>

#include "toolkit/Classes.h"

// Sender, operation text ("Error during encode" / "Error during decode"), failure message.
using TOnErrorEvent = std::function<void(TObject* Sender, const std::string& Operation, const std::string& ErrMsg)>;

class TNMURL : public TComponent {
public:
    explicit TNMURL(TComponent* owner) : TComponent(owner) {}

    std::string InputString;
    TOnErrorEvent OnError;

    // Both compute on every call and never raise: a failure goes to OnError and the result is
    // InputString unchanged.
    std::string Encode() const;
    std::string Decode() const;
};

// The plain conversions behind TNMURL. Encoding turns a blank into "+", keeps ASCII letters and
// digits and writes every other byte as "%" and two upper-case hex digits. Decoding reverses it;
// a "%" not followed by two hex digits raises EConvertError.
std::string UrlEncode(const std::string& s);
std::string UrlDecode(const std::string& s);
