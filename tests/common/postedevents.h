#pragma once
// Delivers every event posted so far, and the events those post in turn (a
// queued call that queues the next step), without waiting for any time to
// pass: a check after it sees all the program had queued, so "nothing
// happened" is checked without a fixed wait.
void DeliverPostedEvents();
