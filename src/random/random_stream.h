// The program's one stream of random numbers.
//
// It is the sequence that the C library's rand() gives after srand(seed) on GNU systems (the
// additive feedback generator x[i] = x[i-3] + x[i-31], output x[i] >> 1), computed here so
// that a seed gives the same run on every platform and a draw costs a few instructions
// instead of a locked library call.
#pragma once

// Largest value of next_random().
const int kRandomMax = 2147483647;

// Restarts the stream; seed 0 gives the same stream as seed 1, as with srand.
void seed_random(unsigned int seed);
// Next value of the stream, in 0..kRandomMax.
int next_random();
