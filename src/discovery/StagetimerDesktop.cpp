#include "discovery/StagetimerDesktop.h"

size_t qHash(const StagetimerDesktop& desktop, size_t seed) noexcept {
    return qHashMulti(seed, desktop.host, desktop.port, desktop.apiV1);
}
