#pragma once
// A thread-local storage slot: one value per thread under one module-wide index.

#include <cstdint>

namespace Platform {

using ThreadSlotIndex = std::uint32_t;

// The index a failed allocation returns; every other call ignores it.
constexpr ThreadSlotIndex NoThreadSlot = 0xFFFFFFFFu;

// Called at a thread's end with the thread's non-null value.
using ThreadSlotRelease = void (*)(void* value);

// Allocates a slot whose value is null in every thread. `release`, when given, is called at
// the end of each thread that still holds a non-null value. Returns NoThreadSlot on failure.
ThreadSlotIndex AllocateThreadSlot(ThreadSlotRelease release);

// Frees the slot; values that threads still hold are not released.
void FreeThreadSlot(ThreadSlotIndex index);

// The calling thread's value, or null (also for NoThreadSlot).
void* GetThreadSlotValue(ThreadSlotIndex index);

// Stores the calling thread's value; false when the platform refused it.
bool SetThreadSlotValue(ThreadSlotIndex index, void* value);

// The error code of the last failed platform call of this thread.
int LastError();

}  // namespace Platform
