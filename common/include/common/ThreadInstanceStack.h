#pragma once
// The per-thread stack of objects whose file operations are running, reached through one
// thread-local slot per module. The engine's file callbacks carry no user argument, so they
// find their object on top of the calling thread's stack; a stack (not a single pointer) lets
// a handler start another file operation while an outer one waits.

#include <cstdint>
#include <deque>
#include <memory>
#include <stack>

#include "platform/ThreadSlot.h"

namespace Common {

template <class Instance>
class ThreadInstanceStack {
 public:
  using Stack = std::stack<Instance*, std::deque<Instance*>>;

  ThreadInstanceStack() : Index(Platform::AllocateThreadSlot(&ReleaseAtThreadEnd)) {}
  // Frees the slot; stacks that threads still hold are left to those threads.
  ~ThreadInstanceStack() { Platform::FreeThreadSlot(Index); }
  ThreadInstanceStack(const ThreadInstanceStack&) = delete;
  ThreadInstanceStack& operator=(const ThreadInstanceStack&) = delete;

  // The slot index; Platform::NoThreadSlot when allocation failed.
  std::uint32_t SlotIndex() const { return Index; }

  // The calling thread's stack, or null (always null without a slot).
  Stack* GetValue() const { return static_cast<Stack*>(Platform::GetThreadSlotValue(Index)); }
  // Stores the calling thread's stack; does nothing without a slot.
  void SetValue(Stack* stack) const { Platform::SetThreadSlotValue(Index, stack); }

  // Gives the calling thread an empty stack when it has none. Never pushes.
  void AllocateStack() const {
    if (Index == Platform::NoThreadSlot || GetValue() != nullptr) return;
    auto stack = std::make_unique<Stack>();
    // From here the thread's slot owns the stack.
    if (Platform::SetThreadSlotValue(Index, stack.get())) stack.release();
  }

  // Releases the calling thread's stack when it holds no entry.
  void DeallocateStack() const {
    Stack* stack = GetValue();
    if (stack == nullptr || !stack->empty()) return;
    SetValue(nullptr);
    std::unique_ptr<Stack> owned(stack);
  }

  // The object of the innermost running file operation of this thread, or null.
  Instance* Top() const {
    Stack* stack = GetValue();
    return stack == nullptr || stack->empty() ? nullptr : stack->top();
  }

  // Keeps an object on the calling thread's stack for the lifetime of the entry: pushed on
  // construction, popped on every way out of the scope.
  class Entry {
   public:
    Entry(const ThreadInstanceStack& slot, Instance* instance) {
      slot.AllocateStack();
      Owner = slot.GetValue();
      if (Owner != nullptr) Owner->push(instance);
    }
    ~Entry() {
      if (Owner != nullptr) Owner->pop();
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    // False when the thread has no usable slot: the operation then does nothing.
    bool Pushed() const { return Owner != nullptr; }

   private:
    Stack* Owner = nullptr;
  };

 private:
  // A thread that ends while holding a stack gives it back.
  static void ReleaseAtThreadEnd(void* value) { std::unique_ptr<Stack> owned(static_cast<Stack*>(value)); }

  std::uint32_t Index;
};

}  // namespace Common
