#include "toolkit/Classes.h"

#include <algorithm>

#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) return TRect{};
    return r;
}

TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    // Everyone who asked hears of the removal before this object is gone.
    for (TComponent* other : std::vector<TComponent*>(freeNotifies_)) {
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, TOperation::opRemove);
    }
    freeNotifies_.clear();
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        RemoveComponent(c);
        delete c;
    }
}

void TComponent::InsertComponent(TComponent* c) {
    if (c->owner_) c->owner_->RemoveComponent(c);
    c->owner_ = this;
    components_.push_back(c);
    Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    components_.erase(it);
    c->owner_ = nullptr;
    Notification(c, TOperation::opRemove);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) freeNotifies_.push_back(other);
    auto& theirs = other->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
    if (other) {
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    }
}

void TComponent::Notification(TComponent*, TOperation) {}

// ---------------------------------------------------------------- TStringList

TStringList::TStringList(std::initializer_list<std::string> lines) {
    for (const auto& l : lines) items_.push_back({l, nullptr});
}

static void CheckIndex(int i, int count) {
    if (i < 0 || i >= count) throw EListError(Format("List index out of bounds (%d)", i));
}

void TStringList::Changed() {
    if (OnChange) OnChange(this);
}

void TStringList::SetStrings(int i, std::string s) {
    CheckIndex(i, Count());
    items_[static_cast<size_t>(i)].text = std::move(s);
    Changed();
}

void TStringList::SetObjects(int i, TObject* o) {
    CheckIndex(i, Count());
    items_[static_cast<size_t>(i)].object = o;
}

int TStringList::Add(std::string s, TObject* object) {
    int at = Count();
    if (sorted_) {
        auto it = std::upper_bound(items_.begin(), items_.end(), s,
                                   [](const std::string& v, const Item& e) { return CompareText(v, e.text) < 0; });
        at = static_cast<int>(it - items_.begin());
    }
    items_.insert(items_.begin() + at, Item{std::move(s), object});
    Changed();
    return at;
}

void TStringList::Insert(int index, std::string s, TObject* object) {
    if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", index));
    items_.insert(items_.begin() + index, Item{std::move(s), object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void TStringList::Assign(const TStringList& other) {
    if (&other == this) return;
    items_ = other.items_;
    Changed();
}

void TStringList::AddStrings(const TStringList& other) {
    for (const auto& it : std::vector<Item>(other.items_)) items_.push_back(it);
    Changed();
}

int TStringList::IndexOf(std::string_view s) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i].text, s)) return static_cast<int>(i);
    return -1;
}

std::string TStringList::Names(int i) const {
    const std::string& t = (*this)[i];
    size_t p = t.find('=');
    return p == std::string::npos ? std::string() : t.substr(0, p);
}

std::string TStringList::ValueFromIndex(int i) const {
    const std::string& t = (*this)[i];
    size_t p = t.find('=');
    return p == std::string::npos ? std::string() : t.substr(p + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        const std::string& t = items_[i].text;
        size_t p = t.find('=');
        if (p != std::string::npos && SameText(std::string_view(t).substr(0, p), name)) return static_cast<int>(i);
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValues(std::string_view name, std::string_view value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line = std::string(name) + "=" + std::string(value);
    if (i >= 0)
        SetStrings(i, std::move(line));
    else
        Add(std::move(line));
}

std::string TStringList::Text() const {
    std::string out;
    for (const auto& it : items_) {
        out += it.text;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
        items_.push_back(Item{std::string(text.substr(i, j - i)), nullptr});
        if (j < text.size() && text[j] == '\r') ++j;
        if (j < text.size() && text[j] == '\n') ++j;
        i = j;
    }
    Changed();
}

void TStringList::SetSorted(bool v) {
    if (v && !sorted_) Sort();
    sorted_ = v;
}

void TStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) { return CompareText(a.text, b.text) < 0; });
    Changed();
}

bool THandlerDepth::FreeNow() {
    // The object may own this counter: nothing of it is touched once `free` runs. Calls made while
    // it is being freed (its windows closing) find the release done and free nothing again.
    pending_ = false;
    done_ = true;
    std::function<void()> free = std::move(free_);
    free();
    return true;
}

bool THandlerDepth::Leave() {
    if (depth_ > 0) --depth_;
    return depth_ == 0 && pending_ ? FreeNow() : false;
}

bool THandlerDepth::Release() {
    if (pending_ || done_) return false;
    pending_ = true;
    return depth_ == 0 ? FreeNow() : false;
}
