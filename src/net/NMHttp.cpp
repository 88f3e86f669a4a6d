#include "net/NMHttp.h"

#include <climits>
#include <cstdio>

#include "net/NMURL.h"
#include "net/NMUUE.h"
#include "toolkit/ScopeExit.h"
#include "toolkit/SysUtils.h"

namespace {

const char* MethodText(CmdType cmd) {
    switch (cmd) {
    case CmdGET: return "GET ";
    case CmdOPTIONS: return "OPTIONS ";
    case CmdHEAD: return "HEAD ";
    case CmdPOST: return "POST ";
    case CmdPUT: return "PUT ";
    case CmdPATCH: return "PATCH ";
    case CmdCOPY: return "COPY ";
    case CmdMOVE: return "MOVE ";
    case CmdDELETE: return "DELETE ";
    case CmdLINK: return "LINK ";
    case CmdUNLINK: return "UNLINK ";
    case CmdTRACE: return "TRACE ";
    case CmdWRAPPED: return "";
    }
    return "";
}

bool HasBody(CmdType cmd) { return cmd == CmdPOST || cmd == CmdPUT || cmd == CmdPATCH || cmd == CmdTRACE || cmd == CmdWRAPPED; }

std::string StripLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

long long FileSize(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) throw EFOpenError("Cannot open file " + name);
    std::fseek(f, 0, SEEK_END);
    long long n = std::ftell(f);
    std::fclose(f);
    return n;
}

} // namespace

int HttpStatusCode(const std::string& statusLine) {
    const std::string line = StripLineEnd(statusLine);
    size_t a = line.find(' ');
    if (a == std::string::npos) return 0;
    size_t b = line.find(' ', a + 1);
    std::string word = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    return StrToIntDef(word, 0);
}

TNMHTTP::TNMHTTP(TComponent* owner, std::unique_ptr<TSocketDriver> driver) : TPowersock(owner, std::move(driver)) {}

TNMHTTP::~TNMHTTP() {
    // The waits end on the cancel request; nothing is left running once the object goes.
    LookupDone = true;
}

void TNMHTTP::Abort() {
    LookupDone = true;
    Cancel();
}

// ---------------------------------------------------------------- request operations

void TNMHTTP::Start(CmdType cmd, const std::string& url, const std::string* body, const std::string* target) {
    // One request at a time: a request started from an event handler while another one runs
    // is refused before it can touch the running request's URL, host, port or header.
    if (busy_) throw ESockError("Already connected");
    RequestUrl = url;
    if (body) RequestBody = *body;
    if (target) TargetUri = *target;
    CommandCode = cmd;
    DoRequest();
}

void TNMHTTP::Options(const std::string& url) { Start(CmdOPTIONS, url, nullptr, nullptr); }
void TNMHTTP::Get(const std::string& url) { Start(CmdGET, url, nullptr, nullptr); }
void TNMHTTP::Post(const std::string& url, const std::string& data) {
    if (busy_) throw ESockError("Already connected");
    // Form data arrives URL-encoded and goes out as the text it encodes.
    std::string body = data;
    if (DecodePostData && !OutputFileMode) {
        TNMURL decoder(nullptr);
        decoder.InputString = data;
        body = decoder.Decode();
    }
    Start(CmdPOST, url, &body, nullptr);
}
void TNMHTTP::Put(const std::string& url, const std::string& data) { Start(CmdPUT, url, &data, nullptr); }
void TNMHTTP::Head(const std::string& url) { Start(CmdHEAD, url, nullptr, nullptr); }
void TNMHTTP::Patch(const std::string& url, const std::string& data) { Start(CmdPATCH, url, &data, nullptr); }
void TNMHTTP::Delete(const std::string& url) { Start(CmdDELETE, url, nullptr, nullptr); }
void TNMHTTP::Trace(const std::string& url, const std::string& data) { Start(CmdTRACE, url, &data, nullptr); }
void TNMHTTP::Copy(const std::string& url, const std::string& destination) { Start(CmdCOPY, url, nullptr, &destination); }
void TNMHTTP::Move(const std::string& url, const std::string& destination) { Start(CmdMOVE, url, nullptr, &destination); }
void TNMHTTP::Link(const std::string& url, const std::string& link) {
    const std::string body = "Send.dat";
    Start(CmdLINK, url, &body, &link);
}
void TNMHTTP::Unlink(const std::string& url, const std::string& link) {
    const std::string body = "Send.dat";
    Start(CmdUNLINK, url, &body, &link);
}
void TNMHTTP::SendHeaderAndData(const std::string& url, const std::string& data) { Start(CmdWRAPPED, url, &data, nullptr); }

// ---------------------------------------------------------------- the exchange

void TNMHTTP::DoRequest() {
    // A handler that runs during one of the waits may destroy this object; then every step
    // below unwinds without touching it.
    const auto alive = Alive();
    busy_ = true;
    auto reset = ScopeExit([this, alive] {
        if (*alive) busy_ = false;
    });
    int followed = 0;
    for (;;) {
        ParseUrl();
        BuildRequestHeader();
        if (!Notify(OnAboutToSend)) return;
        // A relative Location is resolved against the URL that was asked for.
        const std::string requested =
            RequestUrl.find("//") != std::string::npos
                ? RequestUrl
                : "http://" + Host + (Port != 80 ? ":" + std::to_string(Port) : std::string()) + RequestPath;
        try {
            Connect();
            SendRequest();
            ReadReplyHeader();
            // RFC 1945, 7.2.2: the body ends after Content-Length bytes when the reply states
            // it, otherwise when the server closes. HEAD replies and 1xx, 204 and 304 carry none.
            long long expected = -1;
            if (sentCommand_ == CmdHEAD || ReplyCode == 204 || ReplyCode == 304 || (ReplyCode >= 100 && ReplyCode < 200))
                expected = 0;
            else if (hasContentLength_)
                expected = BytesExpected;
            if (!InputFileMode && expected > static_cast<long long>(httplimits::kBody.Max)) {
                Body.clear();
                throw ESockError(LimitText(httplimits::kBody));
            }
            if (InputFileMode) {
                CaptureFile(Body, expected);
            } else {
                // A stated length is known to be within the limit: room for it once.
                if (expected > 0) Body.reserve(static_cast<size_t>(expected));
                CaptureString(Body, static_cast<int>(expected), httplimits::kBody);
            }
            // The peer closed before the body was whole: a truncated page is not a reply.
            const long long got = InputFileMode ? BytesReceived : static_cast<long long>(Body.size());
            if (expected > 0 && got < expected)
                throw ESockError("Connection closed after " + std::to_string(got) + " of " + std::to_string(expected) +
                                 " body bytes");
            if (ReplyCode < 299) {
                if (OnSuccess) {
                    TResultEvent handler = OnSuccess;
                    handler(CommandCode);
                    if (!*alive) return;
                }
                ReportStatus(2, "Transaction Completed");
            } else if (ReplyCode > 399) {
                if (OnFailure) {
                    TResultEvent handler = OnFailure;
                    handler(CommandCode);
                    if (!*alive) return;
                }
            }
        } catch (...) {
            if (*alive) {
                try {
                    Disconnect();
                } catch (...) {}
            }
            throw;
        }
        Disconnect();
        if (!*alive) return;

        if (ReplyCode >= 300 && ReplyCode <= 398) {
            bool handled = false;
            if (!ReceivedCookie.empty()) HeaderInfo.Cookie = ReceivedCookie;
            if (OnRedirect) {
                THandlerEvent handler = OnRedirect;
                handler(handled);
                if (!*alive) return;
            }
            if (handled) break;
            // A bare file name is taken relative to the server root; the port goes with the
            // host so that a server on another port than 80 is asked again. Any other
            // reference without a scheme ("ok/page.html", "../x", "/y") is resolved against
            // the URL that was asked for (RFC 3986, 5.2).
            if (RequestUrl.find('/') == std::string::npos)
                RequestUrl = "http://" + Host + (Port != 80 ? ":" + std::to_string(Port) : std::string()) + "/" + RequestUrl;
            else if (locationSeen_ && !HasScheme(RequestUrl))
                RequestUrl = ResolveReference(requested, RequestUrl);
        }
        if (ReplyCode == 401 && !Notify(OnAuthenticationNeeded)) return;
        if (ReplyCode < 299 || ReplyCode > 399) break;
        // A redirection without a Location names nothing new: asking again would repeat the
        // same reply for ever.
        if (!locationSeen_) break;
        if (++followed > MaxRedirects) throw ESockError("Too many redirections");
    }
}

void TNMHTTP::ParseUrl() {
    const std::string& url = RequestUrl;
    if (url.empty()) throw Exception("Empty URL");
    if (Port == 0) Port = 80;

    // Positions of the first three slashes.
    size_t slash[3] = {std::string::npos, std::string::npos, std::string::npos};
    for (size_t i = 0, k = 0; i < url.size() && k < 3; ++i)
        if (url[i] == '/') slash[k++] = i;
    const bool hasDouble = url.find("//") != std::string::npos;

    std::string path;
    if (hasDouble) {
        if (slash[2] != std::string::npos) path = url.substr(slash[2]);
    } else if (slash[0] != std::string::npos) {
        path = url.substr(slash[0]);
    }

    if (url.find(':') != std::string::npos) {
        std::string scheme = LowerCase(url.substr(0, url.find(':')));
        Port = scheme == "gopher" ? 70 : scheme == "ftp" ? 21 : 80;
    }

    std::string hostPart;
    if (hasDouble) {
        if (slash[1] != std::string::npos) {
            size_t end = slash[2] == std::string::npos ? url.size() : slash[2];
            hostPart = url.substr(slash[1] + 1, end - slash[1] - 1);
        }
    } else if (!url.empty() && url[0] == '/') {
        hostPart.clear();
    } else {
        hostPart = url.substr(0, slash[0]);
    }

    size_t colon = hostPart.find(':');
    if (colon != std::string::npos) {
        size_t next = hostPart.find(':', colon + 1);
        Port = StrToInt(hostPart.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1));
        hostPart.resize(colon);
        // Through a proxy the port goes out inside the URL, so it is checked here as well.
        CheckPortRange(Port, "Port");
    }
    if (!hostPart.empty()) Host = hostPart;
    if (path.empty()) {
        path = "/";
        RequestUrl += "/";
    }
    RequestPath = path;
}

void TNMHTTP::BuildRequestHeader() {
    RequestHeader.Clear();
    if (CommandCode != CmdWRAPPED) {
        std::string target = RequestPath;
        if (!Proxy.empty()) {
            // A proxy needs the absolute URL (RFC 1945, 5.1.2). A URL without a host (a path
            // alone, as a Location may give) is completed with the host and port it goes to.
            target = RequestUrl;
            if (RequestUrl.find("//") == std::string::npos && !RequestUrl.empty() && RequestUrl[0] == '/')
                target = "http://" + Host + (Port != 80 ? ":" + std::to_string(Port) : std::string()) + RequestPath;
        }
        RequestHeader.Add(std::string(MethodText(CommandCode)) + target + " HTTP/1.0");
    }
    if (!Proxy.empty()) {
        RequestHeader.Add("Proxy-Connection: Keep-Alive");
        RequestHeader.Add("Host: " + Host);
    }
    RequestHeader.SetHeader("Host", Host);
    RequestHeader.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    RequestHeader.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    if (!HeaderInfo.LocalMailAddress.empty()) RequestHeader.SetHeader("User-Agent", HeaderInfo.LocalMailAddress);
    if (!HeaderInfo.LocalProgram.empty()) RequestHeader.SetHeader("From", HeaderInfo.LocalProgram);
    if (!HeaderInfo.Cookie.empty()) RequestHeader.SetHeader("Cookie", HeaderInfo.Cookie);
    if (!HeaderInfo.Referer.empty()) RequestHeader.SetHeader("Referer", HeaderInfo.Referer);
    if (!HeaderInfo.UserId.empty() && !HeaderInfo.Password.empty()) {
        // RFC 1945, 11.1: "Basic " and the Base64 form of user-id ":" password, on one line.
        std::string encoded = UUEncodeString(HeaderInfo.UserId + ":" + HeaderInfo.Password, UUMethods::uuMime);
        encoded = StringReplaceAll(encoded, "\r\n", "");
        RequestHeader.SetHeader("Authorization", "Basic " + encoded);
    }
    RequestHeader.Add("Content-type: application/x-www-form-urlencoded");
    if (CommandCode == CmdCOPY || CommandCode == CmdMOVE) RequestHeader.Add("URI-header: " + TargetUri);
    if (CommandCode == CmdLINK || CommandCode == CmdUNLINK) RequestHeader.Add("Link: " + TargetUri);
    // Only requests that send a body state its length; LINK and UNLINK send none, and a length
    // without the bytes would leave the server waiting for them.
    if (HasBody(CommandCode)) {
        long long n = OutputFileMode ? FileSize(RequestBody) : static_cast<long long>(RequestBody.size());
        RequestHeader.Add("Content-Length: " + std::to_string(n));
    }
    RequestHeader.Add("");
}

void TNMHTTP::SendRequest() {
    sentCommand_ = CommandCode;
    // Header and body go out whole: a body longer than one write buffer, or one holding NUL
    // bytes, must arrive as long as its Content-Length says.
    SendData(RequestHeader.Text());
    if (HasBody(CommandCode)) {
        if (OutputFileMode)
            SendFile(RequestBody);
        else
            SendData(RequestBody);
    }
    CommandCode = CmdGET;
}

void TNMHTTP::ReadReplyHeader() {
    BytesExpected = 0;
    ReceivedCookie.clear();
    hasContentLength_ = false;
    locationSeen_ = false;
    std::FILE* file = nullptr;
    if (OutputFileMode) {
        file = std::fopen(Header.c_str(), "wb");
        if (!file) throw EFOpenError("Cannot create file " + Header);
    } else {
        Header.clear();
    }
    auto closer = ScopeExit([&file] {
        if (file) std::fclose(file);
    });
    std::string header; // kept here until the header is whole, so a failed reply leaves none
    auto store = [&](const std::string& line) {
        if (file) {
            if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) throw EInOutError("Cannot write file " + Header);
        } else {
            header += line;
        }
    };
    size_t headerBytes = 0;
    // Reads one line of the header; the peer closing before its line end breaks the reply.
    auto readLine = [&](int lineNo) {
        std::string line = ReadLn(httplimits::kLine);
        if (line.empty() && lineNo == 0) throw ESockError("Connection closed without a reply");
        if (line.empty() || line.back() != '\n')
            throw ESockError("Connection closed inside the reply header: line " + std::to_string(lineNo + 1) + " ended after " +
                             std::to_string(line.size()) + " bytes without its line end");
        headerBytes += line.size();
        if (headerBytes > httplimits::kHeaderBytes)
            throw ESockError("Reply header exceeds its limit of " + std::to_string(httplimits::kHeaderBytes) + " bytes");
        return line;
    };

    std::string line = readLine(0);
    ReplyCode = HttpStatusCode(line);
    store(line);
    std::string location;
    for (int n = 1;; ++n) {
        if (n > httplimits::kHeaderLines)
            throw ESockError("Reply header exceeds its limit of " + std::to_string(httplimits::kHeaderLines) + " lines");
        line = readLine(n);
        std::string word = UpperCase(line.substr(0, line.find(' ')));
        if (word == "SET-COOKIE:") {
            ReceivedCookie = StripLineEnd(line.substr(12));
        } else if (word == "LOCATION:") {
            std::string value = StripLineEnd(line.substr(10));
            if (!value.empty()) {
                location = value;
                locationSeen_ = true;
            }
        } else if (word == "CONTENT-LENGTH:") {
            size_t i = 16;
            while (i < line.size() && line[i] == ' ') ++i;
            long long v = 0;
            bool digits = false;
            for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
                digits = true;
                if (v < INT_MAX) v = v * 10 + (line[i] - '0');
            }
            BytesExpected = static_cast<int32_t>(v > INT_MAX ? INT_MAX : v);
            hasContentLength_ = digits;
        }
        store(line);
        if (line == "\n" || line == "\r\n") break;
    }
    if (locationSeen_) RequestUrl = location;
    if (!file) Header = std::move(header);
}
