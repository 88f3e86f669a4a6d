// TNMHTTP: one HTTP/1.0 exchange per call (RFC 1945) over TPowersock, directly or through a
// proxy, with redirection and cookie capture. Portable: the socket work goes through the
// TPowersock driver.
#pragma once

#include <functional>
#include <string>

#include "net/NMExtstr.h"
#include "net/Psock.h"

enum CmdType : int {
    CmdGET = 0,
    CmdOPTIONS = 1,
    CmdHEAD = 2,
    CmdPOST = 3,
    CmdPUT = 4,
    CmdPATCH = 5,
    CmdCOPY = 6,
    CmdMOVE = 7,
    CmdDELETE = 8,
    CmdLINK = 9,
    CmdUNLINK = 10,
    CmdTRACE = 11,
    CmdWRAPPED = 12, // SendHeaderAndData: the data carries its own request line
};

using TResultEvent = std::function<void(CmdType Cmd)>;

// The bounds on what a reply may make the engine hold. A reply past one fails with an ESockError
// naming it ("<name> exceeds its limit of <n> bytes", or lines for the count), and nothing of it
// is left in Body or Header. A body captured to a file is bounded by the disk instead.
namespace httplimits {
// A status or header line, its line end included. Servers keep lines far shorter; 8 KiB is
// what common servers accept for a request line.
inline constexpr TReceiveLimit kLine{8 * 1024, "Reply header line"};
// Header lines after the status line, the empty line that ends the header included.
inline constexpr int kHeaderLines = 100;
// The whole header, status line included.
inline constexpr size_t kHeaderBytes = 64 * 1024;
// A body held in memory (Body). The service's pages are a few kilobytes.
inline constexpr TReceiveLimit kBody{16 * 1024 * 1024, "Reply body"};
} // namespace httplimits

// Request header settings, kept between requests.
class THeaderInfo : public TObject {
public:
    std::string LocalMailAddress; // sent as User-Agent
    std::string LocalProgram;     // sent as From
    std::string Cookie;
    std::string Referer;
    std::string UserId;
    std::string Password;
};

class TNMHTTP : public TPowersock {
public:
    explicit TNMHTTP(TComponent* owner, std::unique_ptr<TSocketDriver> driver = nullptr);
    ~TNMHTTP() override;

    // Published.
    std::string Body = "Default.htm"; // reply body, or with InputFileMode the file that receives it
    std::string Header = "Head.txt";  // reply header, or with OutputFileMode the file that receives it
    THeaderInfo HeaderInfo;
    bool InputFileMode = false;
    bool OutputFileMode = false;
    TNotifyEvent OnAboutToSend;
    TResultEvent OnSuccess;
    TResultEvent OnFailure;
    THandlerEvent OnRedirect;
    TNotifyEvent OnAuthenticationNeeded;

    // Run-time state.
    std::string RequestUrl;
    std::string RequestPath;
    std::string RequestBody;
    std::string TargetUri;
    TExStringList RequestHeader;
    std::string ReceivedCookie;
    CmdType CommandCode = CmdGET;
    bool DecodePostData = true;
    // Redirections followed by one request before it fails with "Too many redirections".
    int MaxRedirects = 20;

    void Abort() override;

    // The request operations: each returns when the exchange, redirections included, is over.
    virtual void Options(const std::string& url);
    virtual void Get(const std::string& url);
    virtual void Post(const std::string& url, const std::string& data);
    virtual void Put(const std::string& url, const std::string& data);
    virtual void Head(const std::string& url);
    virtual void Patch(const std::string& url, const std::string& data);
    virtual void Delete(const std::string& url);
    virtual void Trace(const std::string& url, const std::string& data);
    virtual void Copy(const std::string& url, const std::string& destination);
    virtual void Move(const std::string& url, const std::string& destination);
    virtual void Link(const std::string& url, const std::string& link);
    virtual void Unlink(const std::string& url, const std::string& link);
    virtual void SendHeaderAndData(const std::string& url, const std::string& data);

    // The steps of one exchange, public so that they can be checked one by one.
    virtual void DoRequest();
    virtual void ParseUrl();
    virtual void BuildRequestHeader();
    virtual void ReadReplyHeader();
    virtual void SendRequest();

    // True while a request operation runs.
    bool Busy() const { return busy_; }

private:
    // Refuses a request while another one runs, then records it and runs DoRequest.
    void Start(CmdType cmd, const std::string& url, const std::string* body, const std::string* target);

    bool busy_ = false;
    bool hasContentLength_ = false;
    bool locationSeen_ = false;
    std::string location_;         // the last Location value of the reply being read
    CmdType sentCommand_ = CmdGET; // the method of the request on the wire
};

// The status code of an HTTP status line: the integer value of its second blank-separated word
// (the line end does not belong to it, so a line without a reason phrase has its code too),
// 0 when that is not a number.
int HttpStatusCode(const std::string& statusLine);
