// The program's one stream of random numbers.
//
// It is the sequence that the C library's rand() gives after srand(seed) on GNU systems (the
// additive feedback generator x[i] = x[i-3] + x[i-31], output x[i] >> 1), computed here so
// that a seed gives the same run on every platform and a draw costs a few instructions
// instead of a locked library call.
//
// The recurrence is linear, so a position far ahead is reached without drawing (skip): work
// whose draws are only counted first can later replay them from a copy (RandomStream) placed
// where they started.
#pragma once

#include <cstdint>

// Largest value of next_random().
const int kRandomMax = 2147483647;

// A position of the stream: the last 31 words of the recurrence. A plain value; copies run on
// independently of the program's stream.
struct RandomStream {
    std::uint32_t state[31];
    int front;  // x[i] = x[i-3] + x[i-31] is formed in state[front] from state[rear]

    explicit RandomStream(unsigned int seed = 1);
    // Next value, in 0..kRandomMax.
    int next() {
        const int rear = front >= 3 ? front - 3 : front + 28;
        state[front] += state[rear];
        const std::uint32_t x = state[front];
        if (++front >= 31) front = 0;
        return static_cast<int>(x >> 1);
    }
    // Moves on by n values, as n calls of next() would, in O(log n) polynomial steps.
    void skip(std::uint64_t n);
};

// The functions below use the calling thread's stream: the program's one, unless a RandomScope
// has put another in place on that thread (a library call with a stream of its own, or a worker
// thread continuing its caller's stream).

// Restarts the stream; seed 0 gives the same stream as seed 1, as with srand.
void seed_random(unsigned int seed);
// Next value of the stream, in 0..kRandomMax.
int next_random();
// The program's stream itself (for copies and skips; one thread only).
RandomStream& random_stream();

// Makes `s` the calling thread's stream until destroyed; then the previous one is back.
class RandomScope {
public:
    explicit RandomScope(RandomStream& s);
    ~RandomScope();
    RandomScope(const RandomScope&) = delete;
    RandomScope& operator=(const RandomScope&) = delete;

private:
    RandomStream* saved_;
};
