// The viewer control's rules that need no window: property clamping, the layout width and the
// scroll-bar plan, position keeping across a relayout, meta refresh, file names from links, the
// visited list, the history lists and word selection. Portable, so they are tested natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class THTMLBorderStyle { htFocused, htNone, htSingle };

namespace htmlview {

// ---- properties
constexpr int MaxMargin = 50;
constexpr int MinFontSize = 6;
constexpr int MaxImageCache = 20;
constexpr int WidestLineCap = 2000; // the widest line counted for the horizontal range
constexpr int VSmallChange = 16;    // vertical line step
constexpr int HSmallChange = 15;    // horizontal line step

inline bool MarginAccepted(int v) { return v >= 0 && v <= MaxMargin; }
inline int ClampFontSize(int v) { return v < MinFontSize ? MinFontSize : v; }
inline int ClampImageCacheCount(int v) { return v < 0 ? 0 : v > MaxImageCache ? MaxImageCache : v; }
inline int ClampVisitedMaxCount(int v) { return v < 0 ? 0 : v; }
// Trimmed, with one trailing backslash removed.
std::string NormalizeServerRoot(std::string_view s);

inline bool AllowsVertical(TScrollStyle s) { return s == TScrollStyle::ssVertical || s == TScrollStyle::ssBoth; }
inline bool AllowsHorizontal(TScrollStyle s) { return s == TScrollStyle::ssHorizontal || s == TScrollStyle::ssBoth; }

// ---- geometry
struct TViewMetrics {
    int Width = 150, Height = 150; // the whole control
    int MarginWidth = 10, MarginHeight = 5;
    bool Border = true; // false with htNone
    TScrollStyle ScrollBars = TScrollStyle::ssBoth;
    int VBarWidth = 16, HBarHeight = 16; // the platform's scroll-bar sizes
};

// The width the document is laid out for: the control less the margins, the frame (1 without a
// border, 3 with one) and, whenever a vertical bar may appear, its width.
int LayoutWidth(const TViewMetrics& m);
// The scrollable height from the laid-out height: one margin above, and one below as well when
// a vertical bar may appear.
int DocumentHeight(const TViewMetrics& m, int laidOutHeight);

struct TScrollPlan {
    bool ShowV = false, ShowH = false;
    int PanelLeft = 0, PanelTop = 0, PanelWidth = 0, PanelHeight = 0;
    int HMax = 0;            // horizontal range 0..HMax
    int VMax = 0, VPage = 0; // vertical range 0..VMax with this page
    int HLarge = 1, VLarge = 0;
    int WidestLine = 0; // as counted (capped)
};
// Which bars show, where the panel goes and the bars' ranges, for a document of `docHeight`
// (DocumentHeight) whose widest line is `widestLine`.
TScrollPlan PlanScrollBars(const TViewMetrics& m, int docHeight, int widestLine);

// Vertical positions run from 0 to docHeight - panelHeight (0 when everything fits).
int ClampVPos(int pos, int docHeight, int panelHeight);
// Horizontal positions run from 0 to hMax - visibleWidth (0 when everything fits).
int ClampHPos(int pos, int hMax, int visibleWidth);
// The position that brings a focused form control into view: unchanged while the control lies
// in the visible part and more than 20 pixels above its bottom, else the control in the middle.
// The caller clamps the result.
int PositionForFocusedControl(int pos, int panelHeight, int controlTop, int controlHeight);
// Auto-scroll step for a mouse `outside` pixels beyond the panel's edge.
inline int AutoScrollStep(int outside) { return outside > 15 ? 128 : 16; }

// Position keeping: the reading position as the section at the top of the view and the offset
// into it, found from the section tops (in order) before a relayout and applied after it.
struct TReadingPos {
    int Section = -1; // -1: nothing to keep
    int Offset = 0;
};
TReadingPos FindReadingPos(const std::vector<int>& tops, int pos);
int RestoreReadingPos(const std::vector<int>& tops, const TReadingPos& rp);

// ---- meta refresh: CONTENT "delay[; url=URL]". False when the delay is no whole number or is
// negative. A delay of 0 comes back as 1; the URL is taken as written, or empty.
bool ParseMetaRefresh(std::string_view content, int& delay, std::string& url);

// ---- file names from links
// The trimmed URL with %xx escapes decoded and, when it holds '/', "file:///" (or "file://")
// removed, '|' made ':' and '/' made '\'.
std::string HtmlToDos(std::string_view url);
// The file a link names: HtmlToDos, ServerRoot before a leading '\', and a relative name joined
// to the base (unless it is "DosPath" or empty) or else to the current file's folder.
std::string LinkToFileName(std::string_view url, const std::string& serverRoot, const std::string& base,
                           const std::string& currentFile);
// Splits "name#anchor" at the first '#'.
void SplitAnchor(std::string_view s, std::string& name, std::string& anchor);
// Upper-cased extension, ".HTM" for "a\b.htm".
std::string UpperExt(std::string_view fileName);
inline bool IsHtmlExt(const std::string& ext) { return ext == ".HTM" || ext == ".HTML"; }
bool IsImageExt(const std::string& ext);

// ---- visited links, most recent first.
class TVisitedList {
public:
    int MaxCount() const { return max_; }
    // Clamped at 0; 0 empties the list. True when the list changed.
    bool SetMaxCount(int n);
    // Marks a URL visited. True when it was new (it is then in front and the page's links must
    // be compared with it).
    bool Add(const std::string& url);
    // Case-insensitive membership.
    bool Contains(std::string_view url) const;
    const std::vector<std::string>& Items() const { return items_; }
    void Clear() { items_.clear(); }

private:
    std::vector<std::string> items_;
    int max_ = 50;
};

// ---- history of file loads: entry 0 is the page on show.
enum class TLoadKind { lkHtml, lkText, lkPicture };
struct THistoryEntry {
    std::string File, Title;
    int Position = 0;
    TLoadKind Kind = TLoadKind::lkHtml;
    friend bool operator==(const THistoryEntry&, const THistoryEntry&) = default;
};
class THistory {
public:
    int MaxCount() const { return max_; }
    // Negative values are ignored; lowering clears. True when entries were dropped.
    bool SetMaxCount(int n);
    int Count() const { return static_cast<int>(entries_.size()); }
    int Index() const { return index_; }
    void SetIndex(int i) { index_ = i; }
    const THistoryEntry& operator[](int i) const { return entries_.at(static_cast<size_t>(i)); }
    void SetPosition(int i, int pos) { entries_.at(static_cast<size_t>(i)).Position = pos; }
    // After a file load: `previous` was on show (its File empty when there was none), `current`
    // is the new page. True when the lists changed.
    bool PageLoaded(const THistoryEntry& previous, const THistoryEntry& current);
    void Clear() { entries_.clear(), index_ = 0; }

private:
    std::vector<THistoryEntry> entries_;
    int index_ = 0;
    int max_ = 0;
};

// ---- word selection: digits, A-Z, a-z and the bytes 192..254 except 215 and 247.
bool IsWordChar(unsigned char c);
// The longest run of word characters in `line` around index i, as [b, e). Empty (b == e == i)
// when the character at i is no word character.
void WordAround(std::string_view line, int i, int& b, int& e);

} // namespace htmlview
