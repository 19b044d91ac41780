// Status file decoding: any bytes are refused or give an image that a switch write can carry and
// that saves as the same bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "switches/SettingLists.h"
#include "switches/StatusFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vemora::SwitchImage image;
    vemora::ApplySetting(image, vemora::Setting::CodeTable, 5);
    const vemora::SwitchImage before = image;
    const std::span<const vemora::Byte> bytes(data, size);
    if (!vemora::DecodeStatusFile(bytes, image).ok()) {
        if (image != before) {
            std::abort();  // a refused file changed the image
        }
        return 0;
    }
    const vemora::StatusBytes saved = vemora::EncodeStatus(image);
    if (!std::equal(saved.begin(), saved.end(), bytes.begin())) {
        std::abort();
    }
    vemora::SelectionsOf(image);
    for (int bank = 1; bank <= vemora::kBankCount; ++bank) {
        for (char digit : image.FormatBankDigits(bank)) {
            if (digit != '0' && digit != '1') {
                std::abort();
            }
        }
    }
    return 0;
}
