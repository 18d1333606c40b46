// Config.Ini as the start-up reads it, and ProfileString with a section and key taken from the
// input's first line.
#include "app/Config.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvel;
    const std::string_view text = fuzz::Text(data, size);
    fuzz::WriteFile(kConfigFileName, text);
    const Config config = ReadConfig(kConfigFileName);
    FUZZ_CHECK(!config.servidor.empty() && config.crf.size() <= 2047);

    const std::string_view first = text.substr(0, text.find('\n'));
    const size_t cut = first.find('/');
    const std::string value =
        ProfileString(text, first.substr(0, cut), cut == first.npos ? "" : first.substr(cut + 1));
    FUZZ_CHECK(value.size() <= 2047);
    return 0;
}
