// Template implementations for Graphics.h.
#pragma once

template <class Measure>
std::vector<TTextLine> BreakTextLines(const std::string& text, int width, bool wordBreak, Measure measure) {
    std::vector<TTextLine> lines;
    size_t i = 0, n = text.size();
    while (i <= n) {
        // One hard line: up to CR/LF or the end.
        size_t e = i;
        while (e < n && text[e] != '\r' && text[e] != '\n') ++e;
        if (!wordBreak) {
            lines.push_back({i, e - i});
        } else {
            size_t s = i;
            do {
                // Take words while they fit; the first word of a line always goes in.
                size_t end = s, fit = s;
                while (end < e) {
                    size_t w = end;
                    while (w < e && text[w] == ' ') ++w;
                    size_t we = w;
                    while (we < e && text[we] != ' ') ++we;
                    if (fit != s && measure(text.substr(s, we - s)) > width) break;
                    fit = we;
                    end = we;
                }
                if (fit == s) fit = e; // only blanks left
                lines.push_back({s, fit - s});
                s = fit;
                while (s < e && text[s] == ' ') ++s;
            } while (s < e);
        }
        if (e >= n) break;
        if (text[e] == '\r' && e + 1 < n && text[e + 1] == '\n') ++e;
        i = e + 1;
        if (i == n) break;
    }
    return lines;
}
