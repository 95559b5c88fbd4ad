#include "tools/review/ServerModule.h"

#include "platform/os/OnDemandModules.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

const rc_review_server_functions& reviewServerModule() {
  static const platform::ModuleTable table = platform::loadOnDemandModule(
      {kReviewModuleFileName, "RAVELCREST_REVIEW_MODULE", kReviewModuleEntry, "review: the HTTP server module"});
  if (!table.functions) throw OutputError(table.failure);
  return *static_cast<const rc_review_server_functions*>(table.functions);
}

}  // namespace rc::tools
