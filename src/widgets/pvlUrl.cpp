#include "widgets/pvlUrl.h"

#include "toolkit/Exception.h"

int UrlShowValue(TUrlShowCmd cmd) {
    switch (cmd) {
    case TUrlShowCmd::ssHide: return 0;
    case TUrlShowCmd::ssMaximize: return 3;
    case TUrlShowCmd::ssMinimize: return 6;
    case TUrlShowCmd::ssRestore: return 9;
    case TUrlShowCmd::ssShow: return 5;
    case TUrlShowCmd::ssShowDefault: return 10;
    case TUrlShowCmd::ssShowMaximized: return 3;
    case TUrlShowCmd::ssShowMinimized: return 2;
    case TUrlShowCmd::ssShowMinNoActivate: return 7;
    case TUrlShowCmd::ssShowNA: return 8;
    case TUrlShowCmd::ssShowNoActivate: return 4;
    case TUrlShowCmd::ssShowNormal: return 1;
    }
    return 10;
}

std::string CutDocumentPlaceholder(const std::string& command) {
    size_t at = command.find("\"%1\"");
    if (at == std::string::npos) at = command.find("%1");
    if (at == std::string::npos) return command;
    return command.substr(0, at);
}

std::string QuoteCommandLineArgument(std::string_view arg) {
    arg = arg.substr(0, arg.find('\0'));
    // Inside quotes, backslashes are literal unless a quote follows them: then each pair stands
    // for one backslash and a single one escapes the quote. So double the backslashes before an
    // embedded quote (and escape it), and before the closing quote.
    std::string out = "\"";
    size_t backslashes = 0;
    for (char ch : arg) {
        if (ch == '\\') {
            ++backslashes;
            continue;
        }
        if (ch == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        out += ch;
        backslashes = 0;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string BrowserCommandLine(const std::string& openCommand, const std::string& url) {
    return CutDocumentPlaceholder(openCommand) + " " + QuoteCommandLineArgument(url);
}

void TpvlUrl::OpenUrl() {
    int show = UrlShowValue(UrlShowCommand);
    std::string htmlClass, command;
    // Without a registered browser there is nothing to do and nothing to report.
    if (ReadClassesValue(".htm", htmlClass) != 0) return;
    if (ReadClassesValue(htmlClass + "\\shell\\open\\command", command) != 0) return;
    if (RunCommandLine(BrowserCommandLine(command, Url), show) < 32) throw Exception("Couldn't launch default browser");
}
