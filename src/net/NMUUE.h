// Base64 (MIME, RFC 4648 / RFC 2045 alphabet) and UU encoding of a byte stream.
// Portable.
#pragma once

#include "net/NetStream.h"
#include "toolkit/Classes.h"

enum class UUMethods { uuMime = 0, uuCode = 1 };

class TNMUUProcessor : public TComponent {
public:
    explicit TNMUUProcessor(TComponent* owner) : TComponent(owner) {}

    UUMethods Method = UUMethods::uuMime;
    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    // No decoding operation exists; these two are never raised.
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;

    // Owned by the caller.
    TNetStream* InputStream = nullptr;
    TNetStream* OutputStream = nullptr;

    // Reads InputStream from its start and appends lines of at most 45 input bytes, each ended
    // by CR LF, to OutputStream; uuCode lines start with a length character and the output ends
    // with a "`" line. OutputStream is rewound and OnEndEncode raised even when a stream fails.
    void EncodeStream();

private:
    char alphabet_[64] = {};
};

// Convenience over EncodeStream for in-memory text.
std::string UUEncodeString(const std::string& data, UUMethods method);
