// The viewer's form control windows: standard edits, buttons, check boxes, radio buttons, list
// boxes, drop-down lists and memos on the drawing panel, behind the portable TFormWidget. Win32.
#pragma once

#include <memory>

#include "html/Htmlsbs1Forms.h"

class TWinControl;

// Makes the window control for one form control as a child of `panel`, out of sight until layout
// places it.
std::unique_ptr<TFormWidget> MakeViewerFormWidget(TWinControl* panel, const TFormWidgetDesc& desc);
