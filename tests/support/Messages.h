#pragma once
// A flow's fixed message as a program prints it: the tests above the flows compare with it, so that
// the words themselves are pinned once, in the flows' tests.

#include <string>

#include "flows/Outcome.h"

namespace vemora::test {

inline std::string Said(Outcome outcome) {
    return std::string(MessageFor(outcome).text);
}

}  // namespace vemora::test
