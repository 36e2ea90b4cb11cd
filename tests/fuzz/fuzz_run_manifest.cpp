// Fuzz target: bytes read back as a working directory's manifest.json. The reader must never crash,
// hang or throw; it gives a manifest or a reason, never neither, and a manifest it gives reads back
// from its own text as the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "upgrade/run_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<RunManifest> manifest = RunManifest::parse(text, &error);
    if (!manifest && error.empty()) std::abort();
    if (!manifest) return 0;
    std::string again;
    const std::optional<RunManifest> back = RunManifest::parse(manifest->text(), &again);
    if (!back || back->text() != manifest->text()) std::abort();
    return 0;
}
