// Platforms without the classes registry: there is no registered browser to start.
#include "widgets/pvlUrl.h"

TpvlUrl::TpvlUrl(TComponent* owner) : TComponent(owner) {}
TpvlUrl::~TpvlUrl() = default;

int TpvlUrl::ReadClassesValue(const std::string&, std::string& value) {
    value.clear();
    return 2; // the registry's "file not found"
}

unsigned TpvlUrl::RunCommandLine(const std::string&, int) { return 0; }
