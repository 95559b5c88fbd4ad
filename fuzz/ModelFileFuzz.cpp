// Feeds arbitrary bytes to the document loader (as each document type) and
// writes back what it accepts: nothing may crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/host/ModelFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rc::sim::host;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (DocType type : {DocType::Part, DocType::Assembly, DocType::Drawing}) {
    try {
      DocumentModel m = modelfile::parse(text, "fuzz.vxlprt", type);
      // What was accepted must read back the same.
      std::string again = modelfile::serialize(m);
      DocumentModel n = modelfile::parse(again, "fuzz.vxlprt", type);
      if (modelfile::serialize(n) != again) __builtin_trap();
    } catch (const ModelFileError&) {
    }
  }
  return 0;
}
