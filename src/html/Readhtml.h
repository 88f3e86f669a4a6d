// The HTML parser: reads a page in one forward pass and fills a document (TSectionList).
// Tolerant: malformed markup is skipped or shown as text; the only error is an unterminated
// comment (EParseError "Open Comment at End of HTML File").
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "html/Htmlsubs.h"

// Callbacks the parser makes while reading a page.
struct THtmlCallbacks {
    // <!--#command NAME=value ...-->: may fill `buffer`, which is then read in place of the directive.
    std::function<void(const std::string& command, TStringList& params, std::string& buffer)> OnInclude;
    // BGSOUND: the sound file, the loop count and a terminate flag (false here).
    std::function<void(const std::string& src, int loop, bool terminate)> OnSound;
    // META: HTTP-EQUIV, NAME and CONTENT.
    std::function<void(const std::string& httpEq, const std::string& name, const std::string& content)> OnMeta;
    // SCRIPT: the LANGUAGE value and the script's lines joined with CR LF.
    std::function<void(const std::string& language, const std::string& script)> OnScript;
    // Only the top-level viewer lets a META content type choose the character set.
    bool TopLevel = true;
};

// What the viewer reads after a parse.
struct THtmlParseInfo {
    std::string Title, Base, BaseTarget;
};

// Parses `size` bytes of HTML. Anchor names go to `nameList`, each with its section as object.
// An unterminated comment raises EParseError after the document keeps what came before it.
void HtmlParseBuffer(TSectionList& list, TStringList& nameList, const char* buffer, size_t size, const THtmlCallbacks& callbacks,
                     THtmlParseInfo& info);
// Parses an HTML file (an unterminated comment ends the page quietly).
void HtmlParseTextFile(TSectionList& list, TStringList& nameList, const std::string& fileName, const THtmlCallbacks& callbacks,
                       THtmlParseInfo& info);
// Shows a text file as preformatted text, one section per line, without tag or entity recognition.
void HtmlParsePlainTextFile(TSectionList& list, TStringList& nameList, const std::string& fileName);

// Name tables (exact, upper-case names for tags and attributes; entities are case-sensitive).
bool LookupTag(std::string_view upperName, Symb& sym);
Symb LookupAttribute(std::string_view upperName);
bool LookupEntity(std::string_view name, std::string& replacement);
struct THtmlCharsetRow {
    const char* Substring;
    int Charset;
};
extern const THtmlCharsetRow HtmlCharsets[14];
