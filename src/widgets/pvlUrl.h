// URL launcher: opens a web address in the user's default browser, found through the registry
// entry of the ".htm" file type and its open command.
//
// The address is untrusted (it comes from pages a server sends), so it is handed to the browser
// as exactly one command-line argument, quoted by the platform's command-line rules, whatever
// quotes, blanks or other characters it holds.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/Classes.h"

enum class TUrlShowCmd {
    ssHide,
    ssMaximize,
    ssMinimize,
    ssRestore,
    ssShow,
    ssShowDefault,
    ssShowMaximized,
    ssShowMinimized,
    ssShowMinNoActivate,
    ssShowNA,
    ssShowNoActivate,
    ssShowNormal
};

// The platform's show-window value (SW_*) of each member.
int UrlShowValue(TUrlShowCmd cmd);

// The registered open command up to the document placeholder: cut before a quoted "%1" when
// there is one, else before a bare %1; whatever followed is dropped.
std::string CutDocumentPlaceholder(const std::string& command);

// `arg` quoted so that the platform's command-line parser (CommandLineToArgvW and the C
// runtime's) reads it back as exactly one argument equal to `arg`. A command line cannot carry
// a NUL byte, so the argument ends at the first one.
std::string QuoteCommandLineArgument(std::string_view arg);

// The browser's command line for `url`: the cut open command, a blank, the quoted address.
std::string BrowserCommandLine(const std::string& openCommand, const std::string& url);

class TpvlUrl : public TComponent {
public:
    explicit TpvlUrl(TComponent* owner);
    ~TpvlUrl() override;

    TUrlShowCmd UrlShowCommand = TUrlShowCmd::ssShowDefault;
    std::string Url;

    // Opens Url in the default browser. Without a ".htm" registration or an open command for it,
    // nothing happens; a failed start raises "Couldn't launch default browser".
    void OpenUrl();

    // Reads the default value of `key` under the classes root into `value`; 0 on success, else
    // the registry's error code.
    virtual int ReadClassesValue(const std::string& key, std::string& value);

protected:
    // Starts a command line with a show value; 32 or more means it started.
    virtual unsigned RunCommandLine(const std::string& commandLine, int show);
};
