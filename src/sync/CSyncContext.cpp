#include "sync/CSyncContext.h"

namespace {
CSyncContext* g_pSync = nullptr;
}  // namespace

CSyncContext* g_Sync() { return g_pSync; }

void SetGlobalSync(CSyncContext* ctx) { g_pSync = ctx; }
