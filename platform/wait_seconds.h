// Waiting without freezing: the program's events (repaints, timers, the clipboard, hot keys)
// go on being handled while the time passes.
#pragma once

// Returns once `seconds` have passed since the call, having run the event loop meanwhile;
// the processor sleeps between events. A time of 0 or less handles the pending events once.
void WaitSeconds(double seconds);
