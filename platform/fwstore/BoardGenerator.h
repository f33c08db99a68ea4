// Profiles of generated boards: as many setup questions as asked for, for load tests and
// benchmarks of the setup database and its readers. `fwsim profile --questions N` prints one.
#pragma once

#include <cstddef>
#include <string>

namespace fwstore {

// The text of a board profile with exactly `questionCount` questions, spread over form sets
// of at most 1000 questions and forms of at most 50: every kind of question, options,
// references from each form set's first form, conditions (platform values, lock/hide bytes,
// question values), repeated questions and two passwords in their own store.
std::string GenerateBoardProfile(size_t questionCount);

} // namespace fwstore
