// Pictures the module carries as resources (a .rc file compiled into it by windres). Win32 only.
//
//   Background  RCDATA  "background.jpg"   // a JPEG or BMP file, as it is
//   StopSign    BITMAP  "stop.bmp"         // a bitmap resource (stored without its file header)
#pragma once

#include <string>

#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"
#include "toolkit/Win32.h"

// A resource the module does not have: "Resource <name> not found".
QV_EXCEPTION(EResNotFound, Exception);

// Loads the picture resource `name` of `module` (the module the toolkit is linked into when
// null): RCDATA holding a JPEG or BMP file, else BITMAP. A missing resource raises EResNotFound;
// one that does not decode raises EInvalidGraphic.
TBitmap LoadPictureResource(const std::string& name, HINSTANCE module = nullptr);
