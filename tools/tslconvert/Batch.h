#pragma once
// tslconvert --batch: the image processor's run over a list of files (see Batch.cpp's usage).

#include <string>
#include <vector>

namespace tsl {

// The arguments after the program name; returns the exit status (0: every file converted,
// 1: some failed, 2: wrong usage).
int BatchMain(const std::vector<std::string>& args);

} // namespace tsl
