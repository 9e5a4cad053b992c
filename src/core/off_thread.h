#pragma once
// Runs a blocking call (a network transfer) on a worker thread while the
// calling thread keeps its event loop going in short slices, so that a window
// stays responsive and its stop button works while a slow server answers.
// The work must touch nothing the calling thread uses meanwhile; `eachSlice`
// runs on the calling thread between slices (progress, for one).

#include <functional>

void runOffThread(const std::function<void()>& work, const std::function<void()>& eachSlice = {});
