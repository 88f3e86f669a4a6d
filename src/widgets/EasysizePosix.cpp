// Without the window toolkit only components that implement IResizableControl themselves take
// part in resizing.
#include "widgets/Easysize.h"

std::unique_ptr<IResizableControl> DefaultResizableOf(TComponent* c) { return DirectResizableOf(c); }
