// The user-interface thread's event queue.
#pragma once

#include <functional>

namespace platform {

enum class QueueHead { Empty, Quit, Event };

// Looks at the head of the queue without taking anything.
QueueHead PeekQueueHead();
// Takes the next event and handles it as the event loop does.
void DispatchNextEvent();
// Blocks until an event is queued or timeout_ms pass (-1: no limit).
void WaitForNextEvent(int timeout_ms);
// The window system's idle work, done by the loop when the queue is empty.
void DoIdleWork();

void PostQuit(int code);
// Removes the queued quit request and gives its code.
int TakeQuit();

// Queues a task that runs when the event processing reaches it.
void PostTask(std::function<void()> task);

}  // namespace platform
