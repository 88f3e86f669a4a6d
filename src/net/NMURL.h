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

// Resolves a URI reference against an absolute base URI (RFC 3986, section 5.2): "page.html",
// "../up", "/root", "//host/path", "?query" and "#fragment" each take what they lack from the
// base, and dot segments are removed. A reference with a scheme of its own is returned as it is.
std::string ResolveReference(const std::string& base, const std::string& reference);
// True when the text starts with a scheme and its colon (RFC 3986, section 3.1).
bool HasScheme(const std::string& uri);
