#include "toolkit/Resources.h"

#include <cstdint>

#include "toolkit/Controls.h"
#include "toolkit/Pictures.h"

namespace {

// The bytes of resource `name` of `type`, or false. Resource memory lives as long as the module.
bool FindBytes(HINSTANCE module, const std::string& name, LPCSTR type, const uint8_t*& data, size_t& size) {
    HRSRC info = FindResourceA(module, name.c_str(), type);
    if (!info) return false;
    HGLOBAL loaded = LoadResource(module, info);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    data = static_cast<const uint8_t*>(bytes);
    size = SizeofResource(module, info);
    return true;
}

} // namespace

TBitmap LoadPictureResource(const std::string& name, HINSTANCE module) {
    if (!module) module = ToolkitInstance();
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (FindBytes(module, name, RT_RCDATA, data, size)) return DecodePicture(data, size);
    if (FindBytes(module, name, RT_BITMAP, data, size)) return DecodeDib(data, size);
    throw EResNotFound("Resource " + name + " not found");
}
