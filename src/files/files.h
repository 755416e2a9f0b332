// Small file-system helpers for the front end, the evaluator and the search driver.
#pragma once

// True when the path can be opened for reading (an existing directory counts).
bool fexists(const char* path);
