#include "pipeline/conversion_driver.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"

namespace vexmor {

void runConversion(RunContext& context, SourceCatalogue& catalogue, std::string source,
                   std::string output, bool convert, bool firstLevelOnly) {
    (void)context;
    (void)catalogue;
    (void)source;
    (void)output;
    (void)convert;
    (void)firstLevelOnly;
}

}  // namespace vexmor
