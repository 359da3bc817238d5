#pragma once

// Lowers the calling thread's scheduling priority to the least, so that
// work it does in the background leaves the processors to the window.
void LowerThisThreadsPriority();
