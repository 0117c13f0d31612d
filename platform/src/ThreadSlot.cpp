#include "platform/ThreadSlot.h"

#include <pthread.h>

#include <cerrno>

#include "platform/FaultSeam.h"

namespace Platform {

static_assert(sizeof(pthread_key_t) <= sizeof(ThreadSlotIndex), "a key must fit in a slot index");

ThreadSlotIndex AllocateThreadSlot(ThreadSlotRelease release) {
  if (InjectedFault(Call::ThreadSlotAllocate)) return NoThreadSlot;
  pthread_key_t key;
  const int result = pthread_key_create(&key, release);
  if (result != 0) {
    errno = result;
    return NoThreadSlot;
  }
  // pthread keys are small integers; one equal to the failure value would be ambiguous.
  if (static_cast<ThreadSlotIndex>(key) == NoThreadSlot) {
    pthread_key_delete(key);
    errno = EAGAIN;
    return NoThreadSlot;
  }
  return static_cast<ThreadSlotIndex>(key);
}

void FreeThreadSlot(ThreadSlotIndex index) {
  if (index != NoThreadSlot) pthread_key_delete(static_cast<pthread_key_t>(index));
}

void* GetThreadSlotValue(ThreadSlotIndex index) {
  if (index == NoThreadSlot) return nullptr;
  return pthread_getspecific(static_cast<pthread_key_t>(index));
}

bool SetThreadSlotValue(ThreadSlotIndex index, void* value) {
  if (index == NoThreadSlot) return false;
  if (InjectedFault(Call::ThreadSlotSet)) return false;
  const int result = pthread_setspecific(static_cast<pthread_key_t>(index), value);
  if (result != 0) {
    errno = result;
    return false;
  }
  return true;
}

int LastError() { return errno; }

}  // namespace Platform
