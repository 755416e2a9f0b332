// Small file-system helpers shared by the evaluator and the front end.
#pragma once

// True when the path can be opened for reading (an existing directory counts).
bool fexists(const char* path);
