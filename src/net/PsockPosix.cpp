// Outside Windows the socket layer has no driver of its own: tests hand theirs in.
#include "net/Psock.h"

std::unique_ptr<TSocketDriver> CreateDefaultSocketDriver() { return nullptr; }
