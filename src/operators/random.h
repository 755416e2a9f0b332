// Random draws of the operators and the search, all from the one next_random() stream.
#pragma once
#include "random/random_stream.h"

// Uniform in 0..n-1; 0 without a draw when n is 0.
int myrand(int n);
// Bell-shaped value in -1..1 from ten uniform draws.
double mygaussian();
// Value in lb..ub, most often close to ub.
int mygaussian_left(const int& lb, const int& ub);
// The same from the stream s; ten draws unless lb == ub (none then).
int mygaussian_left(RandomStream& s, int lb, int ub);
// Value in lb..ub, most often close to lb.
int mygaussian_right(const int& lb, const int& ub);
