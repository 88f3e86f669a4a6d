#include "net/NMUUE.h"

#include <cstring>

#include "toolkit/ScopeExit.h"

namespace {

const char kMimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kBlock = 45; // input bytes per output line

} // namespace

void TNMUUProcessor::EncodeStream() {
    InputStream->SetPosition(0);
    if (OnBeginEncode) OnBeginEncode(this);
    auto finally = ScopeExit([this] {
        if (OutputStream) OutputStream->SetPosition(0);
        if (OnEndEncode) OnEndEncode(this);
    });

    const bool mime = Method == UUMethods::uuMime;
    if (mime)
        std::memcpy(alphabet_, kMimeAlphabet, 64);
    else {
        // "`" stands for 0 so that a line never starts or ends with a blank; 1..63 are "!".."_".
        alphabet_[0] = '`';
        for (int i = 1; i < 64; ++i) alphabet_[i] = static_cast<char>(32 + i);
    }

    unsigned char in[kBlock];
    std::string line;
    while (InputStream->Position() < InputStream->Size()) {
        int n = InputStream->Read(in, kBlock);
        if (n <= 0) break;
        line.clear();
        if (!mime) line += alphabet_[n];
        int i = 0;
        for (; i + 3 <= n; i += 3) {
            unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
            line += alphabet_[(v >> 18) & 63];
            line += alphabet_[(v >> 12) & 63];
            line += alphabet_[(v >> 6) & 63];
            line += alphabet_[v & 63];
        }
        if (n - i == 1) {
            line += alphabet_[in[i] >> 2];
            line += alphabet_[(in[i] & 3) << 4];
            if (mime) line += "==";
        } else if (n - i == 2) {
            unsigned v = (in[i] << 8) | in[i + 1];
            line += alphabet_[(v >> 10) & 63];
            line += alphabet_[(v >> 4) & 63];
            line += alphabet_[(v & 15) << 2];
            if (mime) line += '=';
        }
        line += "\r\n";
        OutputStream->Write(line.data(), static_cast<int>(line.size()));
    }
    if (!mime) OutputStream->Write("`\r\n", 3);
}

std::string UUEncodeString(const std::string& data, UUMethods method) {
    TNMUUProcessor p(nullptr);
    TNetMemoryStream in(data), out;
    p.Method = method;
    p.InputStream = &in;
    p.OutputStream = &out;
    p.EncodeStream();
    return out.DataString();
}
