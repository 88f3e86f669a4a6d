// Forms and the form controls as the document sees them. The document owns its forms and each
// form owns its controls; a text section only lists the controls that stand in its text (at a
// character 2). Layout gives each visible control its place in document coordinates; the viewer
// moves the control windows there after layout and after scrolling, never while painting.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

class ThtmlForm;

// What layout and painting need of a form control.
class TFormControlObj : public TObject {
public:
    explicit TFormControlObj(ThtmlForm* form) : Form(form) {}
    ThtmlForm* Form;
    int Position = 0; // index in its section's text
    std::string Name, Value;
    int DocX = 0, DocY = 0; // top-left corner in document coordinates, set by layout
    bool LaidOut = false;
    bool Shown = false;
    int Left = 0, Top = 0; // where the window was last placed (drawing-surface coordinates)
    virtual int Width() const { return 0; }
    virtual int Height() const { return 0; }
    virtual bool Hidden() const { return false; }
    virtual bool BaselineAligned() const { return false; }
    // Moves the control's window to (x, y) on the drawing surface.
    virtual void Place(int x, int y) { Left = x, Top = y, Shown = true; }
};

// One FORM of the page with the controls that belong to it.
class ThtmlForm : public TObject {
public:
    std::vector<std::unique_ptr<TFormControlObj>> Controls;
    // Takes a control into the form and returns it.
    TFormControlObj* Add(std::unique_ptr<TFormControlObj> control) {
        Controls.push_back(std::move(control));
        return Controls.back().get();
    }
};
