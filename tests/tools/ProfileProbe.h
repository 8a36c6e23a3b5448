// What profile_probe's "loop" step writes, shared with the test that kills it.
#pragma once

#include <string>

// The n-th round of the write loop: mgDelay gets delay, then Extra gets extra
// (an empty extra deletes the key), so that the file's size changes and a key
// line comes and goes.
struct WriteLoopStep {
  std::string delay;
  std::string extra;
};

inline WriteLoopStep WriteLoopStepFor(unsigned n) {
  return {std::to_string(n), n % 3 == 0 ? std::string() : std::string(n % 97, 'x')};
}
