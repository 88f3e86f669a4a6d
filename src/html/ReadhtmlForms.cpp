// The parser's steps for forms: FORM and /FORM track the current form; INPUT TYPE=image shows its
// image; SELECT and TEXTAREA content is read completely (options, lines) so that it never shows
// as page text.
#include <cctype>

#include "html/ReadhtmlParser.h"
#include "toolkit/SysUtils.h"

void THtmlParser::DoForm() { HaveForm = true; }

void THtmlParser::DoEndForm() { HaveForm = false; }

void THtmlParser::DoInput() {
    if (LowerCase(AttrText(TypeSy).substr(0, 20)) == "image") DoImage();
}

void THtmlParser::DoSelect() {
    // Options are read up to /SELECT so their text never lands in the page.
    Next();
    while (Sy != EofSy && Sy != EndOf(SelectSy)) {
        if (Sy == ScriptSy) DoScript(); // reads its content, and turns comment detection back on
        Next();
    }
}

void THtmlParser::DoTextArea() { (void)ReadTextAreaLines(); }

std::vector<std::string> THtmlParser::ReadTextAreaLines() {
    // Everything up to "</textarea" followed by a space, a line end or ">" is the text.
    std::vector<std::string> lines;
    std::string line;
    auto atEnd = [this] {
        static const char tail[] = "/TEXTAREA";
        for (int k = 0; k < 9; ++k) {
            int c = RawPeek(k);
            if (c == EofCh || std::toupper(c) != tail[k]) return false;
        }
        int after = RawPeek(9);
        return after == ' ' || after == '\r' || after == '\n' || after == '\t' || after == '>';
    };
    while (Ch != EofCh) {
        if (LCh == '<' && atEnd()) break;
        if (LCh == '\r') {
            lines.push_back(line);
            line.clear();
            GetCh();
        } else if (LCh == '&') {
            line += GetEntity();
        } else {
            line += static_cast<char>(LCh);
            GetCh();
        }
    }
    while (Ch != '>' && Ch != EofCh) GetCh();
    if (Ch == '>') GetCh();
    if (!line.empty()) lines.push_back(line);
    // The caller reads the next symbol: leave a neutral one behind.
    Sy = CommandSy;
    return lines;
}
