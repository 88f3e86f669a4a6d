#include "html/HtmlviewLogic.h"

#include <algorithm>

#include "toolkit/SysUtils.h"

namespace htmlview {

std::string NormalizeServerRoot(std::string_view s) {
    std::string r = Trim(s);
    if (!r.empty() && r.back() == '\\') r.pop_back();
    return r;
}

int LayoutWidth(const TViewMetrics& m) {
    int w = m.Width - 2 * m.MarginWidth - (m.Border ? 3 : 1);
    if (AllowsVertical(m.ScrollBars)) w -= m.VBarWidth;
    return std::max(0, w);
}

int DocumentHeight(const TViewMetrics& m, int laidOutHeight) {
    return laidOutHeight + m.MarginHeight + (AllowsVertical(m.ScrollBars) ? m.MarginHeight : 0);
}

TScrollPlan PlanScrollBars(const TViewMetrics& m, int docHeight, int widestLine) {
    TScrollPlan p;
    p.WidestLine = std::min(std::max(widestLine, 0), WidestLineCap);
    const int need = 2 * m.MarginWidth + p.WidestLine;
    auto wantV = [&](bool h) { return AllowsVertical(m.ScrollBars) && docHeight >= m.Height - 2 - (h ? m.HBarHeight : 0); };
    auto wantH = [&](bool v) { return AllowsHorizontal(m.ScrollBars) && m.Width - (v ? m.VBarWidth : 0) < need; };
    // Each bar takes room from the other's decision; two rounds settle it.
    p.ShowV = wantV(false);
    p.ShowH = wantH(p.ShowV);
    if (p.ShowH && !p.ShowV) {
        p.ShowV = wantV(true);
        if (p.ShowV) p.ShowH = wantH(true);
    }
    const int frame = m.Border ? 1 : 0;
    p.PanelLeft = p.PanelTop = frame;
    p.PanelWidth = std::max(0, m.Width - 2 * frame - (p.ShowV ? m.VBarWidth : 0));
    p.PanelHeight = std::max(0, m.Height - 2 * frame - (p.ShowH ? m.HBarHeight : 0));
    p.HMax = std::max(need, p.PanelWidth);
    p.HLarge = std::max(1, p.PanelWidth - 20);
    p.VMax = std::max(0, docHeight);
    p.VPage = p.PanelHeight + 1;
    p.VLarge = p.PanelHeight - VSmallChange;
    return p;
}

int ClampVPos(int pos, int docHeight, int panelHeight) { return std::max(0, std::min(pos, docHeight - panelHeight)); }

int ClampHPos(int pos, int hMax, int visibleWidth) { return std::max(0, std::min(pos, hMax - visibleWidth)); }

int PositionForFocusedControl(int pos, int panelHeight, int controlTop, int controlHeight) {
    if (controlTop >= pos && controlTop + controlHeight <= pos + panelHeight - 20) return pos;
    return controlTop + controlHeight / 2 - panelHeight / 2;
}

TReadingPos FindReadingPos(const std::vector<int>& tops, int pos) {
    TReadingPos rp;
    for (size_t i = 0; i < tops.size(); ++i) {
        if (tops[i] > pos) break;
        rp.Section = static_cast<int>(i);
    }
    if (rp.Section >= 0) rp.Offset = pos - tops[static_cast<size_t>(rp.Section)];
    return rp;
}

int RestoreReadingPos(const std::vector<int>& tops, const TReadingPos& rp) {
    if (rp.Section < 0 || rp.Section >= static_cast<int>(tops.size())) return 0;
    return tops[static_cast<size_t>(rp.Section)] + rp.Offset;
}

bool ParseMetaRefresh(std::string_view content, int& delay, std::string& url) {
    size_t semi = content.find(';');
    std::string number = Trim(content.substr(0, semi));
    if (number.empty()) return false;
    for (char c : number)
        if (c < '0' || c > '9') return false;
    // Nine digits at most: anything longer is no sensible delay and would not fit.
    if (number.size() > 9) return false;
    delay = StrToInt(number);
    if (delay == 0) delay = 1;
    url.clear();
    std::string upper = UpperCase(content);
    size_t u = upper.find("URL=");
    if (u != std::string::npos) url = std::string(content.substr(u + 4));
    return true;
}

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::string HtmlToDos(std::string_view url) {
    std::string s = Trim(url);
    // %xx escapes, from the first '%' on; a '%' that starts the name or has no two hexadecimal
    // digits after it ends the decoding.
    size_t p = s.find('%');
    while (p != std::string::npos && p > 0 && p + 2 < s.size()) {
        int hi = HexValue(s[p + 1]), lo = HexValue(s[p + 2]);
        if (hi < 0 || lo < 0) break;
        s.replace(p, 3, 1, static_cast<char>(hi * 16 + lo));
        p = s.find('%', p + 1);
    }
    if (s.find('/') != std::string::npos) {
        size_t f = s.find("file:///");
        if (f != std::string::npos)
            s.erase(f, 8);
        else if ((f = s.find("file://")) != std::string::npos)
            s.erase(f, 7);
        std::replace(s.begin(), s.end(), '|', ':');
        std::replace(s.begin(), s.end(), '/', '\\');
    }
    return s;
}

std::string LinkToFileName(std::string_view url, const std::string& serverRoot, const std::string& base,
                           const std::string& currentFile) {
    std::string s = HtmlToDos(url);
    if (!s.empty() && s[0] == '\\' && !serverRoot.empty()) s = serverRoot + s;
    bool hasDrive = s.size() >= 2 && s[1] == ':';
    bool network = s.size() >= 2 && s[0] == '\\' && s[1] == '\\';
    if (hasDrive || network) return s;
    std::string folder;
    if (!base.empty() && base != "DosPath") {
        folder = HtmlToDos(base);
        // A base names a folder, or a page in it.
        folder = ExtractFilePath(folder);
    } else {
        folder = ExtractFilePath(currentFile);
    }
    if (folder.empty()) return s;
    if (!s.empty() && s[0] == '\\') {
        // Rooted on the folder's drive.
        if (folder.size() >= 2 && folder[1] == ':') return folder.substr(0, 2) + s;
        return s;
    }
    if (folder.back() != '\\' && folder.back() != ':') folder += '\\';
    return folder + s;
}

void SplitAnchor(std::string_view s, std::string& name, std::string& anchor) {
    size_t h = s.find('#');
    name = std::string(s.substr(0, h));
    anchor = h == std::string_view::npos ? std::string() : std::string(s.substr(h + 1));
}

std::string UpperExt(std::string_view fileName) { return UpperCase(ExtractFileExt(fileName)); }

bool IsImageExt(const std::string& ext) {
    return ext == ".GIF" || ext == ".BMP" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG";
}

bool TVisitedList::SetMaxCount(int n) {
    max_ = ClampVisitedMaxCount(n);
    if (max_ == 0 && !items_.empty()) {
        items_.clear();
        return true;
    }
    if (static_cast<int>(items_.size()) > max_) {
        items_.resize(static_cast<size_t>(max_));
        return true;
    }
    return false;
}

bool TVisitedList::Add(const std::string& url) {
    if (max_ == 0) return false;
    auto it = std::find_if(items_.begin(), items_.end(), [&](const std::string& s) { return SameText(s, url); });
    if (it == items_.begin() && it != items_.end()) return false;
    if (it != items_.end()) {
        std::rotate(items_.begin(), it, it + 1);
        return false;
    }
    items_.insert(items_.begin(), url);
    if (static_cast<int>(items_.size()) > max_) items_.resize(static_cast<size_t>(max_));
    return true;
}

bool TVisitedList::Contains(std::string_view url) const {
    return std::any_of(items_.begin(), items_.end(), [&](const std::string& s) { return SameText(s, url); });
}

bool THistory::SetMaxCount(int n) {
    if (n < 0) return false;
    bool lowered = n < max_;
    max_ = n;
    if (lowered && !entries_.empty()) {
        Clear();
        return true;
    }
    if (lowered) index_ = 0;
    return false;
}

bool THistory::PageLoaded(const THistoryEntry& previous, const THistoryEntry& current) {
    if (max_ < 1 || previous.File.empty()) return false;
    if (previous.File == current.File && previous.Kind == current.Kind && previous.Position == current.Position) return false;
    if (entries_.empty()) {
        entries_.push_back(previous);
        index_ = 0;
    } else {
        index_ = std::min(index_, Count() - 1);
        entries_[static_cast<size_t>(index_)] = previous;
        entries_.erase(entries_.begin(), entries_.begin() + index_);
    }
    index_ = 0;
    entries_.insert(entries_.begin(), current);
    if (Count() > max_) entries_.resize(static_cast<size_t>(max_));
    return true;
}

bool IsWordChar(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           (c >= 192 && c <= 254 && c != 215 && c != 247);
}

void WordAround(std::string_view line, int i, int& b, int& e) {
    b = e = i;
    const int n = static_cast<int>(line.size());
    if (i < 0 || i >= n || !IsWordChar(static_cast<unsigned char>(line[static_cast<size_t>(i)]))) return;
    while (b > 0 && IsWordChar(static_cast<unsigned char>(line[static_cast<size_t>(b - 1)]))) --b;
    while (e < n && IsWordChar(static_cast<unsigned char>(line[static_cast<size_t>(e)]))) ++e;
}

} // namespace htmlview
