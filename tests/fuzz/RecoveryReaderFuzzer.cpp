// Feeds arbitrary bytes to the recovery file's reader. The reader takes the
// writer's spelling and nothing else, so whatever it accepts must be written
// back byte for byte, and must install into a document without breaking
// the schema's rules.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "FuzzSupport.h"
#include "model/NuminoSchema.h"
#include "recovery/RecoveryFormat.h"
#include "support/FakePlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace numino;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto parsed = recovery::Parse(bytes);
  if (const auto* error = std::get_if<recovery::ParseError>(&parsed)) {
    FUZZ_CHECK(!error->reason.empty());
    return 0;
  }
  const recovery::Work& work = std::get<recovery::Work>(parsed);
  FUZZ_CHECK(recovery::Format(work) == bytes);
  FUZZ_CHECK(fuzz::WithinBounds(work.cells, 0, 9));
  FUZZ_CHECK(fuzz::WithinBounds(work.exclusions, 0, NuminoSchema::kAllDigits));
  FUZZ_CHECK(work.historyPos >= -1 &&
             work.historyPos < static_cast<std::ptrdiff_t>(work.history.size()));

  testing::FakePlatform platform;
  platform.StopRecording();
  NuminoSchema schema(platform);
  recovery::Install(work, schema);
  FUZZ_CHECK(schema.cellValues == work.cells && schema.history == work.history);
  return 0;
}
