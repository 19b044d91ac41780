// vemora-cli's command line: the input is the words, separated by zero bytes. Any line is read or
// refused with a reason; nothing else may happen.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back() += static_cast<char>(data[i]);
        }
    }
    const vemora::ParsedCommandLine parsed = vemora::ParseCommandLine(words);
    if (!parsed.options && parsed.error.empty() && parsed.help.empty()) {
        std::abort();
    }
    return 0;
}
