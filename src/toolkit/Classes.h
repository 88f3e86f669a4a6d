// Core object model: geometry, events, components with owners, and string lists.
// Portable: nothing here calls the operating system.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TPoint {
    int x = 0, y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0, cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Left/top inclusive, right/bottom exclusive, as the platform's RECT.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.x >= Left && p.x < Right && p.y >= Top && p.y < Bottom; }
    void Offset(int dx, int dy) {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }
inline TRect Bounds(int l, int t, int w, int h) { return TRect{l, t, l + w, t + h}; }
TRect IntersectRect(const TRect& a, const TRect& b);
TRect UnionRect(const TRect& a, const TRect& b);

class TObject {
public:
    virtual ~TObject() = default;
};

// Events: the first argument is the sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TOperation { opInsert, opRemove };

// A component belongs to an owner that frees it. When a component goes away, its owner and every
// component that asked for a free notification hear of it through Notification(opRemove), so
// nobody keeps a dangling reference.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int i) const { return components_.at(static_cast<size_t>(i)); }
    TComponent* FindComponent(std::string_view name) const;

    // Ask to hear when `other` is destroyed (both directions are kept, either side may go first).
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Destroys every owned component, last created first. Derived destructors call this first,
    // while their own part is still whole, so owned components can still reach it.
    void DestroyComponents();

    // Moves `c` from its current owner to this one.
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);

    bool Destroying() const { return destroying_; }

    // Set-up from a description: between BeginLoading and EndLoading properties are only stored
    // (a label does not size itself to a caption that a later setting makes fixed); EndLoading
    // then calls Loaded once, for the work the settings imply.
    bool Loading() const { return loading_; }
    void BeginLoading() { loading_ = true; }
    void EndLoading() {
        if (!loading_) return;
        loading_ = false;
        Loaded();
    }
    int Tag = 0;

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    virtual void Loaded() {}

private:
    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool destroying_ = false;
    bool loading_ = false;
};

// Defers freeing an object while its handlers run. A window's handlers may pump messages (a modal
// dialog, a network wait), and the code that frees the object may run inside such a loop (the
// host's quit); freeing it there would return the handlers into freed memory. Enter and Leave
// bracket every call into the object's handlers; Release frees the object at once when none runs,
// else when the outermost one leaves.
class THandlerDepth {
public:
    explicit THandlerDepth(std::function<void()> free) : free_(std::move(free)) {}
    void Enter() { ++depth_; }
    // Returns true when this call freed the object: the caller must not touch it again.
    bool Leave();
    // Returns true when the object was freed now; false when it will be freed by the last Leave.
    bool Release();
    int Depth() const { return depth_; }
    bool ReleasePending() const { return pending_; }

private:
    bool FreeNow();
    std::function<void()> free_;
    int depth_ = 0;
    bool pending_ = false;
    bool done_ = false;
};

// An ordered list of 8-bit strings, each with an optional object pointer (not owned), that can
// also be read as name=value pairs. Name lookups ignore ASCII letter case.
class TStringList : public TObject {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int i) const { return items_.at(static_cast<size_t>(i)).text; }
    const std::string& Strings(int i) const { return (*this)[i]; }
    void SetStrings(int i, std::string s);
    TObject* Objects(int i) const { return items_.at(static_cast<size_t>(i)).object; }
    void SetObjects(int i, TObject* o);

    int Add(std::string s, TObject* object = nullptr);
    void Insert(int index, std::string s, TObject* object = nullptr);
    void Delete(int index);
    void Clear();
    // Replaces the contents by a copy of `other`'s lines and objects.
    void Assign(const TStringList& other);
    void AddStrings(const TStringList& other);

    int IndexOf(std::string_view s) const; // case-insensitive, as the platform's list
    int IndexOfName(std::string_view name) const;
    std::string Names(int i) const;          // text before the first "=", or empty
    std::string ValueFromIndex(int i) const; // text after the first "="
    std::string Values(std::string_view name) const;
    // Sets or replaces "name=value"; an empty value deletes the line.
    void SetValues(std::string_view name, std::string_view value);

    // Lines joined with CR LF after each; SetText splits at CR LF, LF or a lone CR.
    std::string Text() const;
    void SetText(std::string_view text);

    // Sorting (when Sorted is set, Add keeps the list in order).
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    void Sort();

    TNotifyEvent OnChange;

private:
    struct Item {
        std::string text;
        TObject* object = nullptr;
    };
    void Changed();
    std::vector<Item> items_;
    bool sorted_ = false;
};
