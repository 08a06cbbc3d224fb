#include "async/ImmediateCancellation.h"

namespace async {
namespace {

thread_local int depth = 0;

} // namespace

ImmediateCancellation::ImmediateCancellation() {
    ++depth;
}

ImmediateCancellation::~ImmediateCancellation() {
    --depth;
}

bool ImmediateCancellation::active() {
    return depth > 0;
}

} // namespace async
