#pragma once
// ProcessMemory: how this process's heap hands memory back to the system.

namespace platform {

// Keeps up to 128 MB of freed heap for reuse and serves blocks of up to
// 32 MB from the heap, where the C library would otherwise give memory back
// to the system after every large operation and map it afresh for the next.
// On the virtual machines this runs on each page taken anew from the system
// costs a fault: an import or a received mail of 10,000 appointments spent
// a fifth of its time on them. The price is a heap that stays at most
// 128 MB above what is in use. Call once at start, before any thread.
void KeepFreedMemoryForReuse();

}  // namespace platform
