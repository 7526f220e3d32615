#pragma once

#include <string>

// A file in this run's own scratch folder under the system's temporary folder, made on first use
// and removed with everything in it when the run ends, so that concurrent runs never share a file.
std::string fuzzScratchFile(const char* name);
