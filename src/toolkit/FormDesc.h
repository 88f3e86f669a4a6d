// Declarative form descriptions: a form lists its controls as rows (name, kind, bounds, caption,
// settings, bound handler) in the order they are created, so the code reads like the form's
// design table. Win32 only.
//
//   Describe(*this, {
//       Row<TLabel>("Label2", 131, 62, 188, 16, "What do you think of this Track ?",
//                   [](TLabel& l) { l.SetTransparent(true); }),
//       Row<TBitBtn>("BitBtn5", 412, 466, 147, 24, "Get Recommendations", nullptr,
//                    [this](TBitBtn& b) { b.OnClick = [this](TObject* s) { BitBtn5Click(s); }; }),
//   });
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"

struct TControlRow {
    std::function<TControl*(TForm& form)> create;
};

// One control: created with the form as owner and parent, named, placed, captioned, then the
// settings and the handler binding run (in that order), all while the control is loading, so
// sizing that depends on several settings happens once at the end.
template <class T>
TControlRow Row(const char* name, int left, int top, int width, int height, std::string caption = {},
                std::function<void(T&)> settings = nullptr, std::function<void(T&)> handlers = nullptr) {
    return TControlRow{[=](TForm& form) -> TControl* {
        T* c = new T(&form);
        c->BeginLoading();
        c->SetName(name);
        c->SetParent(&form);
        c->SetBounds(left, top, width, height);
        if (!caption.empty()) c->SetCaption(caption);
        if (settings) settings(*c);
        if (handlers) handlers(*c);
        c->EndLoading();
        return c;
    }};
}

// Creates every row's control in order. Returns nothing: the form finds controls by name or keeps
// pointers set in the rows' binding functions.
inline void Describe(TForm& form, std::initializer_list<TControlRow> rows) {
    for (const auto& r : rows) r.create(form);
}

// The control named `name` on `form`, of type T (nullptr when missing or of another type).
template <class T> T* Find(const TComponent& owner, const char* name) { return dynamic_cast<T*>(owner.FindComponent(name)); }
